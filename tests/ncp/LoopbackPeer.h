#pragma once

#include "ncp/PacketHeader.h"
#include "ncp/TcpFrame.h"

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// A scripted NCP server on 127.0.0.1 for the client tests: accepts one connection on an ephemeral port,
// reads request frames and sends what the script answers to each. Everything it does is bounded in time:
// it waits at most two seconds for the client and for each request, then closes.
class LoopbackPeer final {
public:
    struct Answer {
        std::vector<std::uint8_t> bytes; // sent as they are (several frames, part of one, or nothing)
        bool closeAfter = false;
        // Not zero: the bytes are sent again at this interval until the client sends or closes (at most
        // for RepeatLimit), as by a server that keeps saying it is busy, or floods the client.
        std::chrono::milliseconds repeatEvery{0};
    };
    static constexpr std::chrono::milliseconds RepeatLimit{5000};
    using Script = std::function<Answer(const Ncp::RequestHeader&, std::span<const std::uint8_t> body)>;

    explicit LoopbackPeer(Script script) : script_(std::move(script)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackPeer() {
        thread_.join();
        ::close(listener_);
    }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    std::uint16_t Port() const { return port_; }
    // The request headers received, in order (read after the client has closed).
    const std::vector<Ncp::RequestHeader>& Requests() const { return requests_; }

    // A reply frame to request with completion code and data.
    static std::vector<std::uint8_t> ReplyTo(const Ncp::RequestHeader& request, std::uint8_t completion = 0,
                                             std::span<const std::uint8_t> data = {}) {
        Ncp::ReplyHeader header;
        header.sequence = request.sequence;
        header.connection = request.type == Ncp::PacketType::CreateConnection ? 5 : request.connection;
        header.task = request.task;
        header.completionCode = completion;
        return Ncp::EncodeReplyFrame(header, data);
    }

private:
    static bool WaitReadable(int socket) {
        pollfd watched{socket, POLLIN, 0};
        return ::poll(&watched, 1, 2000) > 0;
    }

    void Serve() {
        if (!WaitReadable(listener_))
            return;
        const int connection = ::accept(listener_, nullptr, nullptr);
        Ncp::FrameAssembler assembler(Ncp::FrameDirection::Request, Ncp::MaxFrameSize);
        std::uint8_t chunk[4096];
        bool open = true;
        while (open && WaitReadable(connection)) {
            const ssize_t received = ::recv(connection, chunk, sizeof chunk, 0);
            if (received <= 0)
                break;
            std::span<const std::uint8_t> rest(chunk, static_cast<std::size_t>(received));
            while (open && !rest.empty() && !assembler.Failed()) {
                rest = rest.subspan(assembler.Feed(rest));
                if (!assembler.HasFrame())
                    continue;
                const Ncp::Frame frame = assembler.Take();
                Ncp::ByteReader in(frame.Packet());
                const auto header = Ncp::DecodeRequestHeader(in);
                requests_.push_back(*header);
                const Answer answer = script_(*header, in.Rest());
                ::send(connection, answer.bytes.data(), answer.bytes.size(), MSG_NOSIGNAL);
                open = !answer.closeAfter;
                Repeat(connection, answer);
            }
        }
        ::close(connection);
    }

    static void Repeat(int connection, const Answer& answer) {
        if (answer.repeatEvery.count() == 0)
            return;
        const auto end = std::chrono::steady_clock::now() + RepeatLimit;
        pollfd watched{connection, POLLIN, 0};
        while (std::chrono::steady_clock::now() < end &&
               ::poll(&watched, 1, static_cast<int>(answer.repeatEvery.count())) == 0)
            if (::send(connection, answer.bytes.data(), answer.bytes.size(), MSG_NOSIGNAL) < 0)
                return;
    }

    Script script_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::vector<Ncp::RequestHeader> requests_;
};
