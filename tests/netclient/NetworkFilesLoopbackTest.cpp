#include "netclient/NcpClient.h"
#include "netclient/NetworkFiles.h"
#include "network/LoopbackDemo.h"
#include "util/FileCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <sys/stat.h>
#include <utime.h>

Q_DECLARE_METATYPE(std::vector<std::string>)

using namespace std::string_literals;

namespace {

// A client attached to the demo network on loopback, bound as the client and as the file layer of network
// paths.
struct Transfer {
    QTemporaryDir volumes;
    QTemporaryDir local;
    LoopbackDemo demo;
    NetClient::NcpClient client;
    NetClient::NetworkFiles files{client};
    QString system; // BOREAS's SYS:SYSTEM on disk

    Transfer() {
        std::string error;
        if (!demo.Start(volumes.path().toStdString(), error))
            qFatal("demo network: %s", error.c_str());
        // Attached as the program attaches: the copy asks the client whether a network path is a local
        // directory too, and the in-process demo's volumes are.
        if (!demo.AttachClient(client).empty())
            qFatal("the demo network did not attach");
        system =
            QString::fromStdString(demo.FindServer("BOREAS")->ServerVolumes().SystemDirectory().string());
        BindClient(&client);
        Platform::BindNetworkFiles(&files);
    }
    ~Transfer() {
        Platform::BindNetworkFiles(nullptr);
        BindClient(nullptr);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // A local file of size bytes (a pattern that shows any shifted or lost piece) with the given time.
    std::string Source(const QString& name, qsizetype size, std::time_t modified) {
        QByteArray bytes(size, '\0');
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
        const QString path = local.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != size)
            qFatal("source not written");
        file.close();
        const utimbuf times{modified, modified};
        ::utime(qPrintable(path), &times);
        return path.toStdString();
    }

    QByteArray OnServer(const QString& name) const {
        QFile file(system + "/" + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList SystemFiles() const { return QDir(system).entryList(QDir::Files, QDir::Name); }
};

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

} // namespace

class NetworkFilesLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void networkPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QStringList>("components");
        QTest::addRow("destination") << "\\\\BOREAS\\sys\\SYSTEM\\QVEXT.NLM" << true << "BOREAS"
                                     << "SYS" << QStringList{"SYSTEM", "QVEXT.NLM"};
        QTest::addRow("file at the volume root") << "\\\\A\\VOL1\\F" << true << "A"
                                                 << "VOL1" << QStringList{"F"};
        QTest::addRow("no name below the volume") << "\\\\A\\SYS" << false << ""
                                                  << "" << QStringList{};
        QTest::addRow("trailing separator") << "\\\\A\\SYS\\SYSTEM\\" << false << ""
                                            << "" << QStringList{};
        QTest::addRow("climbs out") << "\\\\A\\SYS\\..\\X" << false << ""
                                    << "" << QStringList{};
        QTest::addRow("local path") << "/tmp/x" << false << ""
                                    << "" << QStringList{};
    }
    void networkPaths() {
        QFETCH(QString, path);
        QFETCH(bool, valid);
        QFETCH(QString, server);
        QFETCH(QString, volume);
        QFETCH(QStringList, components);
        NetClient::NetworkPath parsed;
        QCOMPARE(NetClient::ParseNetworkPath(path.toStdString(), parsed), valid);
        if (!valid)
            return;
        QStringList parts;
        for (const std::string& component : parsed.components)
            parts << QString::fromStdString(component);
        QCOMPARE(QString::fromStdString(parsed.server), server);
        QCOMPARE(QString::fromStdString(parsed.volume), volume);
        QCOMPARE(parts, components);
    }

    // A 1 MiB file arrives byte for byte, with its time at the even second, replacing an older file, and
    // nothing else is left in the directory.
    void transferArrivesWhole() {
        Transfer transfer;
        QFile old(transfer.system + "/BIG.NLM");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("OLD");
        old.close();
        const QStringList before = transfer.SystemFiles();
        const std::string source =
            transfer.Source("BIG.NLM", 1024 * 1024, LocalTime(2024, 5, 17, 13, 45, 31));
        QCOMPARE(NCP_Ext::CopyFile(source, "\\\\BOREAS\\SYS\\SYSTEM\\"), std::uint16_t{0});
        QFile local(QString::fromStdString(source));
        QVERIFY(local.open(QIODevice::ReadOnly));
        QVERIFY(transfer.OnServer("BIG.NLM") == local.readAll());
        QCOMPARE(QFileInfo(transfer.system + "/BIG.NLM").lastModified().toSecsSinceEpoch(),
                 qint64{LocalTime(2024, 5, 17, 13, 45, 30)});
        QCOMPARE(transfer.SystemFiles(), before);
    }

