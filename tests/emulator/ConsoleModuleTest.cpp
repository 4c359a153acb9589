#include "EmulatorTestSupport.h"

#include "emulator/ConsoleScreen.h"

#include <QObject>
#include <QTest>

using namespace EmulatorTest;
using Emulator::ConsoleFault;

// The six console messages of the "QV_EXT" extension at byte level, through the server's extension registry.
class ConsoleModuleTest final : public QObject {
    Q_OBJECT

    static QByteArray Name(const std::vector<std::uint8_t>& reply) {
        return QByteArray(reinterpret_cast<const char*>(reply.data()) + 8);
    }

    // The references of the screen walk, at most limit of them.
    static std::vector<std::uint32_t> Walk(ConsoleNetwork& network, std::size_t limit = 20) {
        std::vector<std::uint32_t> references;
        std::uint32_t previous = 0;
        while (references.size() < limit) {
            const Reply reply = network.Send(LE32(0x4019, previous));
            if (reply.status != 0 || ReadLE32(reply.bytes, 0) == 0)
                break;
            previous = ReadLE32(reply.bytes, 0);
            references.push_back(previous);
        }
        return references;
    }

    static std::int32_t OpenAndSelect(ConsoleNetwork& network, const char* screenName) {
        std::uint32_t previous = 0;
        for (int i = 0; i < 20; ++i) {
            const Reply list = network.Send(LE32(0x4019, previous));
            previous = ReadLE32(list.bytes, 0);
            if (previous == 0)
                return 0;
            if (Name(list.bytes) == screenName)
                break;
        }
        std::vector<std::uint8_t> open{0x15, 0x40, 0x00};
        for (int i = 0; i < 4; ++i)
            open.push_back(static_cast<std::uint8_t>(previous >> (8 * i)));
        const auto handle = static_cast<std::int32_t>(ReadLE32(network.Send(open).bytes, 0));
        if (network.Send(LE32(0x4016, static_cast<std::uint32_t>(handle))).status != 0)
            return 0;
        return handle;
    }

    static QByteArray ScreenText(ConsoleNetwork& network) {
        QByteArray text;
        for (std::uint32_t row = 0; row < 25; row += 5) {
            const Reply reply = network.Send(LE32(0x401C, row));
            for (std::size_t cell = 0; cell < reply.bytes.size(); cell += 2)
                text += static_cast<char>(reply.bytes[cell]);
        }
        return text;
    }

private Q_SLOTS:
    void listWalksTheStandardScreens() {
        ConsoleNetwork network;
        QByteArrayList names;
        std::uint32_t previous = 0;
        const Reply first = network.Send({0x19, 0x40, 0, 0, 0, 0});
        QCOMPARE(first.status, StatusCodes::Success);
        QCOMPARE(first.bytes.size(), std::size_t{263});
        QCOMPARE(ReadLE32(first.bytes, 4), 1u);
        for (const std::uint32_t reference : Walk(network)) {
            const Reply reply = network.Send(LE32(0x4019, previous));
            QCOMPARE(ReadLE32(reply.bytes, 0), reference);
            QCOMPARE(reply.bytes[262], std::uint8_t{0});
            names << Name(reply.bytes);
            previous = reference;
        }
        QCOMPARE(names, (QByteArrayList{"System Console", "Monitor", "Logger Screen"}));
        // After the last screen: reference 0.
        const Reply end = network.Send(LE32(0x4019, previous));
        QCOMPARE(end.status, StatusCodes::Success);
        QCOMPARE(ReadLE32(end.bytes, 0), 0u);
    }

    void noScreensMeansAnImmediateEnd() {
        ConsoleNetwork network;
        network.server->Console().RemoveAllScreens();
        const Reply reply = network.Send(LE32(0x4019, 0));
        QCOMPARE(reply.bytes, std::vector<std::uint8_t>(263, 0));
    }

    void unknownPreviousReferenceEndsTheList() {
        ConsoleNetwork network;
        QCOMPARE(ReadLE32(network.Send(LE32(0x4019, 0xDEAD)).bytes, 0), 0u);
    }

    void longNamesKeepTheirTerminator() {
        ConsoleNetwork network;
        network.server->Console().RemoveAllScreens();
        network.server->Console().AddScreen(
            std::make_unique<Emulator::TextScreen>(std::string(300, 'N'), std::vector<std::string>{}));
        const Reply reply = network.Send(LE32(0x4019, 0));
        QCOMPARE(Name(reply.bytes).size(), qsizetype{254});
        QCOMPARE(reply.bytes[262], std::uint8_t{0});
    }

