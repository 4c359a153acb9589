#include "EmulatorTestSupport.h"

#include "emulator/DemoNetwork.h"
#include "emulator/ModuleImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTest>

using namespace EmulatorTest;

// The network the program runs on by default.
class DemoNetworkTest final : public QObject {
    Q_OBJECT

    struct Demo {
        QTemporaryDir volumes;
        std::unique_ptr<Emulator::Workstation> workstation =
            Emulator::MakeDemoWorkstation(volumes.path().toStdString());

        std::uint32_t HandleOf(const char* serverName) {
            std::uint32_t cursor = 0, ref = 0;
            while (workstation->ScanConnRefs(&cursor, &ref) == 0) {
                char name[ClientLibrary::ServerNameSize] = {};
                workstation->GetConnRefInfo(ref, 7, sizeof name, name);
                if (QByteArray(name) == serverName)
                    return OpenHandle(*workstation, ref);
            }
            return 0;
        }
        QString SystemFile(const char* server, const char* file) const {
            return volumes.path() + "/" + server + "/SYS/SYSTEM/" + file;
        }
    };

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void serversInScanOrderWithAtlasPrimary() {
        Demo demo;
        QStringList names;
        std::uint32_t cursor = 0, ref = 0;
        while (demo.workstation->ScanConnRefs(&cursor, &ref) == 0 && names.size() < 10) {
            char name[ClientLibrary::ServerNameSize] = {};
            QCOMPARE(demo.workstation->GetConnRefInfo(ref, 7, sizeof name, name), StatusCodes::Success);
            names << QString::fromLatin1(name);
        }
        QCOMPARE(names, (QStringList{"ATLAS", "BOREAS", "CASTOR"}));
        std::uint32_t primary = 0;
        QCOMPARE(demo.workstation->GetPrimaryConnRef(&primary), StatusCodes::Success);
        char name[ClientLibrary::ServerNameSize] = {};
        demo.workstation->GetConnRefInfo(primary, 7, sizeof name, name);
        QCOMPARE(QByteArray(name), QByteArray("ATLAS"));
    }

