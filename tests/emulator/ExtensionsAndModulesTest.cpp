#include "EmulatorTestSupport.h"

#include <QFile>
#include <QObject>
#include <QTest>

using namespace EmulatorTest;
using Emulator::Server;
using Emulator::Workstation;

// NCP extension scan, lookup and request, and NLM loading on the emulated servers.
class ExtensionsAndModulesTest final : public QObject {
    Q_OBJECT

    struct Network {
        QTemporaryDir volumes;
        std::unique_ptr<Workstation> workstation;
        Server* server = nullptr;
        std::uint32_t handle = 0;

        Network() {
            workstation = std::make_unique<Workstation>(volumes.path().toStdString());
            server = &workstation->AddServer(Config("BOREAS", 4, 11));
            handle = OpenHandle(*workstation, workstation->AddConnection(*server, 0));
        }

        void PutSystemFile(const QString& name) {
            QFile file(volumes.path() + "/BOREAS/SYS/SYSTEM/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("NLM");
        }

        QStringList ScanLines() {
            QStringList lines;
            std::uint32_t id = 0xFFFFFFFF;
            char name[ClientLibrary::ExtensionNameSize];
            std::uint8_t major = 0, minor = 0, revision = 0, query[ClientLibrary::QueryDataSize];
            while (lines.size() < 50 &&
                   workstation->ScanNCPExtensions(handle, &id, name, &major, &minor, &revision, query) == 0)
                lines << QStringLiteral("%1 Rev %2.%3.%4").arg(name).arg(major).arg(minor).arg(revision);
            return lines;
        }
    };

private Q_SLOTS:
    void scanInRegistrationOrderThenEnd() {
        Network network;
        QVERIFY(network.ScanLines().isEmpty());
        network.server->RegisterExtension("XYZ", 1, 2, 10, std::make_shared<Emulator::EchoExtension>());
        network.server->RegisterExtension("ABC", 3, 0, 1, std::make_shared<Emulator::EchoExtension>());
        QCOMPARE(network.ScanLines(), (QStringList{"XYZ Rev 1.2.10", "ABC Rev 3.0.1"}));
    }

    void scanAfterAnUnknownIdFails() {
        Network network;
        const std::uint32_t id =
            network.server->RegisterExtension("XYZ", 1, 0, 0, std::make_shared<Emulator::EchoExtension>());
        std::uint32_t previous = id + 77;
        char name[ClientLibrary::ExtensionNameSize] = "kept";
        QCOMPARE(network.workstation->ScanNCPExtensions(network.handle, &previous, name, nullptr, nullptr,
                                                        nullptr, nullptr),
                 StatusCodes::NoSuchExtension);
        QCOMPARE(previous, id + 77);
        QCOMPARE(QByteArray(name), QByteArray("kept"));
    }

    void scanDeliversQueryData() {
        Network network;
        std::array<std::uint8_t, 32> query{};
        for (std::size_t i = 0; i < query.size(); ++i)
            query[i] = static_cast<std::uint8_t>(0xA0 + i);
        const std::uint32_t registered = network.server->RegisterExtension(
            "Q", 1, 0, 0, std::make_shared<Emulator::EchoExtension>(), query);
        std::uint32_t id = 0xFFFFFFFF;
        char name[ClientLibrary::ExtensionNameSize];
        std::uint8_t major = 0, minor = 0, revision = 0, data[ClientLibrary::QueryDataSize] = {};
        QCOMPARE(network.workstation->ScanNCPExtensions(network.handle, &id, name, &major, &minor, &revision,
                                                        data),
                 StatusCodes::Success);
        QCOMPARE(id, registered);
        QVERIFY(std::equal(query.begin(), query.end(), data));
    }

