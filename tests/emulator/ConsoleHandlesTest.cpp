#include "emulator/ConsoleModule.h"
#include "emulator/ServerConsole.h"
#include "ncp/StatusCodes.h"

#include <QTest>

#include <memory>
#include <set>

using Emulator::ConsoleModule;
using Emulator::ServerConsole;

namespace {

std::vector<std::uint8_t> OpenRequest(std::uint32_t reference) {
    std::vector<std::uint8_t> request{0x15, 0x40, 0x00};
    for (int i = 0; i < 4; ++i)
        request.push_back(static_cast<std::uint8_t>(reference >> (8 * i)));
    return request;
}

std::vector<std::uint8_t> SelectRequest(std::int32_t handle) {
    std::vector<std::uint8_t> request{0x16, 0x40};
    for (int i = 0; i < 4; ++i)
        request.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(handle) >> (8 * i)));
    return request;
}

std::int32_t HandleOf(const std::vector<std::uint8_t>& reply) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && i < reply.size(); ++i)
        value |= static_cast<std::uint32_t>(reply[i]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

} // namespace

// The handles a server's console module gives out: a client left running for a month opens a screen before
// every display, and the server must not hold more handles for it.
class ConsoleHandlesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensReuseTheScreensHandle_data() {
        QTest::addColumn<int>("screens");
        QTest::addColumn<int>("displays");
        QTest::addRow("one screen, a day of displays every minute") << 1 << 1440;
        QTest::addRow("three screens taken in turn") << 3 << 3000;
        QTest::addRow("many screens") << 40 << 4000;
    }
    void opensReuseTheScreensHandle() {
        QFETCH(int, screens);
        QFETCH(int, displays);
        ServerConsole console;
        std::vector<std::uint32_t> references;
        for (int i = 0; i < screens; ++i)
            references.push_back(console.AddScreen(std::make_unique<Emulator::TextScreen>(
                "Screen " + std::to_string(i), std::vector<std::string>{})));
        // Two connections use the module, as two workstations would.
        ConsoleModule module(console);
        std::set<std::int32_t> seen;
        std::vector<std::uint8_t> reply;
        for (int display = 0; display < displays; ++display) {
            const std::uint32_t connection = display % 2 == 0 ? 1 : 2;
            QCOMPARE(
                module.HandleRequest(
                    connection, OpenRequest(references[static_cast<std::size_t>(display % screens)]), reply),
                StatusCodes::Success);
            const std::int32_t handle = HandleOf(reply);
            QVERIFY(handle != 0 && handle != -1);
            QCOMPARE(module.HandleRequest(connection, SelectRequest(handle), reply), StatusCodes::Success);
            seen.insert(handle);
        }
        QCOMPARE(seen.size(), static_cast<std::size_t>(screens));
        QCOMPARE(console.HandleCount(), static_cast<std::size_t>(screens));
    }

    // A removed screen's handle goes with it and is refused; the others stay valid.
    void removedScreensGiveTheirHandlesBack() {
        ServerConsole console;
        const std::uint32_t kept =
            console.AddScreen(std::make_unique<Emulator::TextScreen>("Kept", std::vector<std::string>{}));
        const std::uint32_t gone =
            console.AddScreen(std::make_unique<Emulator::TextScreen>("Gone", std::vector<std::string>{}));
        const std::int32_t keptHandle = console.Open(kept);
        const std::int32_t goneHandle = console.Open(gone);
        QVERIFY(keptHandle != goneHandle);
        console.RemoveScreen(gone);
        QCOMPARE(console.HandleCount(), std::size_t{1});
        QVERIFY(!console.Select(1, goneHandle));
        QVERIFY(console.Select(1, keptHandle));
        QCOMPARE(console.Open(gone), -1);
        const std::uint32_t again =
            console.AddScreen(std::make_unique<Emulator::TextScreen>("Again", std::vector<std::string>{}));
        const std::int32_t againHandle = console.Open(again);
        QVERIFY(againHandle != keptHandle && againHandle != 0 && againHandle != -1);
        QCOMPARE(console.HandleCount(), std::size_t{2});
    }
};

QTEST_GUILESS_MAIN(ConsoleHandlesTest)
#include "ConsoleHandlesTest.moc"
