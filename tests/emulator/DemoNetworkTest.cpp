#include "NcpTestSupport.h"

#include "emulator/DemoNetwork.h"
#include "emulator/ModuleImage.h"
#include "ncp/StatusCodes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTest>

// The network the program runs on by default.
class DemoNetworkTest final : public QObject {
    Q_OBJECT

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QStringList Texts(const std::vector<std::string>& texts) {
        QStringList list;
        for (const std::string& text : texts)
            list << QString::fromStdString(text);
        return list;
    }
    static QStringList ExtensionNames(const Emulator::Server& server) {
        QStringList names;
        for (const Emulator::ExtensionInfo& info : server.Extensions().All())
            names << QString::fromStdString(info.name);
        return names;
    }

private Q_SLOTS:
    // The servers in their order (the first is the primary one) with their versions, counts and volumes;
    // a directory name only where there are directory services.
    void serverFacts_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QList<int>>("versionAndCounts"); // major, minor, revision, max, in use
        QTest::addColumn<QStringList>("volumes");
        QTest::addColumn<QByteArray>("directoryName");
        QTest::newRow("ATLAS") << 0 << QByteArray("ATLAS") << QList<int>{5, 0, 8, 250, 0}
                               << QStringList{"SYS", "VOL1", "DATA", "APPS"} << QByteArray("CN=ATLAS.O=ACME");
        QTest::newRow("BOREAS") << 1 << QByteArray("BOREAS") << QList<int>{4, 11, 0, 100, 0}
                                << QStringList{"SYS", "USERS"} << QByteArray("CN=BOREAS.OU=Sales.O=ACME");
        QTest::newRow("CASTOR") << 2 << QByteArray("CASTOR") << QList<int>{3, 12, 0, 25, 0}
                                << QStringList{"SYS"} << QByteArray();
    }
    void serverFacts() {
        QFETCH(int, position);
        QFETCH(QByteArray, server);
        QFETCH(QList<int>, versionAndCounts);
        QFETCH(QStringList, volumes);
        QFETCH(QByteArray, directoryName);
        NcpTest::Demo demo;
        QCOMPARE(demo.servers.size(), std::size_t{3});
        const Emulator::Server& named = *demo.servers.at(std::size_t(position)).server;
        QCOMPARE(QByteArray::fromStdString(named.Name()), server);
        const Emulator::ServerConfig& config = named.Config();
        QCOMPARE((QList<int>{config.majorVersion, config.minorVersion, config.revision, config.maxConnections,
                             int(named.AttachedCount())}),
                 versionAndCounts);
        QCOMPARE(Texts(named.ServerVolumes().Names()), volumes);
        for (const QString& volume : volumes)
            QVERIFY(QFileInfo(demo.volumes.path() + "/" + server + "/" + volume).isDir());
        QCOMPARE(QByteArray::fromStdString(config.directoryName), directoryName);
        QCOMPARE(named.HasDirectoryServices(), !directoryName.isEmpty());
    }

    // The users with their passwords (kept as hashes), directory names and console rights, and how the demo
    // attaches: ATLAS and BOREAS with a login, CASTOR without one.
    void usersAndAttachments_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("directoryName");
        QTest::addColumn<bool>("consoleOperator");
        QTest::addColumn<QString>("attachment"); // "login", "no login" or "" (the demo does not use it)
        const auto row = [](const char* server, const char* user, const char* password, const char* dn,
                            bool consoleOperator, const char* attachment) {
            QTest::addRow("%s %s", server, user)
                << QByteArray(server) << QByteArray(user) << QByteArray(password) << QByteArray(dn)
                << consoleOperator << QString(attachment);
        };
        row("ATLAS", "ADMIN", "acme", "CN=Admin.O=ACME", true, "login");
        row("ATLAS", "GUEST", "guest", "CN=Guest.O=ACME", false, "");
        row("BOREAS", "JDOE", "sales", "CN=jdoe.OU=Sales.O=ACME", true, "login");
        row("CASTOR", "SUPERVISOR", "castor", "", true, "no login");
    }
    void usersAndAttachments() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, directoryName);
        QFETCH(bool, consoleOperator);
        QFETCH(QString, attachment);
        NcpTest::Demo demo;
        const Emulator::Server& named = demo.Named(server.constData());
        const Emulator::ServerObject* object = named.FindObject(user.toStdString(), Ncp::ObjectTypeUser);
        QVERIFY(object != nullptr);
        QVERIFY(object->passwordHash == Ncp::HashPassword(object->id, password.toStdString()));
        QCOMPARE(QByteArray::fromStdString(object->directoryName), directoryName);
        QCOMPARE(named.IsConsoleOperator(object->id), consoleOperator);
        for (const Emulator::DemoServer& entry : demo.servers)
            if (entry.server.get() == &named && !attachment.isEmpty()) {
                QCOMPARE(QByteArray::fromStdString(entry.attachment.userName), user);
                QCOMPARE(QByteArray::fromStdString(entry.attachment.password), password);
                QCOMPARE(entry.attachment.logIn, attachment == "login");
            }
    }

    // The modules running from the start and the extensions they registered; only ATLAS has the console
    // module (the demo's own file), BOREAS lacks its file in SYS:SYSTEM, CASTOR has no extensions at all.
    void modulesAndExtensions_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QStringList>("modules");
        QTest::addColumn<QStringList>("extensions");
        QTest::newRow("ATLAS") << QByteArray("ATLAS")
                               << QStringList{"DS.NLM", "CLIB.NLM", "TIMESYNC.NLM", "TSABACK.NLM",
                                              "QVEXT.NLM"}
                               << QStringList{"TIMESYNC_NCP", "BACKUP_AGENT", "QV_EXT"};
        QTest::newRow("BOREAS") << QByteArray("BOREAS") << QStringList{"DS.NLM", "CLIB.NLM", "TIMESYNC.NLM"}
                                << QStringList{"TIMESYNC_NCP"};
        QTest::newRow("CASTOR") << QByteArray("CASTOR") << QStringList{"CLIB.NLM"} << QStringList{};
    }
    void modulesAndExtensions() {
        QFETCH(QByteArray, server);
        QFETCH(QStringList, modules);
        QFETCH(QStringList, extensions);
        NcpTest::Demo demo;
        const Emulator::Server& named = demo.Named(server.constData());
        QCOMPARE(Texts(named.LoadedModules()), modules);
        QCOMPARE(ExtensionNames(named), extensions);
        const QByteArray image(reinterpret_cast<const char*>(Emulator::ConsoleModuleImage().data()),
                               qsizetype(Emulator::ConsoleModuleImage().size()));
        QCOMPARE(ReadFile(demo.System(server.constData()) + "QVEXT.NLM"),
                 modules.contains("QVEXT.NLM") ? image : QByteArray());
    }

    void boreasNeedsTheModuleTransferredFirst() {
        NcpTest::Demo demo;
        Emulator::Server& boreas = demo.Named("BOREAS");
        QCOMPARE(boreas.LoadModule("QVEXT.NLM"), StatusCodes::ModuleNotFound);
        const auto sys = boreas.ServerVolumes().Directory("sys");
        QVERIFY(sys.has_value());
        QVERIFY(QFile::copy(demo.System("ATLAS") + "QVEXT.NLM",
                            QString::fromStdString((*sys / "SYSTEM" / "QVEXT.NLM").string())));
        QCOMPARE(boreas.LoadModule("QVEXT.NLM"), StatusCodes::Success);
        QVERIFY(boreas.Extensions().Find("QV_EXT") != nullptr);
    }

    void restartKeepsFilesButNotLoadedModules() {
        QTemporaryDir volumes;
        {
            auto first = Emulator::MakeDemoServers(volumes.path().toStdString());
            QFile file(volumes.path() + "/BOREAS/SYS/SYSTEM/QVEXT.NLM");
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("transferred");
            file.close();
            QCOMPARE(first.at(1).server->LoadModule("QVEXT.NLM"), StatusCodes::Success);
        }
        auto second = Emulator::MakeDemoServers(volumes.path().toStdString());
        QVERIFY(!second.at(1).server->IsModuleLoaded("QVEXT.NLM"));
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
