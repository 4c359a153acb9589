// One typed character on the Server Screen page over a 50 ms round trip: the round trips it costs and its
// time against the floor of 9 round trips (the key, the list request, open, select and five row reads).
//
// The demo network is served in this process on 127.0.0.1 with every reply delayed by 50 ms (the program's
// --demo-latency 50), the NCP client attached to it as the program does, and the main window shown on its
// Server Screen page (ATLAS, System Console). A character is put into EditKey, which runs the handler as a
// user's typing does: look-ups of QV_EXT, the key request, the display of the screen. Two sides alternate,
// the first of each round changing every round: the client as built (extension look-ups answered from the
// connection's memory within a second) and the same client with that memory kept stale by its clock (every
// look-up asks the server, as before the memory). Each side types one key unmeasured, then Keys measured.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/widgets/TabbedNotebook.h"
#include "bench/BenchSupport.h"
#include "bench/DemoAttach.h"
#include "netclient/ClientLibrary.h"
#include "netclient/NcpClient.h"
#include "netclient/SharedState.h"
#include "network/LoopbackDemo.h"
#include "util/Settings.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int Rounds = 5;
constexpr int Keys = 3;
constexpr std::chrono::milliseconds Latency{50};
constexpr double RoundTripGoal = 9;
constexpr double TimeGoal = 1.1;

using Clock = std::chrono::steady_clock;

struct Key {
    double milliseconds = 0;
    double roundTrips = 0;
};

Key TypeOne(TMainForm& form, NetClient::NcpClient& client) {
    QCoreApplication::processEvents();
    const std::uint64_t before = client.RoundTrips();
    const auto start = Clock::now();
    form.EditKey->setText(QStringLiteral("a"));
    const auto elapsed = Clock::now() - start;
    return {std::chrono::duration<double, std::milli>(elapsed).count(),
            static_cast<double>(client.RoundTrips() - before)};
}

void PrintSide(const char* name, const std::vector<Key>& keys) {
    std::vector<double> times;
    std::vector<double> trips;
    for (const Key& key : keys) {
        times.push_back(key.milliseconds);
        trips.push_back(key.roundTrips);
    }
    const auto [low, high] = std::minmax_element(times.begin(), times.end());
    const auto [fewest, most] = std::minmax_element(trips.begin(), trips.end());
    std::printf("%-36s %6.0f..%-4.0f %9.1f %7.1f..%-7.1f %8.2f\n", name, *fewest, *most, Bench::Median(times),
                *low, *high, Bench::Median(times) / (RoundTripGoal * static_cast<double>(Latency.count())));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir temporary;
    const std::string directory = Bench::DirectoryOf(temporary);
    if (directory.empty())
        return 1;
    NetUtil::SetSettingsDirectory(directory + "/settings");
    LoopbackDemo demo;
    Emulator::NcpServer::Options options;
    options.replyLatency = Latency;
    NetClient::NcpClient client;
    if (!Bench::ServeDemoAndAttach(demo, client, directory, options))
        return 1;
    BindClient(&client);
    QtMessageBoxPresenter boxes;
    NetUtil::BindMessageBoxPresenter(&boxes);

    enum Side : std::size_t { WithMemory, WithoutMemory, SideCount };
    constexpr std::array<const char*, SideCount> names{"look-ups remembered for 1 s",
                                                       "every look-up asked (as before)"};
    std::array<std::vector<Key>, SideCount> keys;
    {
        TMainForm form;
        form.show();
        if (!Bench::WaitUntilExposed(form, std::chrono::seconds(20))) {
            std::fprintf(stderr, "main window not exposed\n");
            return 1;
        }
        form.TabbedNotebook1->setPageIndex(2);
        QCoreApplication::processEvents();
        if (CurrentConn == 0 || form.TabbedNotebook1->pageIndex() != 2) {
            std::fprintf(stderr, "no server chosen or no Server Screen page\n");
            return 1;
        }
        for (int round = 0; round < Rounds; ++round) {
            for (std::size_t turn = 0; turn < SideCount; ++turn) {
                const std::size_t side = (static_cast<std::size_t>(round) + turn) % SideCount;
                if (side == WithMemory)
                    client.SetClock([] { return Clock::now(); });
                else // a clock that is a second further on at every reading: nothing remembered is young
                    client.SetClock(
                        [moment = Clock::now()]() mutable { return moment += std::chrono::seconds(1); });
                TypeOne(form, client);
                for (int key = 0; key < Keys; ++key)
                    keys[side].push_back(TypeOne(form, client));
            }
        }
    }
    NetUtil::BindMessageBoxPresenter(nullptr);
    BindClient(nullptr);

    std::printf(
        "one typed character on the Server Screen page, demo latency %lld ms; %d rounds x %d keys per "
        "side, alternating\n\n",
        static_cast<long long>(Latency.count()), Rounds, Keys);
    std::printf("%-36s %12s %9s %16s %8s\n", "client", "round trips", "median ms", "min..max ms", "/ 9 RTT");
    PrintSide(names[WithMemory], keys[WithMemory]);
    PrintSide(names[WithoutMemory], keys[WithoutMemory]);
    std::vector<double> trips;
    std::vector<double> times;
    for (const Key& key : keys[WithMemory]) {
        trips.push_back(key.roundTrips);
        times.push_back(key.milliseconds);
    }
    const double ratio = Bench::Median(times) / (RoundTripGoal * static_cast<double>(Latency.count()));
    std::printf(
        "\nround trips per key: %.0f (goal %.0f) %s; time / (9 x %lld ms): %.2f (goal at most %.2f) %s\n",
        Bench::Median(trips), RoundTripGoal, Bench::Median(trips) <= RoundTripGoal ? "met" : "MISSED",
        static_cast<long long>(Latency.count()), ratio, TimeGoal, ratio <= TimeGoal ? "met" : "MISSED");
    return 0;
}
