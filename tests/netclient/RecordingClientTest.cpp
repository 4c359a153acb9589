#include "tests/support/RecordingClient.h"
#include "tests/support/RecordingPresenter.h"

#include <QTest>

#include <cstring>

// The recording fake is what window tests stand on: its scripted answers, its faults and its log are
// checked here once.
class RecordingClientTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void injectedFaults() {
        RecordingClient client;
        client.AddConnection({.connRef = 1, .connHandle = 11, .serverName = "FS1"});
        std::uint32_t handle = 0;

        client.FailNext("OpenConnByReference", 0x8801);
        client.FailNext("OpenConnByReference", 0x8802);
        QCOMPARE(client.OpenConnByReference(1, 2, 0, &handle), std::uint16_t{0x8801});
        QCOMPARE(client.OpenConnByReference(1, 2, 0, &handle), std::uint16_t{0x8802});
        QCOMPARE(handle, 0u);
        QCOMPARE(client.OpenConnByReference(1, 2, 0, &handle), std::uint16_t{0});
        QCOMPARE(handle, 11u);

        client.FailAlways("NWDSCreateContext", 1);
        QCOMPARE(client.NWDSCreateContext(), ClientLibrary::NoContext);
        QCOMPARE(client.NWDSCreateContext(), ClientLibrary::NoContext);
        client.ClearFailures();
        QCOMPARE(client.NWDSCreateContext(), 4096u);
        QCOMPARE(client.LiveContexts(), 1);
        client.FreeContext(4096);
        QCOMPARE(client.LiveContexts(), 0);
        QCOMPARE(client.CallCount("NWDSCreateContext"), 3);
        QCOMPARE(client.CallCount("OpenConnByReference"), 3);
    }

    void fileServerInformation() {
        RecordingClient client;
        client.AddServer(
            {.name = std::string(300, 'F'), .majorVersion = 5, .minorVersion = 0, .volumeCount = 7});
        client.AddConnection({.connRef = 1, .connHandle = 11, .serverName = std::string(300, 'F')});

        char name[ClientLibrary::FileServerNameSize + 1];
        std::memset(name, '#', sizeof name);
        std::uint8_t major = 0, minor = 9, revision = 0, sft = 0, tts = 0;
        std::uint16_t maxConns = 0, peak = 0, inUse = 0, volumes = 0;
        QCOMPARE(client.NWGetFileServerInformation(11, name, &major, &minor, &revision, &maxConns, &peak,
                                                   &inUse, &volumes, &sft, &tts),
                 std::uint16_t{0});
        // A name of the buffer's size fills it without a terminator and writes nothing beyond it.
        QCOMPARE(QByteArray(name, 255), QByteArray(255, 'F'));
        QCOMPARE(name[255], '#');
        QCOMPARE(int(major), 5);
        QCOMPARE(int(minor), 0);
        QCOMPARE(int(volumes), 7);
        QCOMPARE(client.NWGetFileServerInformation(12, name, &major, &minor, &revision, &maxConns, &peak,
                                                   &inUse, &volumes, &sft, &tts),
                 StatusCodes::InvalidConnection);
    }

    void extensionsFollowLoadedModules() {
        RecordingClient client;
        client.AddServer({.name = "FS1"});
        client.AddConnection({.connRef = 1, .connHandle = 11, .serverName = "FS1"});
        client.Server("FS1").extensions.push_back({.id = 1, .name = "OTHER"});
        client.Server("FS1").moduleExtensions["QVEXT.NLM"] = {{.id = 7, .name = "QV_EXT", .revision = 3}};

        auto scan = [&client] {
            QStringList lines;
            std::uint32_t id = 0xFFFFFFFF;
            char name[ClientLibrary::ExtensionNameSize];
            std::uint8_t major = 0, minor = 0, revision = 0;
            std::uint8_t queryData[ClientLibrary::QueryDataSize];
            while (client.ScanNCPExtensions(11, &id, name, &major, &minor, &revision, queryData) == 0)
                lines.append(QString("%1 %2 %3").arg(name).arg(id).arg(revision));
            return lines;
        };
        QCOMPARE(scan(), QStringList{"OTHER 1 0"});
        QCOMPARE(client.NWSMLoadNLM(11, "qvext.nlm"), std::uint16_t{0});
        QCOMPARE(client.NWSMLoadNLM(11, "QVEXT.NLM"), StatusCodes::ModuleAlreadyLoaded);
        QCOMPARE(scan(), (QStringList{"OTHER 1 0", "QV_EXT 7 3"}));
        QCOMPARE(client.NWSMUnloadNLM(11, "QVEXT.NLM"), std::uint16_t{0});
        QCOMPARE(client.NWSMUnloadNLM(11, "QVEXT.NLM"), StatusCodes::ModuleNotLoaded);
        QCOMPARE(client.NWSMLoadNLM(11, ""), StatusCodes::InvalidModuleName);
        QCOMPARE(scan(), QStringList{"OTHER 1 0"});
        QCOMPARE(client.CallList("NWSMLoadNLM").first(), QString("NWSMLoadNLM(conn=11,name=qvext.nlm)"));
        QCOMPARE(client.CallList("ScanNCPExtensions").first(),
                 QString("ScanNCPExtensions(conn=11,id=4294967295)"));
    }

    void extensionRepliesAreCutToTheirCapacity() {
        RecordingClient client;
        client.ncpResponder = [](std::uint32_t, std::uint32_t, const std::vector<std::uint8_t>&,
                                 std::uint16_t) {
            return RecordingClient::ExtensionReply{0, {1, 2, 3, 4, 5, 6}};
        };
        std::uint8_t reply[8] = {9, 9, 9, 9, 9, 9, 9, 9};
        std::uint16_t replyLength = 4;
        const std::uint8_t request[] = {0x12, 0x40};
        QCOMPARE(client.NCPExtensionRequest(3, 4, request, 2, reply, &replyLength), std::uint16_t{0});
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(reply), 8),
                 QByteArray::fromHex("0102030409090909"));
        QCOMPARE(replyLength, std::uint16_t{4});
        QCOMPARE(client.CallList(), QStringList{"NCPExtensionRequest(conn=3,id=4,req=12 40,cap=4)"});
    }

    void volumeDirectories() {
        RecordingClient client;
        client.volumeDirectories["FS1\\SYS"] = "/tmp/fs1-sys";
        char path[32] = {};
        QCOMPARE(client.GetVolumeDirectory("fs1", "sys", path, sizeof path), std::uint16_t{0});
        QCOMPARE(QString(path), QString("/tmp/fs1-sys"));
        QCOMPARE(client.GetVolumeDirectory("fs1", "sys", path, 5), StatusCodes::BufferTooSmall);
        QCOMPARE(client.GetVolumeDirectory("FS2", "SYS", path, sizeof path), StatusCodes::NoSuchVolume);
    }

    void presenterRecordsInOrder() {
        RecordingPresenter presenter;
        {
            RecordingPresenter::Binding bound(presenter);
            NetUtil::ShowPlainMessage("plain");
            NetUtil::ReportError(0, "Nothing");
            NetUtil::ReportError(0xFFFF, "CopyFile");
        }
        NetUtil::ReportError(1, "Unbound");
        QCOMPARE(presenter.Messages(), (std::vector<std::string>{"plain", "Error FFFF: CopyFile"}));
        QCOMPARE(presenter.Count(RecordingPresenter::Kind::PlainMessage), 1);
        QCOMPARE(presenter.Count(RecordingPresenter::Kind::ErrorBox), 1);
    }
};

QTEST_GUILESS_MAIN(RecordingClientTest)
#include "RecordingClientTest.moc"
