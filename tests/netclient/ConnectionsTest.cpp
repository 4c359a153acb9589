#include "netclient/Connections.h"
#include "netclient/SharedState.h"
#include "tests/support/RecordingClient.h"

#include <QTest>

using NetUtil::FindConnectionByServer;
using NetUtil::ListConnectedServers;

namespace {

QStringList ToList(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names)
        list.append(QString::fromStdString(name));
    return list;
}

// A workstation with one server reached through two references, a second server, a reference whose name
// cannot be read and one with an empty name.
void ScriptWorkstation(RecordingClient& client) {
    client.AddConnection({.connRef = 1, .connHandle = 11, .serverName = "FS1"});
    client.AddConnection({.connRef = 2, .connHandle = 12, .serverName = "FS2"});
    client.AddConnection({.connRef = 3, .connHandle = 13, .serverName = "FS1"});
    client.AddConnection({.connRef = 4, .connHandle = 14, .serverName = "LOST", .nameStatus = 0x8872});
    client.AddConnection({.connRef = 5, .connHandle = 15, .serverName = ""});
}

} // namespace

class ConnectionsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ResetSharedState(); }

    void listsEveryNamedReferenceInScanOrder() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        ScriptWorkstation(client);

        std::vector<std::string> names{"kept"};
        ListConnectedServers(names);

        // Not cleared first; a server of two references twice; failed and empty names skipped.
        QCOMPARE(ToList(names), (QStringList{"kept", "FS1", "FS2", "FS1"}));
        QCOMPARE(NetUtil::ScanStatus, StatusCodes::NoMoreEntries);
        QCOMPARE(client.CallCount("ScanConnRefs"), 6);
        QCOMPARE(client.CallList("GetConnRefInfo").first(), QString("GetConnRefInfo(ref=1,type=7,len=255)"));
    }

    void noConnections() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        client.scanEndStatus = 0x8801;

        std::vector<std::string> names{"kept"};
        ListConnectedServers(names);
        QCOMPARE(ToList(names), QStringList{"kept"});
        QCOMPARE(NetUtil::ScanStatus, std::uint16_t{0x8801});

        std::uint32_t connRef = 99;
        std::uint32_t connHandle = 99;
        QCOMPARE(FindConnectionByServer("FS1", connRef, connHandle), std::uint16_t{0x8801});
        QCOMPARE(connRef, 0u);
        QCOMPARE(connHandle, 0u);
        QCOMPARE(client.CallList(), (QStringList{"ScanConnRefs(cursor=0)", "ScanConnRefs(cursor=0)"}));
    }

    void findsTheFirstExactMatch_data() {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<quint16>("status");
        QTest::addColumn<quint32>("connRef");
        QTest::addColumn<quint32>("connHandle");
        QTest::addColumn<int>("scans");

        QTest::addRow("first of two references") << "FS1" << quint16(0) << 1u << 11u << 1;
        QTest::addRow("second server") << "FS2" << quint16(0) << 2u << 12u << 2;
        QTest::addRow("letter case differs") << "fs1" << quint16(0x88FF) << 0u << 0u << 6;
        QTest::addRow("prefix only") << "FS" << quint16(0x88FF) << 0u << 0u << 6;
        QTest::addRow("trailing space") << "FS1 " << quint16(0x88FF) << 0u << 0u << 6;
        QTest::addRow("empty name meets failed lookup") << "" << quint16(0) << 4u << 14u << 4;
        QTest::addRow("name of a failed lookup") << "LOST" << quint16(0x88FF) << 0u << 0u << 6;
    }

    void findsTheFirstExactMatch() {
        QFETCH(QString, wanted);
        QFETCH(quint16, status);
        QFETCH(quint32, connRef);
        QFETCH(quint32, connHandle);
        QFETCH(int, scans);

        RecordingClient client;
        ScopedClientBinding binding(client);
        ScriptWorkstation(client);

        std::uint32_t foundRef = 1234;
        std::uint32_t foundHandle = 5678;
        QCOMPARE(FindConnectionByServer(wanted.toStdString(), foundRef, foundHandle), status);
        QCOMPARE(NetUtil::ScanStatus, status);
        QCOMPARE(foundRef, connRef);
        QCOMPARE(foundHandle, connHandle);
        QCOMPARE(client.CallCount("ScanConnRefs"), scans);
        const QStringList opens = client.CallList("OpenConnByReference");
        if (status == 0)
            QCOMPARE(opens,
                     QStringList{QString("OpenConnByReference(ref=%1,mode=2,reserved=0)").arg(connRef)});
        else
            QVERIFY(opens.isEmpty());
    }

    void failedOpenEndsTheLookup() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        ScriptWorkstation(client);
        client.Connection(1).openStatus = 0x8801;

        std::uint32_t connRef = 0;
        std::uint32_t connHandle = 0;
        QCOMPARE(FindConnectionByServer("FS1", connRef, connHandle), std::uint16_t{0x8801});
        QCOMPARE(NetUtil::ScanStatus, std::uint16_t{0x8801});
        QCOMPARE(connRef, 1u);
        QCOMPARE(connHandle, 0u);
        // The second reference to FS1 is not tried.
        QCOMPARE(client.CallCount("ScanConnRefs"), 1);
        QCOMPARE(client.CallCount("OpenConnByReference"), 1);
    }

    void everyOperationStartsItsOwnScan() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        ScriptWorkstation(client);

        std::uint32_t connRef = 0;
        std::uint32_t connHandle = 0;
        FindConnectionByServer("FS2", connRef, connHandle);
        client.ClearCalls();
        FindConnectionByServer("FS2", connRef, connHandle);
        QCOMPARE(client.CallList("ScanConnRefs"),
                 (QStringList{"ScanConnRefs(cursor=0)", "ScanConnRefs(cursor=1)"}));
    }

    void serverNameWithoutTerminatorEndsAtTheBuffer() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        const std::string longName(300, 'S');
        client.AddConnection({.connRef = 1, .connHandle = 11, .serverName = longName});

        std::string name = "old";
        QCOMPARE(NetUtil::GetConnRefServerName(1, name, 255), std::uint16_t{0});
        QCOMPARE(name, std::string(255, 'S'));
        QCOMPARE(NetUtil::GetConnRefServerName(1, name, 10), std::uint16_t{0});
        QCOMPARE(name, std::string(10, 'S'));

        std::vector<std::string> names;
        ListConnectedServers(names);
        QCOMPARE(ToList(names), QStringList{QString(255, 'S')});

        std::uint32_t connRef = 0;
        std::uint32_t connHandle = 0;
        QCOMPARE(FindConnectionByServer(std::string(255, 'S'), connRef, connHandle), std::uint16_t{0});
        QCOMPARE(connHandle, 11u);
    }

    void failedNameLookupEmptiesTheOutput() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        client.AddConnection({.connRef = 1, .serverName = "FS1", .nameStatus = 0x8872});

        std::string name = "previous";
        QCOMPARE(NetUtil::GetConnRefServerName(1, name, 255), std::uint16_t{0x8872});
        QCOMPARE(name, std::string());
    }

    void openConnByRefUsesModeTwo() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        client.AddConnection({.connRef = 8, .connHandle = 80, .serverName = "FS1"});

        std::uint32_t connHandle = 0;
        QCOMPARE(NetUtil::OpenConnByRef(8, connHandle), std::uint16_t{0});
        QCOMPARE(connHandle, 80u);
        QCOMPARE(NetUtil::OpenConnByRef(9, connHandle), StatusCodes::InvalidConnRef);
        QCOMPARE(client.CallList(), (QStringList{"OpenConnByReference(ref=8,mode=2,reserved=0)",
                                                 "OpenConnByReference(ref=9,mode=2,reserved=0)"}));
    }

    // A broken client that answers every scan call with a reference must not hang the window: the scan
    // stops after MaxConnectionScan references and reads as ended.
    void endlessScanStops() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        client.AddConnection({.connRef = 1, .connHandle = 11, .serverName = "FS1"});
        client.endlessScanRef = 1;

        std::vector<std::string> names;
        ListConnectedServers(names);
        QCOMPARE(names.size(), NetUtil::MaxConnectionScan);
        QCOMPARE(client.CallCount("ScanConnRefs"), int(NetUtil::MaxConnectionScan));
        QCOMPARE(NetUtil::ScanStatus, StatusCodes::NoMoreEntries);

        client.ClearCalls();
        std::uint32_t connRef = 7;
        std::uint32_t connHandle = 7;
        QCOMPARE(FindConnectionByServer("FS2", connRef, connHandle), StatusCodes::NoMoreEntries);
        QCOMPARE(connRef, 0u);
        QCOMPARE(connHandle, 0u);
        QCOMPARE(client.CallCount("ScanConnRefs"), int(NetUtil::MaxConnectionScan));
    }
};

QTEST_GUILESS_MAIN(ConnectionsTest)
#include "ConnectionsTest.moc"
