// Whether the transport should look for a reply before it sleeps in poll(): the same work without the look,
// with it always (50 µs), and with it only while it finds replies (the default), interleaved round by round,
// on whatever load the machine has.
//
// The demo network is served in this process on 127.0.0.1 and the NCP client attaches to it as the program
// does. Two kinds of work: a 16 MiB transfer with the transfer's CopyFile into SYS:SYSTEM of BOREAS (its
// 4096-byte blocks gathered into writes of the negotiated size), and 2000 file-server-information calls to
// ATLAS (the small exchanges a display is made of). Each is timed in wall-clock time and in the process's CPU
// time (both threads: the client's and the servers'). Prints every sample, then the median and the spread of
// each side.
//
//     SpinBench [rounds]

#include "bench/BenchSupport.h"
#include "bench/DemoAttach.h"
#include "netclient/NetworkFiles.h"
#include "netclient/SharedState.h"
#include "util/FileCopy.h"
#include "util/PlatformFileSystem.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr std::size_t FileSize = 16u * 1024u * 1024u;
constexpr int SmallCalls = 2000;
constexpr std::chrono::microseconds Spin{50};

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Sample {
    double wall = 0;
    double cpu = 0;
};

template <typename Work> Sample Measure(Work work) {
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    if (!work())
        std::exit(1);
    return {std::chrono::duration<double>(Clock::now() - start).count(), CpuSeconds() - cpu};
}

enum Side { Never, Always, WhilePaying, SideCount };
constexpr const char* SideNames[SideCount] = {"no look", "look always", "look while it pays"};

void SetSpin(NetClient::NcpClient& client, Side side) {
    for (const std::uint32_t reference : client.ConnectionRefs())
        client.SessionOfReference(reference)->Connection().SetSpinBeforeSleep(
            side == Never ? std::chrono::microseconds(0) : Spin, side == WhilePaying);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir directory;
    LoopbackDemo demo;
    NetClient::NcpClient client;
    if (!directory.isValid() || !Bench::ServeDemoAndAttach(demo, client, directory.path().toStdString()))
        return 1;
    // Bound as in the program: the copy asks the client whether a network path is a local directory too.
    BindClient(&client);
    NetClient::NetworkFiles files(client);
    Platform::BindNetworkFiles(&files);
    const std::string source = directory.filePath(QStringLiteral("BIG.NLM")).toStdString();
    {
        QFile file(QString::fromStdString(source));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(FileSize, 'x')) != FileSize)
            return 1;
    }
    std::uint32_t atlas = 0;
    if (client.OpenConnByReference(client.ConnectionRefs().front(), 2, 0, &atlas) != 0)
        return 1;

    const auto copy = [&] { return NCP_Ext::CopyFile(source, "\\\\BOREAS\\SYS\\SYSTEM\\") == 0; };
    const auto small = [&] {
        for (int i = 0; i < SmallCalls; ++i)
            if (client.NWGetFileServerInformation(atlas, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr, nullptr) != 0)
                return false;
        return true;
    };

    // [work][side]: wall and CPU samples.
    std::vector<double> wall[2][SideCount];
    std::vector<double> cpu[2][SideCount];
    for (int round = 0; round < rounds; ++round) {
        for (int work = 0; work < 2; ++work) {
            for (int turn = 0; turn < SideCount; ++turn) {
                const auto side = static_cast<Side>((round + turn) % SideCount);
                SetSpin(client, side);
                const Sample sample = work == 0 ? Measure(copy) : Measure(small);
                wall[work][side].push_back(sample.wall);
                cpu[work][side].push_back(sample.cpu);
                std::printf("round %d, %-28s %-19s %7.1f ms wall, %7.1f ms CPU\n", round + 1,
                            work == 0 ? "16 MiB transfer to BOREAS:" : "2000 small calls to ATLAS:",
                            SideNames[side], sample.wall * 1e3, sample.cpu * 1e3);
                std::fflush(stdout);
            }
        }
    }
    Platform::BindNetworkFiles(nullptr);
    BindClient(nullptr);
    std::printf("medians [spread] over %d rounds, interleaved:\n", rounds);
    for (int work = 0; work < 2; ++work)
        for (int side = 0; side < SideCount; ++side) {
            const auto w = Bench::SpreadOf(wall[work][side]);
            const auto c = Bench::SpreadOf(cpu[work][side]);
            std::printf("  %-18s %-19s wall %7.1f ms [%.1f-%.1f], CPU %7.1f ms [%.1f-%.1f]\n",
                        work == 0 ? "16 MiB transfer:" : "2000 small calls:", SideNames[side], w.median * 1e3,
                        w.low * 1e3, w.high * 1e3, c.median * 1e3, c.low * 1e3, c.high * 1e3);
        }
    return 0;
}
