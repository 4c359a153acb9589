#pragma once

#include "emulator/DemoNetwork.h"
#include "emulator/LocaleText.h"
#include "emulator/UniqueFd.h"
#include "ncp/BinderyCodecs.h"
#include "ncp/ClientConnection.h"
#include "ncp/ConnectionCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/FileCodecs.h"
#include "ncp/PasswordCipher.h"
#include "ncp/RequestBody.h"
#include "ncp/TcpFrame.h"

#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Talking NCP to the emulator's servers in tests: the demo servers in a scratch directory, typed calls over a
// real client connection, and a raw socket for the frames no well-behaved client sends.
namespace NcpTest {

struct Demo {
    QTemporaryDir volumes;
    std::vector<Emulator::DemoServer> servers = Emulator::MakeDemoServers(volumes.path().toStdString());

    Emulator::Server& Named(std::string_view name) {
        for (auto& demo : servers)
            if (Emulator::LocaleText::SameName(demo.server->Name(), name))
                return *demo.server;
        return *servers.front().server;
    }
    QString System(const char* server) const { return volumes.path() + "/" + server + "/SYS/SYSTEM/"; }
};

// The bytes after the function byte of a typed request (length word, subfunction, data).
template <typename Request> std::vector<std::uint8_t> Body(const Request& request) {
    const auto packet = Ncp::EncodeRequest(Ncp::RequestHeader{}, request);
    if (!packet)
        return {};
    return std::vector<std::uint8_t>(packet->begin() + Ncp::RequestHeader::Size, packet->end());
}

// A whole request packet with the given header fields.
template <typename Request>
std::vector<std::uint8_t> Packet(const Request& request, std::uint8_t sequence, std::uint16_t connection) {
    Ncp::RequestHeader header;
    header.sequence = sequence;
    header.connection = connection;
    return Ncp::EncodeRequest(header, request).value_or(std::vector<std::uint8_t>{});
}

inline Ncp::HandlePath Path(const char* text) {
    return Ncp::HandlePathFromText(text).value_or(Ncp::HandlePath{});
}

// 87/01 as the transfer sends it: create or replace, for reading and writing.
inline Ncp::OpenCreateFileRequest Create(Ncp::HandlePath path) {
    Ncp::OpenCreateFileRequest request;
    request.openCreateMode = Ncp::OpenModeCreate | Ncp::OpenModeReplace | Ncp::OpenModeOpen;
    request.desiredAccessRights = Ncp::AccessRead | Ncp::AccessWrite;
    request.path = std::move(path);
    return request;
}

// A client connection to 127.0.0.1:port with typed calls.
class Client {
public:
    explicit Client(std::uint16_t port, Ncp::PcapWriter* capture = nullptr) {
        connection_.SetTimeLimit(std::chrono::seconds(5));
        connection_.SetCapture(capture);
        openStatus_ = connection_.Open("127.0.0.1", port);
    }

    std::uint16_t OpenStatus() const { return openStatus_; }
    Ncp::ClientConnection& Connection() { return connection_; }

    // The call's status (Success, 0x89xx, or a requester status); reply holds what came back.
    template <typename Request> std::uint16_t Call(const Request& request, Ncp::Reply& reply) {
        return connection_.Call(Request::Id.function, Body(request), reply);
    }
    // The same with the reply data parsed into typed (left alone when the call failed).
    template <typename Request, typename Typed> std::uint16_t Call(const Request& request, Typed& typed) {
        Ncp::Reply reply;
        const std::uint16_t status = Call(request, reply);
        if (status == 0 && !ParseReplyData(std::span<const std::uint8_t>(reply.data),
                                           typed)) // found where Typed is declared
            return 0xFFFF;
        return status;
    }