    void lookupByExactName_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("exact") << QByteArray("TIMESYNC_NCP") << true;
        QTest::newRow("other case") << QByteArray("timesync_ncp") << false;
        QTest::newRow("prefix") << QByteArray("TIMESYNC") << false;
        QTest::newRow("empty") << QByteArray("") << false;
    }
    void lookupByExactName() {
        QFETCH(QByteArray, name);
        QFETCH(bool, found);
        Network network;
        const std::uint32_t registered = network.server->RegisterExtension(
            "TIMESYNC_NCP", 2, 1, 4, std::make_shared<Emulator::EchoExtension>());
        std::uint32_t id = 0;
        std::uint8_t major = 0, minor = 0, revision = 0, query[ClientLibrary::QueryDataSize];
        const std::uint16_t status = network.workstation->GetNCPExtensionInfoByName(
            network.handle, name.constData(), &id, &major, &minor, &revision, query);
        QCOMPARE(status == 0, found);
        if (found) {
            QCOMPARE(id, registered);
            QCOMPARE(major, std::uint8_t{2});
            QCOMPARE(revision, std::uint8_t{4});
        } else {
            QCOMPARE(status, StatusCodes::NoSuchExtension);
        }
    }

    // The reply never exceeds the caller's buffer; the length comes back as the bytes written.
    void requestReplyFitsTheCallersBuffer_data() {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("written");
        QTest::addColumn<std::uint16_t>("status");
        QTest::newRow("room to spare") << 32 << 5 << StatusCodes::Success;
        QTest::newRow("exact") << 5 << 5 << StatusCodes::Success;
        QTest::newRow("too small") << 3 << 3 << StatusCodes::BufferTooSmall;
        QTest::newRow("none") << 0 << 0 << StatusCodes::BufferTooSmall;
    }
    void requestReplyFitsTheCallersBuffer() {
        QFETCH(int, capacity);
        QFETCH(int, written);
        QFETCH(std::uint16_t, status);
        Network network;
        const std::uint32_t id =
            network.server->RegisterExtension("ECHO", 1, 0, 0, std::make_shared<Emulator::EchoExtension>());
        const Reply reply = Exchange(*network.workstation, network.handle, id, {1, 2, 3, 4, 5},
                                     static_cast<std::uint16_t>(capacity));
        QCOMPARE(reply.status, status);
        const std::vector<std::uint8_t> sent{1, 2, 3, 4, 5};
        QCOMPARE(reply.bytes, std::vector<std::uint8_t>(sent.begin(), sent.begin() + written));
    }

    void requestToAnUnknownExtension() {
        Network network;
        const Reply reply = Exchange(*network.workstation, network.handle, 0x12345678, {0x12, 0x40});
        QCOMPARE(reply.status, StatusCodes::NoSuchExtension);
        QVERIFY(reply.bytes.empty());
    }

