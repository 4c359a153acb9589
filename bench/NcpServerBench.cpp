// The demo servers' NCP loop under load: 32 concurrent loopback clients, each logged in to ATLAS, sending a
// mix of 23/17 (server information) and console row reads (37, 800-byte replies), against a bare loopback
// echo server that answers every frame with a reply frame of the same size as the real one, run the same
// way in the same process. Prints requests per second and the p50/p99 latency of both, and their ratio.

#include "emulator/DemoNetwork.h"
#include "emulator/NcpServer.h"
#include "emulator/UniqueFd.h"
#include "ncp/BinderyCodecs.h"
#include "ncp/ClientConnection.h"
#include "ncp/ConnectionCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/PasswordCipher.h"
#include "ncp/RequestBody.h"
#include "ncp/TcpFrame.h"

#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Clients = 32;
constexpr int RequestsPerClient = 2000;
constexpr std::uint16_t BufferSize = 4096;

// The reply data sizes of the two requests: 23/17 answers 128 bytes, a row read 2 + 800.
constexpr std::size_t ServerInformationReply = 128;
constexpr std::size_t RowReadReply = 2 + 800;

template <typename Request> std::vector<std::uint8_t> Body(const Request& request) {
    const auto packet = Ncp::EncodeRequest(Ncp::RequestHeader{}, request);
    return std::vector<std::uint8_t>(packet->begin() + Ncp::RequestHeader::Size, packet->end());
}

// A bare echo server: one poll() thread that answers each request frame with a reply of the size the real
// server gives (the create request with a connection number, the rest with zero bytes).
class EchoServer {
public:
    EchoServer() {
        listener_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_.Get(), 64);
        ::getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~EchoServer() {
        stop_ = true;
        thread_.join();
    }
    std::uint16_t Port() const { return port_; }

private:
    struct Peer {
        Emulator::UniqueFd socket;
        Ncp::FrameAssembler assembler{Ncp::FrameDirection::Request, Ncp::MaxFrameSize};
        std::uint16_t connection = 0;
    };

    void Run() {
        std::vector<std::unique_ptr<Peer>> peers;
        std::vector<std::uint8_t> buffer(16384);
        std::uint16_t nextConnection = 1;
        while (!stop_) {
            std::vector<pollfd> polled{pollfd{listener_.Get(), POLLIN, 0}};
            for (const auto& peer : peers)
                polled.push_back(pollfd{peer->socket.Get(), POLLIN, 0});
            if (::poll(polled.data(), polled.size(), 50) <= 0)
                continue;
            if ((polled[0].revents & POLLIN) != 0)
                while (true) {
                    Emulator::UniqueFd socket(
                        ::accept4(listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
                    if (!socket.Valid())
                        break;
                    const int noDelay = 1;
                    ::setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
                    auto peer = std::make_unique<Peer>();
                    peer->socket = std::move(socket);
                    peer->connection = nextConnection++;
                    peers.push_back(std::move(peer));
                }
            for (std::size_t i = 1; i < polled.size(); ++i) {
                if (polled[i].revents == 0)
                    continue;
                Peer& peer = *peers[i - 1];
                const ssize_t count = ::recv(peer.socket.Get(), buffer.data(), buffer.size(), 0);
                if (count <= 0) {
                    peer.socket.Reset();
                    continue;
                }
                Answer(peer, std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(count)));
            }
            std::erase_if(peers, [](const std::unique_ptr<Peer>& peer) { return !peer->socket.Valid(); });
        }
    }

    static void Answer(Peer& peer, std::span<const std::uint8_t> bytes) {
        std::vector<std::uint8_t> output;
        while (!bytes.empty() && !peer.assembler.Failed()) {
            bytes = bytes.subspan(peer.assembler.Feed(bytes));
            if (!peer.assembler.HasFrame())
                continue;
            const Ncp::Frame frame = peer.assembler.Take();
            Ncp::ByteReader reader(frame.Packet());
            const auto request = Ncp::DecodeRequestHeader(reader);
            Ncp::ReplyHeader header;
            header.sequence = request->sequence;
            header.connection = peer.connection;
            header.task = request->task;
            std::size_t size = 0;
            if (request->function == 23)
                size = ServerInformationReply;
            else if (request->function == 37)
                size = RowReadReply;
            else if (request->function == 33)
                size = 2;
            std::vector<std::uint8_t> data(size, 0);
            if (request->function == 33) {
                data[0] = BufferSize >> 8;
                data[1] = BufferSize & 0xFF;
            }
            const auto reply = Ncp::EncodeReplyFrame(header, data);
            output.insert(output.end(), reply.begin(), reply.end());
        }
        std::size_t sent = 0;
        while (sent < output.size()) {
            const ssize_t count =
                ::send(peer.socket.Get(), output.data() + sent, output.size() - sent, MSG_NOSIGNAL);
            if (count > 0)
                sent += static_cast<std::size_t>(count);
            else if (count < 0 && errno != EAGAIN && errno != EINTR)
                break;
        }
    }

    Emulator::UniqueFd listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Result {
    double requestsPerSecond = 0;
    double p50Microseconds = 0;
    double p99Microseconds = 0;
    int failures = 0;
};

// What one client thread sends: alternately 23/17 and a read of five console rows.
struct Workload {
    std::vector<std::uint8_t> serverInformation = Body(Ncp::GetFileServerInformationRequest{});
    std::vector<std::uint8_t> rowRead;
    std::vector<std::uint8_t>
        select; // sent once by each logged-in client: a screen is selected per connection
};

bool LogIn(Ncp::ClientConnection& connection) {
    Ncp::Reply reply;
    Ncp::GetLoginKeyReply key;
    Ncp::BinderyObjectReply object;
    if (connection.Call(23, Body(Ncp::GetLoginKeyRequest{}), reply) != 0 ||
        !Ncp::ParseReplyData(reply.data, key))
        return false;
    if (connection.Call(23, Body(Ncp::GetBinderyObjectIdRequest{Ncp::ObjectTypeUser, "ADMIN"}), reply) != 0 ||
        !Ncp::ParseReplyData(reply.data, object))
        return false;
    Ncp::KeyedObjectLoginRequest login;
    login.response = Ncp::LoginResponseFor(key.key, Ncp::HashPassword(object.objectId, "acme"));
    login.objectName = "ADMIN";
    return connection.Call(23, Body(login), reply) == 0;
}

Result Run(std::uint16_t port, const Workload& workload, bool logIn) {
    std::vector<std::vector<double>> latencies(Clients);
    std::atomic<int> failures{0};
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int client = 0; client < Clients; ++client)
        threads.emplace_back([&, client] {
            Ncp::ClientConnection connection;
            connection.SetSpinBeforeSleep(std::chrono::microseconds(0)); // 32 clients share two cores
            std::uint16_t accepted = 0;
            Ncp::Reply selected;
            const bool open =
                connection.Open("127.0.0.1", port) == 0 &&
                (!logIn || (LogIn(connection) && connection.Call(37, workload.select, selected) == 0)) &&
                connection.NegotiateBufferSize(BufferSize, accepted) == 0;
            if (!open)
                ++failures;
            ++ready;
            while (!go)
                std::this_thread::yield();
            std::vector<double>& mine = latencies[static_cast<std::size_t>(client)];
            mine.reserve(RequestsPerClient);
            Ncp::Reply reply;
            for (int i = 0; open && i < RequestsPerClient; ++i) {
                const bool rows = (i % 2) == 1;
                const auto started = Clock::now();
                const std::uint16_t status = connection.Call(
                    rows ? 37 : 23, rows ? workload.rowRead : workload.serverInformation, reply);
                mine.push_back(std::chrono::duration<double, std::micro>(Clock::now() - started).count());
                if (status != 0)
                    ++failures;
            }
            connection.Close();
        });
    while (ready < Clients)
        std::this_thread::yield();
    const auto started = Clock::now();
    go = true;
    for (std::thread& thread : threads)
        thread.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::vector<double> all;
    for (const auto& mine : latencies)
        all.insert(all.end(), mine.begin(), mine.end());
    std::sort(all.begin(), all.end());
    Result result;
    result.failures = failures;
    if (all.empty())
        return result;
    result.requestsPerSecond = static_cast<double>(all.size()) / seconds;
    result.p50Microseconds = all[all.size() / 2];
    result.p99Microseconds = all[all.size() * 99 / 100];
    return result;
}

void Print(const char* name, const Result& result) {
    std::printf("%-22s %10.0f requests/s   p50 %7.1f us   p99 %7.1f us   failures %d\n", name,
                result.requestsPerSecond, result.p50Microseconds, result.p99Microseconds, result.failures);
}

} // namespace