    // Two connections to servers of one name (here both to BOREAS): a path means the connection preferred for
    // paths, and the first of the name when none is, or when the preferred one leads elsewhere.
    void sameNamedServers_data() {
        QTest::addColumn<QString>("preferred");
        QTest::addColumn<bool>("secondCarries");
        QTest::addRow("none preferred") << "none" << false;
        QTest::addRow("the second") << "second" << true;
        QTest::addRow("a connection to another server") << "ATLAS" << false;
    }
    void sameNamedServers() {
        QFETCH(QString, preferred);
        QFETCH(bool, secondCarries);
        Transfer transfer;
        std::vector<NetClient::Attachment> again = transfer.demo.Attachments();
        std::erase_if(
            again, [](const NetClient::Attachment& attachment) { return attachment.serverName != "BOREAS"; });
        NetClient::FixedPasswords passwords = transfer.demo.Passwords();
        QVERIFY(transfer.client.AttachAll(again, passwords).empty());
        const std::vector<std::uint32_t> references = transfer.client.ConnectionRefs();
        QCOMPARE(references.size(), std::size_t{4});
        NetClient::ServerSession* first = transfer.client.SessionOfReference(references[1]);
        NetClient::ServerSession* second = transfer.client.SessionOfReference(references[3]);
        QCOMPARE(first->ServerName(), "BOREAS"s);
        QCOMPARE(second->ServerName(), "BOREAS"s);
        if (preferred == "second")
            transfer.client.PreferConnectionForPaths(references[3]);
        if (preferred == "ATLAS")
            transfer.client.PreferConnectionForPaths(references[0]);

        const std::uint64_t firstBefore = first->RoundTrips();
        const std::uint64_t secondBefore = second->RoundTrips();
        const std::string source = transfer.Source("TWICE.NLM", 5000, LocalTime(2024, 5, 17, 13, 45, 30));
        QCOMPARE(NCP_Ext::CopyFile(source, "\\\\BOREAS\\SYS\\SYSTEM\\"), std::uint16_t{0});
        QCOMPARE(second->RoundTrips() > secondBefore, secondCarries);
        QCOMPARE(first->RoundTrips() > firstBefore, !secondCarries);
    }

    // Whatever step the server refuses, the copy fails with 0xFFFF, the old file stays as it was and no
    // temporary file is left behind.
    void refusedStepLeavesTheOldFile_data() {
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("completion");
        QTest::addColumn<int>("skip"); // calls that still succeed first (a 1 MiB file takes 17 writes)
        QTest::addRow("volume full half-way") << "73" << 0x96 << 8;
        QTest::addRow("no write right half-way") << "73" << 0x94 << 8;
        QTest::addRow("creating refused") << "87/01" << 0x84 << 0;
        QTest::addRow("setting the time refused") << "87/07" << 0x8C << 0;
        QTest::addRow("renaming refused") << "87/04" << 0x8B << 0;
    }
    void refusedStepLeavesTheOldFile() {
        QFETCH(QString, call);
        QFETCH(int, completion);
        QFETCH(int, skip);
        Transfer transfer;
        QFile old(transfer.system + "/BIG.NLM");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("OLD");
        old.close();
        const QStringList before = transfer.SystemFiles();
        const std::string source =
            transfer.Source("BIG.NLM", 1024 * 1024, LocalTime(2024, 5, 17, 13, 45, 30));
        QVERIFY(transfer.demo.Network().FailFunction("BOREAS", call.toStdString(),
                                                     static_cast<std::uint8_t>(completion),
                                                     static_cast<std::uint32_t>(skip), 1));
        QCOMPARE(NCP_Ext::CopyFile(source, "\\\\BOREAS\\SYS\\SYSTEM\\"), NCP_Ext::CopyFailed);
        QCOMPARE(transfer.OnServer("BIG.NLM"), QByteArray("OLD"));
        QCOMPARE(transfer.SystemFiles(), before);
    }

    // Destinations the copy refuses with 0xFFFF, the source left as it was: an unknown server, CASTOR
    // (attached without a login, so its SYS:SYSTEM cannot be written), and the source itself when it lies in
    // the demo server's own SYS:SYSTEM directory on this machine.
    void refusedDestinations_data() {
        QTest::addColumn<bool>("sourceOnServer");
        QTest::addColumn<std::string>("destination");
        QTest::addRow("unknown server") << false << "\\\\ZEUS\\SYS\\SYSTEM\\"s;
        QTest::addRow("no login") << false << "\\\\CASTOR\\SYS\\SYSTEM\\"s;
        QTest::addRow("the source itself") << true << "\\\\BOREAS\\SYS\\SYSTEM\\A.NLM"s;
        QTest::addRow("the source itself, name completed") << true << "\\\\BOREAS\\SYS\\SYSTEM\\"s;
    }
    void refusedDestinations() {
        QFETCH(bool, sourceOnServer);
        QFETCH(std::string, destination);
        Transfer transfer;
        std::string source = transfer.Source("A.NLM", 10000, LocalTime(2024, 5, 17, 13, 45, 30));
        QFile made(QString::fromStdString(source));
        QVERIFY(made.open(QIODevice::ReadOnly));
        const QByteArray bytes = made.readAll();
        if (sourceOnServer) {
            const QString onServer = transfer.system + "/A.NLM";
            QVERIFY(QFile::copy(QString::fromStdString(source), onServer));
            source = onServer.toStdString();
        }
        QCOMPARE(NCP_Ext::CopyFile(source, destination), NCP_Ext::CopyFailed);
        QFile after(QString::fromStdString(source));
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), bytes);
    }
};

QTEST_GUILESS_MAIN(NetworkFilesLoopbackTest)
#include "NetworkFilesLoopbackTest.moc"