    void serverFacts_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("maxConnections");
        QTest::addColumn<int>("inUse");
        QTest::addColumn<int>("volumes");
        QTest::newRow("ATLAS") << QByteArray("ATLAS") << 5 << 0 << 8 << 250 << 12 << 4;
        QTest::newRow("BOREAS") << QByteArray("BOREAS") << 4 << 11 << 0 << 100 << 7 << 2;
        QTest::newRow("CASTOR") << QByteArray("CASTOR") << 3 << 12 << 0 << 25 << 3 << 1;
    }
    void serverFacts() {
        QFETCH(QByteArray, server);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(int, maxConnections);
        QFETCH(int, inUse);
        QFETCH(int, volumes);
        Demo demo;
        char name[ClientLibrary::FileServerNameSize] = {};
        std::uint8_t ma = 0, mi = 0, re = 0, sft = 0, tts = 0;
        std::uint16_t maxConns = 0, peak = 0, used = 0, volumeCount = 0;
        QCOMPARE(demo.workstation->NWGetFileServerInformation(demo.HandleOf(server.constData()), name, &ma,
                                                              &mi, &re, &maxConns, &peak, &used, &volumeCount,
                                                              &sft, &tts),
                 StatusCodes::Success);
        QCOMPARE(QByteArray(name), server);
        QCOMPARE(int(ma), major);
        QCOMPARE(int(mi), minor);
        QCOMPARE(int(re), revision);
        QCOMPARE(int(maxConns), maxConnections);
        QCOMPARE(int(used), inUse);
        QCOMPARE(int(volumeCount), volumes);
        for (const std::string& volume :
             demo.workstation->FindServer(server.constData())->ServerVolumes().Names())
            QVERIFY(
                QFileInfo(demo.volumes.path() + "/" + server + "/" + QString::fromStdString(volume)).isDir());
    }

    void usersOfTheConnections_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("directoryName");
        QTest::addColumn<QByteArray>("binderyName");
        QTest::newRow("ATLAS") << QByteArray("ATLAS") << QByteArray("CN=Admin.O=ACME") << QByteArray("ADMIN");
        QTest::newRow("BOREAS") << QByteArray("BOREAS") << QByteArray("CN=jdoe.OU=Sales.O=ACME")
                                << QByteArray("JDOE");
    }
    void usersOfTheConnections() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, directoryName);
        QFETCH(QByteArray, binderyName);
        Demo demo;
        const std::uint32_t handle = demo.HandleOf(server.constData());
        std::uint32_t userId = 0;
        QCOMPARE(demo.workstation->GetConnInfo(handle, 6, 4, &userId), StatusCodes::Success);
        QVERIFY(userId != 0);
        const std::uint32_t context = demo.workstation->NWDSCreateContext();
        char name[ClientLibrary::DSObjectNameSize] = {};
        QCOMPARE(demo.workstation->MapIdToDSName(context, handle, userId, name), std::uint32_t{0});
        QCOMPARE(QByteArray(name), directoryName);
        demo.workstation->FreeContext(context);
        char bindery[ClientLibrary::BinderyNameSize] = {};
        std::uint16_t type = 0;
        QCOMPARE(demo.workstation->GetBinderyObjectNameById(handle, userId, bindery, &type),
                 StatusCodes::Success);
        QCOMPARE(QByteArray(bindery), binderyName);
    }

    void castorIsBinderyOnlyWithNobodyLoggedIn() {
        Demo demo;
        const std::uint32_t handle = demo.HandleOf("CASTOR");
        std::uint32_t userId = 0xFFFF;
        QCOMPARE(demo.workstation->GetConnInfo(handle, 6, 4, &userId), StatusCodes::Success);
        QCOMPARE(userId, 0u);
        std::uint32_t context = 0;
        demo.workstation->NWDSCreateContextHandle(&context);
        char dn[ClientLibrary::DSNameSize] = {};
        QCOMPARE(demo.workstation->NWDSGetServerDN(context, handle, dn), StatusCodes::DSNotAvailable);
        demo.workstation->FreeContext(context);
    }

    void atlasRunsTheConsoleAndSeveralExtensions() {
        Demo demo;
        const std::uint32_t handle = demo.HandleOf("ATLAS");
        QVERIFY(ExtensionId(*demo.workstation, handle, "QV_EXT") != 0);
        QVERIFY(demo.workstation->FindServer("ATLAS")->Extensions().All().size() >= 3);
        QCOMPARE(ReadFile(demo.SystemFile("ATLAS", "QVEXT.NLM")),
                 QByteArray(reinterpret_cast<const char*>(Emulator::ConsoleModuleImage().data()),
                            qsizetype(Emulator::ConsoleModuleImage().size())));
    }

    void boreasNeedsTheModuleTransferredFirst() {
        Demo demo;
        const std::uint32_t handle = demo.HandleOf("BOREAS");
        QCOMPARE(ExtensionId(*demo.workstation, handle, "QV_EXT"), 0u);
        QVERIFY(!QFileInfo::exists(demo.SystemFile("BOREAS", "QVEXT.NLM")));
        QCOMPARE(demo.workstation->NWSMLoadNLM(handle, "QVEXT.NLM"), StatusCodes::ModuleNotFound);

        char directory[1024] = {};
        QCOMPARE(demo.workstation->GetVolumeDirectory("boreas", "sys", directory, sizeof directory),
                 StatusCodes::Success);
        QVERIFY(QFile::copy(demo.SystemFile("ATLAS", "QVEXT.NLM"),
                            QString::fromUtf8(directory) + "/SYSTEM/QVEXT.NLM"));
        QCOMPARE(demo.workstation->NWSMLoadNLM(handle, "QVEXT.NLM"), StatusCodes::Success);
        QVERIFY(ExtensionId(*demo.workstation, handle, "QV_EXT") != 0);
    }

    void restartKeepsFilesButNotLoadedModules() {
        QTemporaryDir volumes;
        {
            auto first = Emulator::MakeDemoWorkstation(volumes.path().toStdString());
            QFile file(volumes.path() + "/BOREAS/SYS/SYSTEM/QVEXT.NLM");
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("transferred");
            file.close();
            QCOMPARE(first->FindServer("BOREAS")->LoadModule("QVEXT.NLM"), StatusCodes::Success);
        }
        auto second = Emulator::MakeDemoWorkstation(volumes.path().toStdString());
        QVERIFY(!second->FindServer("BOREAS")->IsModuleLoaded("QVEXT.NLM"));
        QCOMPARE(ReadFile(volumes.path() + "/BOREAS/SYS/SYSTEM/QVEXT.NLM"), QByteArray("transferred"));
    }

    void dataFileMatchesTheEmbeddedModule() {
        const QString dataFile =
            QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath("../../emulator/data/QVEXT.NLM");
        const QByteArray bytes = ReadFile(dataFile);
        QVERIFY2(!bytes.isEmpty(), qPrintable(dataFile));
        QVERIFY(bytes.startsWith("NetWare Loadable Module"));
        QCOMPARE(bytes, QByteArray(reinterpret_cast<const char*>(Emulator::ConsoleModuleImage().data()),
                                   qsizetype(Emulator::ConsoleModuleImage().size())));
    }

    void defaultVolumesRootIsUnderTheUsersData() {
        QVERIFY(QString::fromStdString(Emulator::DefaultVolumesRoot()).endsWith("/Tessaline/volumes"));
    }
};

QTEST_GUILESS_MAIN(DemoNetworkTest)
#include "DemoNetworkTest.moc"