    // Each message's reply has its stated size.
    void replySizes_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("size");
        QTest::newRow("list") << QByteArray("\x19\x40\0\0\0\0", 6) << 263;
        QTest::newRow("open") << QByteArray("\x15\x40\0\x01\x00\x01\x00", 7) << 4;
        QTest::newRow("select") << QByteArray("\x16\x40\0\x01\0\0", 6) << 1;
        QTest::newRow("read") << QByteArray("\x1C\x40\x05\0\0\0", 6) << 800;
        QTest::newRow("key") << QByteArray("\x1D\x40\x41\0", 4) << 1;
        QTest::newRow("clear") << QByteArray("\x12\x40", 2) << 1;
    }
    void replySizes() {
        QFETCH(QByteArray, request);
        QFETCH(int, size);
        ConsoleNetwork network;
        // The first screen's reference is 0x00010001 and the first handle 0x100; select it first for reads.
        network.Send({0x15, 0x40, 0, 0x01, 0x00, 0x01, 0x00});
        network.Send({0x16, 0x40, 0x00, 0x01, 0, 0});
        const Reply reply = network.Send(std::vector<std::uint8_t>(request.begin(), request.end()));
        QCOMPARE(reply.status, StatusCodes::Success);
        QCOMPARE(int(reply.bytes.size()), size);
    }

    void wrongLengthsAndUnknownCodes_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<std::uint16_t>("status");
        QTest::newRow("empty") << QByteArray() << StatusCodes::BadRequest;
        QTest::newRow("one byte") << QByteArray("\x19", 1) << StatusCodes::BadRequest;
        QTest::newRow("list short") << QByteArray("\x19\x40\0\0\0", 5) << StatusCodes::BadRequest;
        QTest::newRow("list long") << QByteArray("\x19\x40\0\0\0\0\0", 7) << StatusCodes::BadRequest;
        QTest::newRow("open as six") << QByteArray("\x15\x40\0\0\0\0", 6) << StatusCodes::BadRequest;
        QTest::newRow("select long") << QByteArray("\x16\x40\0\0\0\0\0", 7) << StatusCodes::BadRequest;
        QTest::newRow("read short") << QByteArray("\x1C\x40\0\0", 4) << StatusCodes::BadRequest;
        QTest::newRow("key long") << QByteArray("\x1D\x40\x41\0\0", 5) << StatusCodes::BadRequest;
        QTest::newRow("clear long") << QByteArray("\x12\x40\0", 3) << StatusCodes::BadRequest;
        QTest::newRow("big-endian code") << QByteArray("\x40\x19\0\0\0\0", 6) << StatusCodes::UnknownRequest;
        QTest::newRow("unknown code") << QByteArray("\x17\x40\0\0\0\0", 6) << StatusCodes::UnknownRequest;
    }
    void wrongLengthsAndUnknownCodes() {
        QFETCH(QByteArray, request);
        QFETCH(std::uint16_t, status);
        ConsoleNetwork network;
        const Reply reply = network.Send(std::vector<std::uint8_t>(request.begin(), request.end()));
        QCOMPARE(reply.status, status);
        QVERIFY(reply.bytes.empty());
    }

    void openGivesHandlesOrMinusOne() {
        ConsoleNetwork network;
        const std::vector<std::uint32_t> references = Walk(network);
        QCOMPARE(references.size(), std::size_t{3});
        std::vector<std::uint8_t> open{0x15, 0x40, 0x00};
        for (int i = 0; i < 4; ++i)
            open.push_back(static_cast<std::uint8_t>(references[1] >> (8 * i)));
        const std::uint32_t first = ReadLE32(network.Send(open).bytes, 0);
        const std::uint32_t second = ReadLE32(network.Send(open).bytes, 0);
        // Opening the same screen again gives its handle again: a client that opens before every display
        // does not make the server hold ever more handles.
        QVERIFY(first != 0 && first != 0xFFFFFFFF && second == first);

        const Reply bad = network.Send({0x15, 0x40, 0x00, 0x45, 0x23, 0x01, 0x00});
        QCOMPARE(bad.status, StatusCodes::Success);
        QCOMPARE(bad.bytes, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    }

    void selectRefusesUnknownHandles() {
        ConsoleNetwork network;
        QCOMPARE(network.Send(LE32(0x4016, 7)).status, StatusCodes::InvalidScreenHandle);
        QCOMPARE(network.Send(LE32(0x4016, 0xFFFFFFFF)).status, StatusCodes::InvalidScreenHandle);
    }

    void readsKeysAndClearsNeedASelectedScreen_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("read") << QByteArray("\x1C\x40\0\0\0\0", 6);
        QTest::newRow("key") << QByteArray("\x1D\x40\x41\0", 4);
        QTest::newRow("clear") << QByteArray("\x12\x40", 2);
    }
    void readsKeysAndClearsNeedASelectedScreen() {
        QFETCH(QByteArray, request);
        ConsoleNetwork network;
        QCOMPARE(network.Send(std::vector<std::uint8_t>(request.begin(), request.end())).status,
                 StatusCodes::NoScreenSelected);
    }

    void readReturnsRowsFromTheRequestedOne() {
        ConsoleNetwork network;
        std::vector<std::string> lines;
        for (int row = 0; row < 25; ++row)
            lines.push_back("row " + std::to_string(row));
        network.server->Console().AddScreen(std::make_unique<Emulator::TextScreen>("Rows", lines));
        QVERIFY(OpenAndSelect(network, "Rows") != 0);
        const Reply reply = network.Send({0x1C, 0x40, 0x05, 0x00, 0x00, 0x00});
        QCOMPARE(reply.status, StatusCodes::Success);
        QCOMPARE(reply.bytes.size(), std::size_t{800});
        for (int r = 0; r < 5; ++r) {
            const std::string expected = "row " + std::to_string(5 + r);
            for (std::size_t c = 0; c < expected.size(); ++c)
                QCOMPARE(char(reply.bytes[160 * r + 2 * c]), expected[c]);
            QCOMPARE(reply.bytes[160 * r + 2 * 79], std::uint8_t{' '});
            QCOMPARE(reply.bytes[160 * r + 1], std::uint8_t{0x07});
        }
        // From row 23, the rows past the screen are zero bytes; from row 25 there is nothing to read.
        const Reply tail = network.Send(LE32(0x401C, 23));
        QCOMPARE(tail.bytes[0], std::uint8_t{'r'});
        QCOMPARE(std::vector<std::uint8_t>(tail.bytes.begin() + 320, tail.bytes.end()),
                 std::vector<std::uint8_t>(480, 0));
        QCOMPARE(network.Send(LE32(0x401C, 25)).status, StatusCodes::BadRequest);
    }

    void keysAndClearActOnTheLatestSelectedScreen() {
        ConsoleNetwork network;
        QVERIFY(OpenAndSelect(network, "System Console") != 0);
        for (const std::uint8_t c : {'v', 'e', 'r'})
            QCOMPARE(network.Send({0x1D, 0x40, c, 0x00}).status, StatusCodes::Success);
        QVERIFY(ScreenText(network).contains("ATLAS:ver"));
        // Another screen selected: the System Console no longer receives keys.
        QVERIFY(OpenAndSelect(network, "Logger Screen") != 0);
        network.Send({0x1D, 0x40, 'x', 0x00});
        QVERIFY(OpenAndSelect(network, "System Console") != 0);
        QVERIFY(!ScreenText(network).contains("ATLAS:verx"));
        QCOMPARE(network.Send({0x12, 0x40}).status, StatusCodes::Success);
        QCOMPARE(ScreenText(network).left(80), QByteArray("ATLAS:ver").leftJustified(80, ' '));
    }

    // Each connection reads, types into and clears the screen it selected itself, whatever the others
    // selected since; a connection that ends leaves nothing selected for the next one given its number.
    void eachConnectionKeepsItsOwnScreen_data() {
        QTest::addColumn<bool>("detachFirst");
        QTest::addColumn<QByteArray>("firstReads");
        QTest::addRow("two connections, two screens") << false << QByteArray("ATLAS:ab");
        QTest::addRow("the first connection ended") << true << QByteArray();
    }
    void eachConnectionKeepsItsOwnScreen() {
        QFETCH(bool, detachFirst);
        QFETCH(QByteArray, firstReads);
        ConsoleNetwork network;
        network.connection = 1;
        QVERIFY(OpenAndSelect(network, "System Console") != 0);
        network.connection = 2;
        QVERIFY(OpenAndSelect(network, "Logger Screen") != 0);
        network.connection = 1;
        network.Send({0x1D, 0x40, 'a', 0x00});
        network.connection = 2;
        network.Send({0x1D, 0x40, 'b', 0x00});
        QVERIFY(!ScreenText(network).contains("ATLAS:"));
        network.connection = 1;
        network.Send({0x1D, 0x40, 'b', 0x00});
        if (detachFirst)
            network.server->Detach(1);
        const Reply read = network.Send(LE32(0x401C, 0));
        QCOMPARE(read.status, firstReads.isEmpty() ? StatusCodes::NoScreenSelected : StatusCodes::Success);
        if (!firstReads.isEmpty())
            QVERIFY(ScreenText(network).contains(firstReads));
    }

    void removedScreenIsNoLongerSelected() {
        ConsoleNetwork network;
        const std::uint32_t reference = network.server->Console().AddScreen(
            std::make_unique<Emulator::TextScreen>("Gone", std::vector<std::string>{}));
        const std::int32_t handle = OpenAndSelect(network, "Gone");
        QVERIFY(handle != 0);
        network.server->Console().RemoveScreen(reference);
        QCOMPARE(network.Send(LE32(0x401C, 0)).status, StatusCodes::NoScreenSelected);
        QCOMPARE(network.Send(LE32(0x4016, static_cast<std::uint32_t>(handle))).status,
                 StatusCodes::InvalidScreenHandle);
    }

    void shortRepliesAreHalved() {
        ConsoleNetwork network;
        network.server->Console().SetFault(ConsoleFault::ShortReplies);
        QCOMPARE(network.Send(LE32(0x4019, 0)).bytes.size(), std::size_t{131});
        QCOMPARE(network.Send({0x15, 0x40, 0, 0x01, 0x00, 0x01, 0x00}).bytes.size(), std::size_t{2});
        network.Send({0x16, 0x40, 0x00, 0x01, 0, 0});
        QCOMPARE(network.Send(LE32(0x401C, 0)).bytes.size(), std::size_t{400});
        QCOMPARE(network.Send({0x12, 0x40}).bytes.size(), std::size_t{0});
    }

    void garbledRepliesKeepTheirSize() {
        ConsoleNetwork network;
        const Reply clean = network.Send(LE32(0x4019, 0));
        network.server->Console().SetFault(ConsoleFault::GarbledReplies);
        const Reply garbled = network.Send(LE32(0x4019, 0));
        QCOMPARE(garbled.status, StatusCodes::Success);
        QCOMPARE(garbled.bytes.size(), std::size_t{263});
        QVERIFY(garbled.bytes != clean.bytes);
        QVERIFY(network.Send(LE32(0x4019, 0)).bytes != garbled.bytes);
    }

    void endlessListCycles() {
        ConsoleNetwork network;
        network.server->Console().SetFault(ConsoleFault::EndlessScreenList);
        const std::vector<std::uint32_t> walk = Walk(network, 7);
        QCOMPARE(walk.size(), std::size_t{7});
        QCOMPARE(walk[3], walk[0]);
        QCOMPARE(walk[6], walk[0]);
    }

    void unterminatedNamesFillTheField() {
        ConsoleNetwork network;
        network.server->Console().SetFault(ConsoleFault::UnterminatedNames);
        const Reply reply = network.Send(LE32(0x4019, 0));
        QVERIFY(std::find(reply.bytes.begin() + 8, reply.bytes.end(), 0) == reply.bytes.end());
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(reply.bytes.data()) + 8, 16),
                 QByteArray("System Console.."));
    }

    void unloadingTheModuleFromItsOwnConsole() {
        ConsoleNetwork network;
        QVERIFY(OpenAndSelect(network, "System Console") != 0);
        for (const char c : std::string("unload qvext\r"))
            QCOMPARE(network.Send({0x1D, 0x40, static_cast<std::uint8_t>(c), 0x00}).status,
                     StatusCodes::Success);
        QCOMPARE(network.Send({0x12, 0x40}).status, StatusCodes::NoSuchExtension);
        QCOMPARE(ExtensionId(*network.server, "QV_EXT"), 0u);
    }
};

QTEST_GUILESS_MAIN(ConsoleModuleTest)
#include "ConsoleModuleTest.moc"
