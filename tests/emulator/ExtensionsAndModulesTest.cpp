#include "EmulatorTestSupport.h"

#include <QFile>
#include <QObject>
#include <QTest>

using namespace EmulatorTest;
using Emulator::Server;

// NCP extension scan, lookup and request, and NLM loading on an emulated server.
class ExtensionsAndModulesTest final : public QObject {
    Q_OBJECT

    struct Network {
        QTemporaryDir volumes;
        std::unique_ptr<Server> server = std::make_unique<Server>(
            Config("BOREAS", 4, 11), volumes.path().toStdString(), Emulator::Clock{});

        void PutSystemFile(const QString& name) {
            QFile file(volumes.path() + "/BOREAS/SYS/SYSTEM/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("NLM");
        }

        // The registered extensions as the scan walks them from its start.
        QStringList ScanLines() const {
            QStringList lines;
            const Emulator::ExtensionRegistry& registry = server->Extensions();
            for (const Emulator::ExtensionInfo* info = registry.Next(Emulator::ExtensionRegistry::ScanStart);
                 info != nullptr && lines.size() < 50; info = registry.Next(info->id))
                lines << QStringLiteral("%1 Rev %2.%3.%4")
                             .arg(QString::fromStdString(info->name))
                             .arg(info->majorVersion)
                             .arg(info->minorVersion)
                             .arg(info->revision);
            return lines;
        }
        std::uint32_t Register(const char* name, std::array<std::uint8_t, 32> query = {}) {
            return server->RegisterExtension(name, 1, 0, 0, std::make_shared<Emulator::EchoExtension>(),
                                             query);
        }
    };

private Q_SLOTS:
    // In registration order with each one's query data; nothing after the last or after an unknown ID.
    void scanInRegistrationOrderThenEnd() {
        Network network;
        QVERIFY(network.ScanLines().isEmpty());
        std::array<std::uint8_t, 32> query{};
        for (std::size_t i = 0; i < query.size(); ++i)
            query[i] = static_cast<std::uint8_t>(0xA0 + i);
        network.server->RegisterExtension("XYZ", 1, 2, 10, std::make_shared<Emulator::EchoExtension>(),
                                          query);
        const std::uint32_t last =
            network.server->RegisterExtension("ABC", 3, 0, 1, std::make_shared<Emulator::EchoExtension>());
        QCOMPARE(network.ScanLines(), (QStringList{"XYZ Rev 1.2.10", "ABC Rev 3.0.1"}));
        QVERIFY(network.server->Extensions().Next(Emulator::ExtensionRegistry::ScanStart)->queryData ==
                query);
        QVERIFY(network.server->Extensions().Next(last) == nullptr);
        QVERIFY(network.server->Extensions().Next(last + 77) == nullptr);
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
        QCOMPARE(ExtensionId(*network.server, name.constData()), found ? registered : 0u);
    }

    // A request reaches the handler of its extension, whose whole reply comes back.
    void requestsGoToTheirExtension_data() {
        QTest::addColumn<bool>("known");
        QTest::addColumn<std::uint16_t>("status");
        QTest::newRow("registered") << true << StatusCodes::Success;
        QTest::newRow("unknown ID") << false << StatusCodes::NoSuchExtension;
    }
    void requestsGoToTheirExtension() {
        QFETCH(bool, known);
        QFETCH(std::uint16_t, status);
        Network network;
        const std::uint32_t id = network.Register("ECHO");
        const std::vector<std::uint8_t> request(600, 0x5A);
        std::vector<std::uint8_t> reply;
        QCOMPARE(network.server->Extensions().Request(known ? id : 0x12345678, 1, request, reply), status);
        QCOMPARE(reply, known ? request : std::vector<std::uint8_t>{});
    }

    // A module loads when its file is in SYS:SYSTEM; names ignore letter case and a leading path.
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
        QCOMPARE(network.server->LoadModule(name.constData()), status);
        std::vector<std::string> expected;
        if (!listed.isEmpty())
            expected.push_back(listed.toStdString());
        QCOMPARE(network.server->LoadedModules(), expected);
    }

    void loadAndUnloadStatuses() {
        Network network;
        network.PutSystemFile("QVEXT.NLM");
        Server& server = *network.server;
        QCOMPARE(server.UnloadModule("QVEXT.NLM"), StatusCodes::ModuleNotLoaded);
        QCOMPARE(server.LoadModule("QVEXT.NLM"), StatusCodes::Success);
        QCOMPARE(server.LoadModule("QVEXT.NLM"), StatusCodes::ModuleAlreadyLoaded);
        QCOMPARE(server.LoadModule("NOFILE.NLM"), StatusCodes::ModuleNotFound);
        QCOMPARE(server.UnloadModule("qvext"), StatusCodes::Success);
        QCOMPARE(server.UnloadModule("QVEXT.NLM"), StatusCodes::ModuleNotLoaded);
    }

    void consoleModuleRegistersItsExtension() {
        Network network;
        network.Register("FIRST");
        network.PutSystemFile("QVEXT.NLM");
        QCOMPARE(ExtensionId(*network.server, "QV_EXT"), 0u);
        QCOMPARE(network.server->LoadModule("QVEXT.NLM"), StatusCodes::Success);
        QCOMPARE(network.ScanLines(), (QStringList{"FIRST Rev 1.0.0", "QV_EXT Rev 1.0.0"}));
        const std::uint32_t first = ExtensionId(*network.server, "QV_EXT");
        QVERIFY(first != 0);
        QCOMPARE(network.server->UnloadModule("QVEXT.NLM"), StatusCodes::Success);
        QCOMPARE(network.ScanLines(), QStringList{"FIRST Rev 1.0.0"});
        std::vector<std::uint8_t> reply;
        QCOMPARE(network.server->Extensions().Request(first, 1, std::vector<std::uint8_t>{0x12, 0x40}, reply),
                 StatusCodes::NoSuchExtension);
        // Loaded again, it is a new registration with a new ID.
        QCOMPARE(network.server->LoadModule("QVEXT.NLM"), StatusCodes::Success);
        const std::uint32_t second = ExtensionId(*network.server, "QV_EXT");
        QVERIFY(second != 0 && second != first);
    }

    void otherModulesAreOnlyListed() {
        Network network;
        network.PutSystemFile("BACKUP.NLM");
        QCOMPARE(network.server->LoadModule("BACKUP.NLM"), StatusCodes::Success);
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
};

QTEST_GUILESS_MAIN(ExtensionsAndModulesTest)
#include "ExtensionsAndModulesTest.moc"