    // The keyed login: key, object ID, response.
    std::uint16_t Login(const std::string& user, const std::string& password) {
        Ncp::GetLoginKeyReply key;
        if (const std::uint16_t status = Call(Ncp::GetLoginKeyRequest{}, key); status != 0)
            return status;
        Ncp::BinderyObjectReply object;
        if (const std::uint16_t status =
                Call(Ncp::GetBinderyObjectIdRequest{Ncp::ObjectTypeUser, user}, object);
            status != 0)
            return status;
        Ncp::KeyedObjectLoginRequest login;
        login.response = Ncp::LoginResponseFor(key.key, Ncp::HashPassword(object.objectId, password));
        login.objectName = user;
        Ncp::Reply reply;
        return Call(login, reply);
    }

private:
    Ncp::ClientConnection connection_;
    std::uint16_t openStatus_ = 0;
};

// A TCP connection that sends any bytes and reads reply frames, for malformed input.
class RawSocket {
public:
    explicit RawSocket(std::uint16_t port) : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ =
            ::connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }

    bool Connected() const { return connected_; }
    bool Send(const std::vector<std::uint8_t>& bytes) {
        return ::send(socket_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }
    bool SendPacket(const std::vector<std::uint8_t>& packet) {
        return Send(Ncp::EncodeRequestFrame(packet, 0));
    }
    void Close() { socket_.Reset(); }

    // Whether some reply bytes came within two seconds.
    bool Answered() {
        std::uint8_t buffer[4096];
        return Readable() && ::recv(socket_.Get(), buffer, sizeof buffer, 0) > 0;
    }

    // Whether the server closed the connection within two seconds (any bytes before the end are read).
    bool ClosedByPeer() {
        std::uint8_t buffer[4096];
        while (Readable()) {
            const ssize_t count = ::recv(socket_.Get(), buffer, sizeof buffer, 0);
            if (count <= 0)
                return true;
        }
        return false;
    }

private:
    bool Readable() {
        pollfd polled{socket_.Get(), POLLIN, 0};
        return ::poll(&polled, 1, 2000) == 1;
    }

    Emulator::UniqueFd socket_;
    bool connected_ = false;
};

// A create-connection packet (type 0x1111, sequence 0).
inline std::vector<std::uint8_t> CreatePacket() {
    Ncp::RequestHeader header = Ncp::CreateConnectionHeader(0, 1);
    return Ncp::BuildRequestPacket(header,
                                   Ncp::RequestBody{std::nullopt, std::span<const std::uint8_t>{}, false})
        .value_or(std::vector<std::uint8_t>{});
}

} // namespace NcpTest

namespace NcpTest {

// One extension message in the simple form (37 with a length word) or the fragmented one; reply receives the
// whole reply message.
inline std::uint16_t Extension(Client& client, std::uint32_t extensionId,
                               const std::vector<std::uint8_t>& request, std::uint16_t capacity,
                               bool fragmented, std::vector<std::uint8_t>& reply) {
    reply.clear();
    if (!fragmented) {
        Ncp::ExecuteExtensionReply simple;
        const std::uint16_t status =
            client.Call(Ncp::ExecuteExtensionRequest{extensionId, capacity, request}, simple);
        reply = simple.data;
        return status;
    }
    auto fragments = Ncp::SplitExtensionRequest(extensionId, request, capacity);
    if (!fragments)
        return 0xFFFF;
    Ncp::ExtensionFragmentReply answer;
    for (Ncp::ExtensionFragmentRequest& fragment : *fragments) {
        fragment.fragmentHandle = fragment.totals ? 0 : answer.fragmentHandle;
        if (const std::uint16_t status = client.Call(fragment, answer); status != 0)
            return status;
    }
    reply = answer.data;
    while (reply.size() < answer.totalReplyLength) {
        Ncp::ExtensionContinuationReply more;
        Ncp::ExtensionFragmentRequest next{extensionId, answer.fragmentHandle, std::nullopt, {}};
        if (const std::uint16_t status = client.Call(next, more); status != 0 || more.data.empty())
            return status != 0 ? status : 0xFFFF;
        reply.insert(reply.end(), more.data.begin(), more.data.end());
    }
    return 0;
}

} // namespace NcpTest
