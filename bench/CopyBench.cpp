// The transfer over NCP against the least any transfer of the same pieces over loopback TCP must do.
//
// A 64 MiB file is copied with the transfer's CopyFile (4096-byte blocks) into SYS:SYSTEM of BOREAS, a demo
// server served in this process on 127.0.0.1, through the NCP client and its network file layer: create
// beside the destination, the blocks gathered into function-73 writes of the negotiated buffer (97: 65 472
// bytes), close, set the time, rename. (The floor below still sends 4096-byte pieces: the figure no longer
// compares like with like, and TransferLatencyBench counts the round trips.) The floor is a bare
// request/reply loop over a loopback TCP connection: the client reads the same file in 4096-byte pieces and
// sends each in a frame of a write request's size, a server thread writes it to a file and answers with a
// frame of a write reply's size, and the client waits for that answer before the next piece. Page cache
// warm for both; rounds alternate. Also printed, for reference: the same CopyFile between two local files.

#include "bench/BenchSupport.h"
#include "bench/DemoAttach.h"
#include "netclient/NcpClient.h"
#include "netclient/NetworkFiles.h"
#include "network/LoopbackDemo.h"
#include "util/FileCopy.h"
#include "util/PlatformFileSystem.h"

#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t FileSize = 64u * 1024u * 1024u;
constexpr std::size_t Piece = 4096;
// A function-73 write request frame: 16-byte TCP header, 7-byte request header, 13 bytes of fields; its reply
// frame: 8-byte TCP header and 8-byte reply header.
constexpr std::size_t RequestOverhead = 16 + 7 + 13;
constexpr std::size_t ReplySize = 16;
constexpr int Rounds = 5;
constexpr double Goal = 1.5;

using Clock = std::chrono::steady_clock;

bool ReadExactly(int fd, char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::read(fd, buffer + done, size - done);
        if (count <= 0)
            return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

bool WriteAll(int fd, const char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::send(fd, buffer + done, size - done, MSG_NOSIGNAL);
        if (count <= 0)
            return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// The floor: pieces of the file sent over loopback TCP one request/reply at a time, stored by the peer.
bool BareLoop(const std::string& source, const std::string& destination) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    bool served = false;
    std::thread server([&] {
        const int peer = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        const int out = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int one = 1;
        ::setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::vector<char> frame(RequestOverhead + Piece);
        std::array<char, ReplySize> reply{};
        std::size_t received = 0;
        bool ok = peer >= 0 && out >= 0;
        while (ok && received < FileSize) {
            ok = ReadExactly(peer, frame.data(), frame.size()) &&
                 ::pwrite(out, frame.data() + RequestOverhead, Piece, static_cast<off_t>(received)) ==
                     static_cast<ssize_t>(Piece) &&
                 WriteAll(peer, reply.data(), reply.size());
            received += Piece;
        }
        served = ok && ::close(out) == 0;
        if (peer >= 0)
            ::close(peer);
    });
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = client >= 0 && in >= 0 && ::connect(client, reinterpret_cast<sockaddr*>(&address), length) == 0;
    std::vector<char> frame(RequestOverhead + Piece);
    std::array<char, ReplySize> reply{};
    for (std::size_t sent = 0; ok && sent < FileSize; sent += Piece)
        ok = ReadExactly(in, frame.data() + RequestOverhead, Piece) &&
             WriteAll(client, frame.data(), frame.size()) && ReadExactly(client, reply.data(), reply.size());
    if (in >= 0)
        ::close(in);
    if (client >= 0)
        ::shutdown(client, SHUT_RDWR);
    server.join();
    if (client >= 0)
        ::close(client);
    ::close(listener);
    return ok && served;
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

off_t SizeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

} // namespace

int main() {
    QTemporaryDir temporary;
    const std::string directory = Bench::DirectoryOf(temporary);
    if (directory.empty())
        return 1;
    const std::string source = directory + "/SOURCE.NLM";
    if (!Bench::WriteRandomFile(source, FileSize)) {
        std::fprintf(stderr, "cannot prepare %s\n", source.c_str());
        return 1;
    }

    LoopbackDemo demo;
    NetClient::NcpClient client;
    if (!Bench::ServeDemoAndAttach(demo, client, directory))
        return 1;
    // Bound as in the program: the copy asks the client whether a network path is a local directory too.
    BindClient(&client);
    NetClient::NetworkFiles networkFiles(client);
    Platform::BindNetworkFiles(&networkFiles);
    const std::string onServer =
        demo.FindServer("BOREAS")->ServerVolumes().SystemDirectory().string() + "/SOURCE.NLM";

    enum Contender : std::size_t { OverNcp, Bare, Local, ContenderCount };
    constexpr std::array<const char*, ContenderCount> names{"CopyFile to \\\\BOREAS\\SYS\\SYSTEM over NCP",
                                                            "bare loopback request/reply loop",
                                                            "CopyFile, local to local (reference)"};
    std::array<std::vector<double>, ContenderCount> times;
    for (int round = 0; round < Rounds; ++round) {
        for (std::size_t turn = 0; turn < ContenderCount; ++turn) {
            const std::size_t which = (static_cast<std::size_t>(round) + turn) % ContenderCount;
            const std::uint64_t roundTrips = client.RoundTrips();
            const auto start = Clock::now();
            bool ok = false;
            std::string written;
            switch (which) {
            case OverNcp:
                ok = NCP_Ext::CopyFile(source, "\\\\BOREAS\\SYS\\SYSTEM\\") == 0;
                written = onServer;
                break;
            case Bare:
                written = directory + "/BARE.NLM";
                ok = BareLoop(source, written);
                break;
            case Local:
                written = directory + "/LOCAL.NLM";
                ok = NCP_Ext::CopyFile(source, written) == 0;
                break;
            }
            const auto elapsed = Clock::now() - start;
            if (!ok || SizeOf(written) != static_cast<off_t>(FileSize)) {
                std::fprintf(stderr, "%s failed\n", names[which]);
                return 1;
            }
            if (which == OverNcp && round == 0)
                std::printf("NCP round trips per transfer: %llu\n",
                            static_cast<unsigned long long>(client.RoundTrips() - roundTrips));
            times[which].push_back(Milliseconds(elapsed));
        }
    }
    Platform::BindNetworkFiles(nullptr);
    BindClient(nullptr);

    std::printf("file: 64 MiB in 4096-byte pieces, %d rounds each (alternating), page cache warm\n", Rounds);
    for (std::size_t which = 0; which < ContenderCount; ++which)
        std::printf("%-44s median %8.1f ms\n", names[which], Bench::Median(times[which]));
    const double ratio = Bench::Median(times[OverNcp]) / Bench::Median(times[Bare]);
    std::printf("ratio NCP transfer / bare loop: %.2f (goal: at most %.2f) %s\n", ratio, Goal,
                ratio <= Goal ? "met" : "MISSED");
    return 0;
}