int main() {
    QTemporaryDir volumes;
    std::vector<Emulator::DemoServer> servers = Emulator::MakeDemoServers(volumes.path().toStdString());
    Emulator::NcpServer ncp;
    for (auto& demo : servers) {
        // Every client logs in as ADMIN: one user holds them all.
        Emulator::ServerLimits limits = demo.server->Limits();
        limits.connectionsPerUser = Clients + 1;
        demo.server->SetLimits(limits);
        ncp.AddServer(*demo.server);
    }
    std::string error;
    if (!ncp.Start(&error)) {
        std::fprintf(stderr, "servers not started: %s\n", error.c_str());
        return 1;
    }

    // The handle of the first console screen, which every client selects before it reads its rows.
    Workload workload;
    {
        Ncp::ClientConnection setup;
        Ncp::Reply reply;
        Ncp::ExtensionInfoReply console;
        if (setup.Open("127.0.0.1", ncp.Port("ATLAS")) != 0 || !LogIn(setup) ||
            setup.Call(36, Body(Ncp::ExtensionInfoByNameRequest{"QV_EXT"}), reply) != 0 ||
            !Ncp::ParseReplyData(reply.data, console)) {
            std::fprintf(stderr, "console extension not reached\n");
            return 1;
        }
        std::int32_t handle = 0;
        ncp.Call([&] {
            Emulator::Server& atlas = *servers.front().server;
            handle = atlas.Console().Open(atlas.Console().FirstReference());
        });
        std::vector<std::uint8_t> select{0x16, 0x40};
        for (int i = 0; i < 4; ++i)
            select.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(handle) >> (8 * i)));
        workload.select = Body(Ncp::ExecuteExtensionRequest{console.number, 1, select});
        workload.rowRead = Body(Ncp::ExecuteExtensionRequest{console.number, 800, {0x1C, 0x40, 0, 0, 0, 0}});
    }

    EchoServer echo;
    std::printf("%d clients, %d requests each (23/17 and 800-byte console row reads alternately)\n", Clients,
                RequestsPerClient);
    const Result echoed = Run(echo.Port(), workload, false);
    const Result served = Run(ncp.Port("ATLAS"), workload, true);
    Print("echo server", echoed);
    Print("demo server (ATLAS)", served);
    if (echoed.requestsPerSecond > 0)
        std::printf("throughput ratio (demo / echo): %.2f (goal: at least 0.50)\n",
                    served.requestsPerSecond / echoed.requestsPerSecond);
    ncp.Stop();
    return served.failures == 0 && echoed.failures == 0 ? 0 : 1;
}
