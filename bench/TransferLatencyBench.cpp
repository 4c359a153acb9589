// The transfer of a 16 MiB file over a 50 ms round trip: the round trips it costs, against those of 4 KiB
// writes (the transfer before large packets), and its time against the floor of its round trips x 50 ms.
//
// Two demo networks are served in this process on 127.0.0.1. On the first every reply is delayed by 50 ms
// (the program's --demo-latency 50); the client negotiates big packets there (97) and the network file layer
// gathers the copy's 4096-byte blocks into writes of that size. On the second BOREAS refuses 97, so the
// client falls back to 33 and 4 KiB, one write per block, as before; it runs without delay, since at 50 ms
// it would take minutes and its round trips do not depend on the delay. The two sides alternate, the first
// of each round changing every round. Each copy is the transfer's CopyFile into SYS:SYSTEM of BOREAS.

#include "bench/BenchSupport.h"
#include "netclient/NcpClient.h"
#include "netclient/NetworkFiles.h"
#include "network/LoopbackDemo.h"
#include "util/FileCopy.h"
#include "util/PlatformFileSystem.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t FileSize = 16u * 1024u * 1024u;
constexpr std::chrono::milliseconds Latency{50};
constexpr int Rounds = 5;
constexpr double RoundTripGoal = 1.0 / 16.0;

using Clock = std::chrono::steady_clock;

// One demo network with a client attached to it and the client's network file layer.
struct Network {
    LoopbackDemo demo;
    NetClient::NcpClient client;
    NetClient::NetworkFiles files{client};

    bool Start(const std::string& volumes, std::chrono::milliseconds latency, bool refuseBigPackets) {
        Emulator::NcpServer::Options options;
        options.replyLatency = latency;
        std::string error;
        if (!demo.Start(volumes, error, options)) {
            std::fprintf(stderr, "demo network: %s\n", error.c_str());
            return false;
        }
        if (refuseBigPackets && !demo.Network().FailFunction("BOREAS", "97", 0xFB))
            return false;
        return demo.AttachClient(client).empty();
    }
    std::string Written() {
        return demo.FindServer("BOREAS")->ServerVolumes().SystemDirectory().string() + "/SOURCE.NLM";
    }
};

off_t SizeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

void PrintSide(const char* name, const std::vector<double>& trips, const std::vector<double>& times) {
    const auto [low, high] = std::minmax_element(times.begin(), times.end());
    std::printf("%-40s %11.0f %10.0f %8.0f..%-8.0f\n", name, Bench::Median(trips), Bench::Median(times), *low,
                *high);
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
    enum Side : std::size_t { Gathered, FourKiB, SideCount };
    std::array<Network, SideCount> networks;
    if (!networks[Gathered].Start(directory + "/wan", Latency, false) ||
        !networks[FourKiB].Start(directory + "/lan", std::chrono::milliseconds(0), true)) {
        std::fprintf(stderr, "the demo networks did not attach\n");
        return 1;
    }
    constexpr std::array<const char*, SideCount> names{"97, gathered writes, 50 ms round trip",
                                                       "33 at 4 KiB, one write per block, no delay"};
    std::array<std::vector<double>, SideCount> trips;
    std::array<std::vector<double>, SideCount> times;
    for (int round = 0; round < Rounds; ++round) {
        for (std::size_t turn = 0; turn < SideCount; ++turn) {
            const std::size_t side = (static_cast<std::size_t>(round) + turn) % SideCount;
            Network& network = networks[side];
            BindClient(&network.client);
            Platform::BindNetworkFiles(&network.files);
            const std::uint64_t before = network.client.RoundTrips();
            const auto start = Clock::now();
            const bool ok = NCP_Ext::CopyFile(source, "\\\\BOREAS\\SYS\\SYSTEM\\") == 0;
            const auto elapsed = Clock::now() - start;
            Platform::BindNetworkFiles(nullptr);
            BindClient(nullptr);
            if (!ok || SizeOf(network.Written()) != static_cast<off_t>(FileSize)) {
                std::fprintf(stderr, "%s failed\n", names[side]);
                return 1;
            }
            trips[side].push_back(static_cast<double>(network.client.RoundTrips() - before));
            times[side].push_back(std::chrono::duration<double, std::milli>(elapsed).count());
        }
    }

    std::printf("CopyFile of 16 MiB into \\\\BOREAS\\SYS\\SYSTEM, %d rounds per side, alternating\n\n",
                Rounds);
    std::printf("%-40s %11s %10s %18s\n", "transfer", "round trips", "median ms", "min..max ms");
    PrintSide(names[Gathered], trips[Gathered], times[Gathered]);
    PrintSide(names[FourKiB], trips[FourKiB], times[FourKiB]);
    const double tripRatio = Bench::Median(trips[Gathered]) / Bench::Median(trips[FourKiB]);
    const double floor = Bench::Median(trips[Gathered]) * static_cast<double>(Latency.count());
    std::printf("\nround trips / those of 4 KiB writes: %.4f = 1/%.1f (goal at most 1/16) %s\n", tripRatio,
                1.0 / tripRatio, tripRatio <= RoundTripGoal ? "met" : "MISSED");
    std::printf("time / (round trips x %lld ms = %.0f ms): %.2f\n", static_cast<long long>(Latency.count()),
                floor, Bench::Median(times[Gathered]) / floor);
    std::printf("4 KiB writes at %lld ms would take at least %.0f s\n",
                static_cast<long long>(Latency.count()),
                Bench::Median(trips[FourKiB]) * static_cast<double>(Latency.count()) / 1000.0);
    return 0;
}
