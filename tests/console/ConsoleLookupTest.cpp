#include "console/ConsoleLookup.h"
#include "netclient/SharedState.h"
#include "tests/support/RecordingClient.h"

#include <QTest>

#include <cstring>

class ConsoleLookupTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ResetSharedState(); }

    void findsTheExtension() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        client.captureLengthPrefix = true;
        client.AddServer({.name = "FS1"});
        client.AddConnection({.connRef = 1, .connHandle = 9, .serverName = "FS1"});
        client.Server("FS1").extensions.push_back(
            {.id = 0x1234, .name = "QV_EXT", .majorVersion = 2, .minorVersion = 3, .revision = 4});
        CurrentConn = 9;
        // What an extension scan may have left in the record.
        std::strcpy(ConsoleExt.name, "A_MUCH_LONGER_EXTENSION_NAME");
        ConsoleExt.id = 0x55;

        QVERIFY(FindConsoleExtension());
        QCOMPARE(LastStatus, 0u);
        QCOMPARE(ConsoleExt.id, 0x1234u);
        QCOMPARE(ConsoleExt.majorVersion, std::uint8_t{2});
        QCOMPARE(ConsoleExt.minorVersion, std::uint8_t{3});
        QCOMPARE(ConsoleExt.revision, std::uint8_t{4});
        QCOMPARE(QByteArray(ConsoleExt.name, 8), QByteArray("\x07QV_EXT\0", 8));
        // The client is handed the characters after the length byte.
        QCOMPARE(client.lastLookupName, &ConsoleExt.name[1]);
        QCOMPARE(client.lastLookupLengthPrefix, std::optional<std::uint8_t>(7));
        QCOMPARE(client.CallList(), QStringList{"GetNCPExtensionInfoByName(conn=9,name=QV_EXT)"});
    }

    void missingExtension() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        client.AddServer({.name = "FS1"});
        client.AddConnection({.connRef = 1, .connHandle = 9, .serverName = "FS1"});
        client.Server("FS1").extensions.push_back({.id = 0x1234, .name = "qv_ext"});
        CurrentConn = 9;
        ConsoleExt.id = 0x55;

        QVERIFY(!FindConsoleExtension());
        QCOMPARE(LastStatus, quint32(StatusCodes::NoSuchExtension));
        QCOMPARE(ConsoleExt.id, 0u);
    }

    void noServerChosen() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        QVERIFY(!FindConsoleExtension());
        QCOMPARE(LastStatus, quint32(StatusCodes::InvalidConnection));
        QCOMPARE(client.CallList(), QStringList{"GetNCPExtensionInfoByName(conn=0,name=QV_EXT)"});
    }
};

QTEST_GUILESS_MAIN(ConsoleLookupTest)
#include "ConsoleLookupTest.moc"
