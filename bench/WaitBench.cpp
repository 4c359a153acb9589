// The longest time the window's thread does not turn its event loop while a handler waits for a hung server.
//
// The demo network is served in this process on 127.0.0.1; the NCP client attaches to ATLAS through a relay
// that can freeze: from then on it takes the client's requests and passes none on, as a server that accepts
// TCP and never answers. A handler (a zero-time timer's slot on the window's thread) then asks for the file
// server information and waits the attachment's whole time limit (10 s unless given). A timer probe of 1 ms
// on the same thread records the longest gap between its ticks while the handler runs. Two sides alternate,
// in turn order changed every round: the window's WaitBox bound as the client's wait observer (the program),
// and no observer (a handler that only blocks). Prints every sample, then the median and the spread.
//
//     WaitBench [rounds] [time limit in seconds]

#include "app/WaitBox.h"
#include "bench/BenchSupport.h"
#include "netclient/ClientLibrary.h"
#include "netclient/NcpClient.h"
#include "network/LoopbackDemo.h"
#include "tests/support/ServerRelay.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr qint64 GoalMilliseconds = 100;

// One handler's wait on the frozen server: the longest gap between the probe's ticks, in milliseconds.
qint64 LongestGap(LoopbackDemo& demo, std::uint32_t timeoutSeconds, bool observed) {
    NetClient::Attachment attachment = demo.Attachments(timeoutSeconds).front();
    ServerRelay relay(attachment.port);
    attachment.port = relay.Port();
    NetClient::NcpClient client;
    NetClient::FixedPasswords passwords = demo.Passwords();
    if (!client.AttachAll({attachment}, passwords).empty())
        return -1;
    std::uint32_t handle = 0;
    if (client.OpenConnByReference(client.ConnectionRefs().front(), ClientLibrary::OpenModeLater, 0,
                                   &handle) != 0)
        return -1;

    QWidget window;
    window.resize(400, 300);
    window.show();
    WaitBox waitBox(&window);
    if (observed)
        client.SetWaitObserver(&waitBox);

    QElapsedTimer sinceTick;
    qint64 longest = 0;
    bool handlerRunning = false;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (handlerRunning)
            longest = std::max(longest, sinceTick.elapsed());
        sinceTick.start();
    });
    probe.start();
    bool done = false;
    std::uint16_t status = 0;
    QTimer::singleShot(20, &window, [&] {
        relay.Freeze(true);
        handlerRunning = true;
        sinceTick.start();
        char name[ClientLibrary::FileServerNameSize] = {};
        status = client.NWGetFileServerInformation(handle, name, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                   nullptr, nullptr, nullptr, nullptr);
        longest = std::max(longest, sinceTick.elapsed());
        handlerRunning = false;
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    client.SetWaitObserver(nullptr);
    return status == 0x8805 ? longest : -1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const auto timeoutSeconds = static_cast<std::uint32_t>(argc > 2 ? std::max(1, std::atoi(argv[2])) : 10);

    QTemporaryDir volumes;
    LoopbackDemo demo;
    std::string error;
    if (!volumes.isValid() || !demo.Start(volumes.path().toStdString(), error)) {
        std::fprintf(stderr, "WaitBench: the demo network could not be served: %s\n", error.c_str());
        return 1;
    }

    std::vector<qint64> observed;
    std::vector<qint64> blocking;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool withObserver = (round + turn) % 2 == 0;
            const qint64 gap = LongestGap(demo, timeoutSeconds, withObserver);
            if (gap < 0) {
                std::fprintf(stderr, "WaitBench: the hung call did not time out as expected\n");
                return 1;
            }
            (withObserver ? observed : blocking).push_back(gap);
            std::printf("round %d, %-12s longest stall %6lld ms\n", round + 1,
                        withObserver ? "wait box:" : "no observer:", static_cast<long long>(gap));
            std::fflush(stdout);
        }
    }
    const auto withBox = Bench::SpreadOf(observed);
    const auto without = Bench::SpreadOf(blocking);
    std::printf(
        "handler waiting %u s for a hung server, %d rounds, longest time the event loop is not turned:\n",
        timeoutSeconds, rounds);
    std::printf("  with the wait box: median %lld ms [%lld-%lld] (goal at most %lld ms)\n",
                static_cast<long long>(withBox.median), static_cast<long long>(withBox.low),
                static_cast<long long>(withBox.high), static_cast<long long>(GoalMilliseconds));
    std::printf("  blocking handler:  median %lld ms [%lld-%lld]\n", static_cast<long long>(without.median),
                static_cast<long long>(without.low), static_cast<long long>(without.high));
    return withBox.median <= GoalMilliseconds ? 0 : 2;
}