    // NWSMLoadNLM needs the file in SYS:SYSTEM; names ignore letter case and a leading path.
    void loadStatuses_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<std::uint16_t>("status");
        QTest::addColumn<QString>("listed");
        QTest::newRow("present") << "QVEXT.NLM" << QByteArray("QVEXT.NLM") << StatusCodes::Success
                                 << "QVEXT.NLM";
        QTest::newRow("lower-case request")
            << "QVEXT.NLM" << QByteArray("qvext.nlm") << StatusCodes::Success << "QVEXT.NLM";
        QTest::newRow("lower-case file")
            << "qvext.nlm" << QByteArray("QVEXT.NLM") << StatusCodes::Success << "QVEXT.NLM";
        QTest::newRow("with a path") << "QVEXT.NLM" << QByteArray("SYS:SYSTEM\\QVEXT.NLM")
                                     << StatusCodes::Success << "QVEXT.NLM";
        QTest::newRow("without extension")
            << "MONITOR.NLM" << QByteArray("monitor") << StatusCodes::Success << "MONITOR.NLM";
        QTest::newRow("missing file")
            << "OTHER.NLM" << QByteArray("QVEXT.NLM") << StatusCodes::ModuleNotFound << "";
        QTest::newRow("empty name") << "QVEXT.NLM" << QByteArray("") << StatusCodes::InvalidModuleName << "";
    }
    void loadStatuses() {
        QFETCH(QString, file);
        QFETCH(QByteArray, name);
        QFETCH(std::uint16_t, status);
        QFETCH(QString, listed);
        Network network;
        network.PutSystemFile(file);
        QCOMPARE(network.workstation->NWSMLoadNLM(network.handle, name.constData()), status);
        std::vector<std::string> expected;
        if (!listed.isEmpty())
            expected.push_back(listed.toStdString());
        QCOMPARE(network.server->LoadedModules(), expected);
    }

    void loadUnloadStatusesAreDistinct() {
        Network network;
        network.PutSystemFile("QVEXT.NLM");
        Workstation& ws = *network.workstation;
        const std::uint16_t notLoaded = ws.NWSMUnloadNLM(network.handle, "QVEXT.NLM");
        QCOMPARE(ws.NWSMLoadNLM(network.handle, "QVEXT.NLM"), StatusCodes::Success);
        const std::uint16_t twice = ws.NWSMLoadNLM(network.handle, "QVEXT.NLM");
        const std::uint16_t missing = ws.NWSMLoadNLM(network.handle, "NOFILE.NLM");
        for (const std::uint16_t status : {notLoaded, twice, missing})
            QCOMPARE(status & 0xFF00, 0x8900);
        QVERIFY(notLoaded != twice && twice != missing && notLoaded != missing);
        QCOMPARE(ws.NWSMUnloadNLM(network.handle, "qvext"), StatusCodes::Success);
        QCOMPARE(ws.NWSMUnloadNLM(network.handle, "QVEXT.NLM"), notLoaded);
    }

    void consoleModuleRegistersItsExtension() {
        Network network;
        network.server->RegisterExtension("FIRST", 1, 0, 0, std::make_shared<Emulator::EchoExtension>());
        network.PutSystemFile("QVEXT.NLM");
        QCOMPARE(ExtensionId(*network.workstation, network.handle, "QV_EXT"), 0u);
        QCOMPARE(network.workstation->NWSMLoadNLM(network.handle, "QVEXT.NLM"), StatusCodes::Success);
        QCOMPARE(network.ScanLines(), (QStringList{"FIRST Rev 1.0.0", "QV_EXT Rev 1.0.0"}));
        const std::uint32_t first = ExtensionId(*network.workstation, network.handle, "QV_EXT");
        QVERIFY(first != 0);
        QCOMPARE(network.workstation->NWSMUnloadNLM(network.handle, "QVEXT.NLM"), StatusCodes::Success);
        QCOMPARE(network.ScanLines(), QStringList{"FIRST Rev 1.0.0"});
        QCOMPARE(Exchange(*network.workstation, network.handle, first, {0x12, 0x40}).status,
                 StatusCodes::NoSuchExtension);
        // Loaded again, it is a new registration with a new ID.
        QCOMPARE(network.workstation->NWSMLoadNLM(network.handle, "QVEXT.NLM"), StatusCodes::Success);
        const std::uint32_t second = ExtensionId(*network.workstation, network.handle, "QV_EXT");
        QVERIFY(second != 0 && second != first);
    }

    void otherModulesAreOnlyListed() {
        Network network;
        network.PutSystemFile("BACKUP.NLM");
        QCOMPARE(network.workstation->NWSMLoadNLM(network.handle, "BACKUP.NLM"), StatusCodes::Success);
        QVERIFY(network.ScanLines().isEmpty());
        QVERIFY(network.server->IsModuleLoaded("backup.nlm"));
    }

    void definedModuleBringsItsExtension() {
        Network network;
        Emulator::ModuleDefinition definition;
        definition.fileName = "tsaback.nlm";
        definition.description = "Backup agent";
        definition.extensionName = "BACKUP_AGENT";
        definition.majorVersion = 1;
        definition.minorVersion = 3;
        definition.makeExtension = [] { return std::make_shared<Emulator::EchoExtension>(); };
        network.server->DefineModule(definition);
        network.PutSystemFile("TSABACK.NLM");
        QCOMPARE(network.server->LoadModule("TSABACK"), StatusCodes::Success);
        QCOMPARE(network.ScanLines(), QStringList{"BACKUP_AGENT Rev 1.3.0"});
        QCOMPARE(network.server->UnloadModule("TSABACK.NLM"), StatusCodes::Success);
        QVERIFY(network.ScanLines().isEmpty());
    }

    void failedScanFromInjection() {
        Network network;
        network.server->RegisterExtension("A", 1, 0, 0, std::make_shared<Emulator::EchoExtension>());
        network.server->RegisterExtension("B", 1, 0, 0, std::make_shared<Emulator::EchoExtension>());
        network.workstation->FailCall("ScanNCPExtensions", 0x8801, 1, 1);
        QCOMPARE(network.ScanLines(), QStringList{"A Rev 1.0.0"});
    }
};

QTEST_GUILESS_MAIN(ExtensionsAndModulesTest)
#include "ExtensionsAndModulesTest.moc"
