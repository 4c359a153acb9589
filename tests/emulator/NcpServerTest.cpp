#include "NcpTestSupport.h"

#include "emulator/ConsoleModule.h"
#include "emulator/DemoNetwork.h"
#include "emulator/NcpServer.h"
#include "ncp/DirectoryCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/NlmCodecs.h"
#include "tests/support/TsharkCheck.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <memory>
#include <set>
#include <thread>

using NcpTest::Client;

// The demo network's servers over real loopback sockets: what a client sees of them, the console through
// both forms of function 37, NLMs, a file copied into SYS:SYSTEM, bad input that ends only its own
// connection (and shows in the capture), a cut transfer's temporary file, many connections, idle connections,
// the limits on what one peer may hold, injected faults, and a capture tshark reads as NCP.
class NcpServerTest final : public QObject {
    Q_OBJECT

    struct Network : NcpTest::Demo {
        std::unique_ptr<Emulator::NcpServer> ncp;

        explicit Network(Emulator::NcpServer::Options options = {}) {
            ncp = std::make_unique<Emulator::NcpServer>(std::move(options));
            for (auto& demo : servers)
                ncp->AddServer(*demo.server);
            std::string error;
            if (!ncp->Start(&error))
                qWarning("servers not started: %s", error.c_str());
        }
        std::uint16_t Port(const char* server) const { return ncp->Port(server); }
        // Waits (two seconds at most) until the server has count connections.
        bool ConnectionsBecome(const char* server, std::size_t count) {
            for (int i = 0; i < 200 && ncp->ConnectionCount(server) != count; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return ncp->ConnectionCount(server) == count;
        }
    };

    static std::uint32_t ConsoleExtension(Client& client) {
        Ncp::ExtensionInfoReply info;
        return client.Call(Ncp::ExtensionInfoByNameRequest{"QV_EXT"}, info) == 0 ? info.number : 0;
    }

    static std::vector<std::uint8_t> Message(std::uint16_t code, std::uint32_t value,
                                             std::size_t valueBytes = 4) {
        std::vector<std::uint8_t> bytes{std::uint8_t(code), std::uint8_t(code >> 8)};
        for (std::size_t i = 0; i < valueBytes; ++i)
            bytes.push_back(std::uint8_t(value >> (8 * i)));
        return bytes;
    }

    // The 25 rows of the selected screen as text, read five rows at a time.
    // Opens and selects the first screen of the list on the client's connection.
    static void SelectFirstScreen(Client& client, std::uint32_t extension) {
        std::vector<std::uint8_t> reply;
        NcpTest::Extension(client, extension, Message(0x4019, 0), 263, false, reply);
        std::vector<std::uint8_t> open = Message(0x4015, Ncp::ByteReader(reply).LE32());
        open.insert(open.begin() + 2, 0);
        NcpTest::Extension(client, extension, open, 4, false, reply);
        NcpTest::Extension(client, extension, Message(0x4016, Ncp::ByteReader(reply).LE32()), 1, false,
                           reply);
    }

    static QString ScreenText(Client& client, std::uint32_t extension, bool fragmented) {
        QString text;
        for (std::uint32_t row = 0; row < 25; row += 5) {
            std::vector<std::uint8_t> reply;
            if (NcpTest::Extension(client, extension, Message(0x401C, row), 800, fragmented, reply) != 0 ||
                reply.size() != 800)
                return QStringLiteral("<read failed at row %1>").arg(row);
            for (std::size_t cell = 0; cell < reply.size(); cell += 2)
                text += QChar(reply[cell] == 0 ? ' ' : char(reply[cell]));
        }
        return text;
    }

    static std::size_t OpenDescriptors() {
        return std::size_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                         std::filesystem::directory_iterator()));
    }

    // The servers every well-behaved exchange of this test goes to, recorded into one capture.
    QTemporaryDir captureDirectory;
    std::unique_ptr<Network> walk;

    QString CaptureFile() const { return captureDirectory.filePath("servers.pcap"); }

private Q_SLOTS:
    void initTestCase() {
        Emulator::NcpServer::Options options;
        options.captureFile = CaptureFile().toStdString();
        walk = std::make_unique<Network>(options);
        QVERIFY(walk->Port("ATLAS") != 0 && walk->Port("BOREAS") != 0 && walk->Port("CASTOR") != 0);
    }

    void whatTheServersTell_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<QByteArray>("text");
        const auto row = [](const char* name, const char* server, const char* call, const char* text) {
            QTest::newRow(name) << QByteArray(server) << QByteArray(call) << QByteArray(text);
        };
        row("ATLAS name", "ATLAS", "23/17", "ATLAS 5.0 4 volumes");
        row("CASTOR name", "CASTOR", "23/17", "CASTOR 3.12 1 volumes");
        row("ATLAS own station", "ATLAS", "23/28", "ADMIN");
        row("CASTOR own station, nobody", "CASTOR", "23/28", "0 <not authenticated>");
        row("BOREAS object name", "BOREAS", "23/54", "JDOE");
        row("ATLAS bindery context", "ATLAS", "104/04", "OU=SALES.O=ACME");
        row("ATLAS user's directory name", "ATLAS", "104/02 entry", "CN=Admin.O=ACME");
        row("BOREAS directory name", "BOREAS", "104/02 server", "CN=BOREAS.OU=Sales.O=ACME");
        row("ATLAS tree", "ATLAS", "104/01", "ACME");
        row("CASTOR has no directory", "CASTOR", "104/01", "status 89FB");
        row("ATLAS console rights", "ATLAS", "23/200", "status 0");
    }
    void whatTheServersTell() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, call);
        QFETCH(QByteArray, text);
        const Emulator::DemoServer* demo = nullptr;
        for (const auto& entry : walk->servers)
            if (entry.server->Name() == server.toStdString())
                demo = &entry;
        QVERIFY(demo != nullptr);
        Client client(walk->Port(server.constData()));
        QCOMPARE(client.OpenStatus(), std::uint16_t{0});
        if (demo->attachment.logIn)
            QCOMPARE(client.Login(demo->attachment.userName, demo->attachment.password), std::uint16_t{0});
        const std::uint32_t userId = demo->server->FindObject(demo->attachment.userName, 1)->id;
        // The reply's text, or "status XXXX" when the call failed.
        const auto told = [&client]<typename Reply>(const auto& request, Reply reply, auto text) {
            const std::uint16_t status = client.Call(request, reply);
            return status != 0 ? "status " + QByteArray::number(status, 16).toUpper()
                               : QByteArray::fromStdString(text(reply));
        };
        const auto verb = [](std::uint32_t number, const auto& verbRequest) {
            Ncp::ByteWriter data;
            Ncp::BuildVerbData(verbRequest, data);
            Ncp::DirectoryServicesRequest request;
            request.verb = number;
            request.verbData = data.Take();
            return request;
        };
        const auto verbText = [](auto verbReply, auto text) {
            return [verbReply, text](const Ncp::DirectoryServicesReply& reply) mutable {
                return Ncp::ParseVerbData(reply.verbData, verbReply) ? text(verbReply)
                                                                     : std::string("unparsed");
            };
        };
        Ncp::ReadEntryNameRequest entry;
        entry.entryId = userId;
        QByteArray answer = "status 0";
        if (call == "23/17")
            answer =
                told(Ncp::GetFileServerInformationRequest{}, Ncp::FileServerInformationReply{}, [](auto& r) {
                    return r.serverName + " " + std::to_string(r.osMajorVersion) + "." +
                           std::to_string(r.osMinorVersion) + " " + std::to_string(r.maxVolumes) + " volumes";
                });
        else if (call == "23/28")
            answer = told(Ncp::GetStationLoggedInfoRequest{client.Connection().ConnectionNumber()},
                          Ncp::StationLoggedInfoReply{},
                          [](auto& r) { return r.objectId == 0 ? "0 <not authenticated>" : r.objectName; });
        else if (call == "23/54")
            answer = told(Ncp::GetBinderyObjectNameRequest{userId}, Ncp::BinderyObjectReply{},
                          [](auto& r) { return r.objectName; });
        else if (call == "104/04")
            answer = told(Ncp::BinderyContextRequest{}, Ncp::BinderyContextReply{},
                          [](auto& r) { return r.context; });
        else if (call == "104/01")
            answer = told(Ncp::PingDirectoryServicesRequest{}, Ncp::PingDirectoryServicesReply{},
                          [](auto& r) { return r.treeName; });
        else if (call == "104/02 entry")
            answer = told(verb(Ncp::VerbReadEntryInfo, entry), Ncp::DirectoryServicesReply{},
                          verbText(Ncp::ReadEntryNameReply{}, [](auto& r) { return r.distinguishedName; }));
        else if (call == "104/02 server")
            answer = told(verb(Ncp::VerbGetServerAddress, Ncp::ServerAddressRequest{}),
                          Ncp::DirectoryServicesReply{},
                          verbText(Ncp::ServerAddressReply{}, [](auto& r) { return r.serverName; }));
        else
            answer = told(Ncp::CheckConsolePrivilegesRequest{}, Ncp::EmptyReply{},
                          [](auto&) { return "status 0"; });
        QCOMPARE(answer, text);
    }

    void extensionScanAndLookups() {
        Client client(walk->Port("ATLAS"));
        QCOMPARE(client.Login("GUEST", "guest"), std::uint16_t{0});
        QStringList names;
        Ncp::ScanExtensionsRequest scan;
        Ncp::ExtensionInfoReply info;
        std::uint16_t status = 0;
        while ((status = client.Call(scan, info)) == 0 && names.size() < 20) {
            names << QString::fromStdString(info.name);
            scan.afterNumber = info.number;
        }
        QCOMPARE(status, std::uint16_t{0x89FF});
        QCOMPARE(names, (QStringList{"TIMESYNC_NCP", "BACKUP_AGENT", "QV_EXT"}));
        const std::uint32_t console = ConsoleExtension(client);
        QCOMPARE(console, scan.afterNumber);
        QCOMPARE(client.Call(Ncp::ExtensionInfoByNumberRequest{console}, info), std::uint16_t{0});
        QCOMPARE(QByteArray::fromStdString(info.name), QByteArray("QV_EXT"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(info.queryData.data())),
                 QByteArray("TESSALINE CONSOLE"));
        QCOMPARE(client.Call(Ncp::ExtensionInfoByNameRequest{"NO_SUCH"}, info), std::uint16_t{0x89FF});
        QCOMPARE(client.Call(Ncp::ExtensionInfoByNumberRequest{0x7777}, info), std::uint16_t{0x89FF});
    }

    void consoleInBothForms_data() {
        QTest::addColumn<bool>("fragmented");
        QTest::newRow("simple") << false;
        QTest::newRow("fragmented") << true;
    }
    void consoleInBothForms() {
        QFETCH(bool, fragmented);
        Client client(walk->Port("ATLAS"));
        QCOMPARE(client.Login("ADMIN", "acme"), std::uint16_t{0});
        // 800-byte row reads in the simple form need a buffer larger than the first 512 bytes.
        std::uint16_t accepted = 0;
        QCOMPARE(client.Connection().NegotiateBufferSize(4096, accepted), std::uint16_t{0});
        const std::uint32_t console = ConsoleExtension(client);
        QVERIFY(console != 0);
        std::vector<std::uint8_t> reply;
        QStringList screens;
        std::uint32_t first = 0;
        for (std::uint32_t previous = 0; screens.size() < 10; previous = Ncp::ByteReader(reply).LE32()) {
            QCOMPARE(NcpTest::Extension(client, console, Message(0x4019, previous), 263, fragmented, reply),
                     0);
            QCOMPARE(reply.size(), std::size_t{263});
            if (Ncp::ByteReader(reply).LE32() == 0)
                break;
            first = first != 0 ? first : Ncp::ByteReader(reply).LE32();
            screens << QString::fromLatin1(reinterpret_cast<const char*>(reply.data() + 8));
        }
        QCOMPARE(screens, (QStringList{"System Console", "Monitor", "Logger Screen"}));
        std::vector<std::uint8_t> open = Message(0x4015, first);
        open.insert(open.begin() + 2, 0); // the option byte comes before the reference
        QCOMPARE(NcpTest::Extension(client, console, open, 4, fragmented, reply), 0);
        const std::uint32_t handle = Ncp::ByteReader(reply).LE32();
        QCOMPARE(NcpTest::Extension(client, console, Message(0x4016, handle), 1, fragmented, reply), 0);
        QVERIFY(ScreenText(client, console, fragmented).contains("ATLAS:"));
        QCOMPARE(NcpTest::Extension(client, console, Message(0x401D, 'Q', 2), 1, fragmented, reply), 0);
        QVERIFY(ScreenText(client, console, fragmented).contains("ATLAS:Q"));
        QCOMPARE(NcpTest::Extension(client, console, Message(0x401D, 0x1B, 2), 1, fragmented, reply), 0);
        QCOMPARE(NcpTest::Extension(client, console, Message(0x4012, 0, 0), 1, fragmented, reply), 0);
        QVERIFY(ScreenText(client, console, fragmented).startsWith("ATLAS:"));
    }

    void secondConnectionSeesTheSameServer() {
        Client admin(walk->Port("ATLAS"));
        Client guest(walk->Port("ATLAS"));
        QCOMPARE(admin.Login("ADMIN", "acme"), std::uint16_t{0});
        QCOMPARE(guest.Login("GUEST", "guest"), std::uint16_t{0});
        std::uint16_t accepted = 0;
        QCOMPARE(guest.Connection().NegotiateBufferSize(4096, accepted), std::uint16_t{0});
        QVERIFY(admin.Connection().ConnectionNumber() != guest.Connection().ConnectionNumber());
        Ncp::NlmRpcReply rpc;
        QCOMPARE(admin.Call(Ncp::UnloadNlmRequest{"TSABACK.NLM"}, rpc), std::uint16_t{0});
        QCOMPARE(rpc.rpcCode, 0u);
        Ncp::ExtensionInfoReply info;
        QCOMPARE(guest.Call(Ncp::ExtensionInfoByNameRequest{"BACKUP_AGENT"}, info), std::uint16_t{0x89FF});
        QCOMPARE(admin.Call(Ncp::LoadNlmRequest{0, "SYS:SYSTEM\\TSABACK.NLM"}, rpc), std::uint16_t{0});
        QCOMPARE(rpc.rpcCode, 0u);
        QCOMPARE(guest.Call(Ncp::ExtensionInfoByNameRequest{"BACKUP_AGENT"}, info), std::uint16_t{0});
        // A key typed on one connection is on the screen another operator's connection reads, when both
        // selected it.
        const std::uint32_t console = ConsoleExtension(admin);
        SelectFirstScreen(admin, console);
        std::vector<std::uint8_t> reply;
        QCOMPARE(NcpTest::Extension(admin, console, Message(0x401D, 'W', 2), 1, false, reply), 0);
        Client reader(walk->Port("ATLAS"));
        QCOMPARE(reader.Login("ADMIN", "acme"), std::uint16_t{0});
        SelectFirstScreen(reader, console);
        QVERIFY(ScreenText(reader, console, true).contains("ATLAS:W"));
        QCOMPARE(NcpTest::Extension(admin, console, Message(0x401D, 0x1B, 2), 1, false, reply), 0);
    }

    void loadAndUnload_data() {
        QTest::addColumn<bool>("load");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<uint>("rpcCode");
        const auto row = [](const char* name, bool load, const char* module, uint rpcCode) {
            QTest::newRow(name) << load << QByteArray(module) << rpcCode;
        };
        row("load a module in SYS:SYSTEM", true, "MONITOR", 0u);
        row("load with arguments", true, "SYS:SYSTEM\\MONITOR.NLM -p", 0u);
        row("load a loaded module", true, "CLIB.NLM", 0x8902u);
        row("load a missing module", true, "QVEXT2.NLM", 0x8901u);
        row("unload a module not loaded", false, "MONITOR.NLM", 0x8903u);
    }
    void loadAndUnload() {
        QFETCH(bool, load);
        QFETCH(QByteArray, name);
        QFETCH(uint, rpcCode);
        Client client(walk->Port("BOREAS"));
        QCOMPARE(client.Login("JDOE", "sales"), std::uint16_t{0});
        Ncp::NlmRpcReply rpc;
        const std::uint16_t status = load ? client.Call(Ncp::LoadNlmRequest{0, name.toStdString()}, rpc)
                                          : client.Call(Ncp::UnloadNlmRequest{name.toStdString()}, rpc);
        QCOMPARE(status, std::uint16_t{0});
        QCOMPARE(rpc.rpcCode, rpcCode);
        bool loaded = false;
        walk->ncp->Call([&] { loaded = walk->Named("BOREAS").IsModuleLoaded("MONITOR.NLM"); });
        QCOMPARE(loaded, load && rpcCode == 0);
        if (loaded)
            QCOMPARE(client.Call(Ncp::UnloadNlmRequest{"MONITOR.NLM"}, rpc), std::uint16_t{0});
    }

    // The transfer's walk: create a temporary file, write it in 4096-byte pieces, close it, set its time,
    // rename it over the module file, and finally delete that.
    void fileIntoSysSystem() {
        QFile target(walk->System("BOREAS") + "QVEXT.NLM");
        QVERIFY(target.open(QIODevice::WriteOnly) && target.write("older") == 5);
        target.close();
        Client client(walk->Port("BOREAS"));
        QCOMPARE(client.Login("JDOE", "sales"), std::uint16_t{0});
        std::uint16_t accepted = 0;
        QCOMPARE(client.Connection().NegotiateBufferSize(4096, accepted), std::uint16_t{0});
        QCOMPARE(accepted, std::uint16_t{4096});

        Ncp::OpenCreateFileReply opened;
        QCOMPARE(client.Call(NcpTest::Create(NcpTest::Path("SYS:SYSTEM\\QVEXT.TMP")), opened),
                 std::uint16_t{0});
        QCOMPARE(opened.openCreateAction, Ncp::ActionCreated);
        std::vector<std::uint8_t> content(10000);
        for (std::size_t i = 0; i < content.size(); ++i)
            content[i] = std::uint8_t(i * 7 + i / 256);
        Ncp::Reply reply;
        for (std::size_t offset = 0; offset < content.size(); offset += 4096) {
            const std::size_t length = std::min<std::size_t>(4096, content.size() - offset);
            Ncp::WriteFileRequest write{
                opened.fileHandle, std::uint32_t(offset),
                std::vector<std::uint8_t>(content.begin() + qsizetype(offset),
                                          content.begin() + qsizetype(offset + length))};
            QCOMPARE(client.Call(write, reply), std::uint16_t{0});
        }
        QCOMPARE(client.Call(Ncp::CloseFileRequest{opened.fileHandle}, reply), std::uint16_t{0});
        QCOMPARE(client.Call(Ncp::CloseFileRequest{opened.fileHandle}, reply), std::uint16_t{0x8988});

        Ncp::ModifyDosInformationRequest time;
        time.modifyMask = Ncp::ModifyModifyDate | Ncp::ModifyModifyTime;
        time.modification = *Ncp::ToDosDateTime(Ncp::CivilTime{2024, 5, 17, 13, 45, 30});
        time.path = NcpTest::Path("SYS:SYSTEM\\QVEXT.TMP");
        QCOMPARE(client.Call(time, reply), std::uint16_t{0});
        QCOMPARE(client.Call(Ncp::RenameOrMoveRequest{0, 0, Ncp::SearchAllFiles,
                                                      NcpTest::Path("SYS:SYSTEM\\QVEXT.TMP"),
                                                      NcpTest::Path("SYS:SYSTEM\\QVEXT.NLM")},
                             reply),
                 std::uint16_t{0});

        QVERIFY(!QFile::exists(walk->System("BOREAS") + "QVEXT.TMP"));
        QVERIFY(target.open(QIODevice::ReadOnly));
        QCOMPARE(target.readAll(),
                 QByteArray(reinterpret_cast<const char*>(content.data()), qsizetype(content.size())));
        target.close();
        QCOMPARE(QFileInfo(target.fileName()).lastModified(),
                 QDateTime(QDate(2024, 5, 17), QTime(13, 45, 30)));
        QCOMPARE(client.Call(
                     Ncp::DeleteFileRequest{0, Ncp::SearchAllFiles, NcpTest::Path("SYS:SYSTEM\\QVEXT.NLM")},
                     reply),
                 std::uint16_t{0});
        QVERIFY(!target.exists());
    }

    // Everything the tests above sent and received, decoded by tshark.
    void captureDecodesAsNcp() {
        const QList<std::uint16_t> ports{walk->Port("ATLAS"), walk->Port("BOREAS"), walk->Port("CASTOR")};
        walk.reset(); // stops the servers, which ends every conversation in the capture
        if (!TsharkCheck::Available())
            QSKIP("tshark is not installed");
        const TsharkCheck::Report report = TsharkCheck::Check(CaptureFile(), ports);
        QVERIFY2(report.problems.isEmpty(), qPrintable(report.ProblemText()));
        const QString frames = report.ncpFrames.join(QLatin1Char(10));
        for (const char* name :
             {"Create Connection Service", "Keyed Object Login", "Get File Server Information",
              "Get NCP Extension Information", "Execute NCP Extension", "RPC Load NLM", "RPC Unload NLM",
              "Open or Create", "Write to a File", "Modify DOS Information", "Rename or Move",
              "Delete a File", "NDS Read Entry Information", "Return Bindery Context",
              "Destroy Connection Service"})
            QVERIFY2(frames.contains(name, Qt::CaseInsensitive), name);
    }

    // --- bad input and faults, each on servers of its own ---

    void badInputEndsOnlyItsConnection_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("afterCreate");
        const auto packet = [](std::vector<std::uint8_t> bytes) {
            const auto frame = Ncp::EncodeRequestFrame(bytes, 0);
            return QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
        };
        QTest::newRow("bad signature")
            << QByteArray("XXXX\0\0\0\x17\0\0\0\x01\0\0\x04\0\x11\x11\0\xff\x01\xff\0", 23) << false;
        QTest::newRow("frame longer than any bound")
            << QByteArray("DmdT\0\x01\0\0\0\0\0\x01\0\0\x04\0", 16) << false;
        QTest::newRow("frame shorter than a header")
            << QByteArray("DmdT\0\0\0\x0a\0\0\0\x01\0\0\x04\0", 16) << false;
        QTest::newRow("request before create") << packet({0x22, 0x22, 1, 1, 1, 0, 23, 0, 1, 17}) << false;
        QTest::newRow("wrong sequence") << packet({0x22, 0x22, 9, 2, 1, 0, 23, 0, 1, 17}) << true;
        QTest::newRow("watchdog packet") << packet({0x3E, 0x3E, 1, 2, 1, 0, 0}) << true;
    }
    void badInputEndsOnlyItsConnection() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, afterCreate);
        QTemporaryDir captures;
        Emulator::NcpServer::Options options;
        options.captureFile = captures.filePath("bad.pcap").toStdString();
        Network network(options);
        Client good(network.Port("ATLAS"));
        QCOMPARE(good.Login("GUEST", "guest"), std::uint16_t{0});
        NcpTest::RawSocket bad(network.Port("ATLAS"));
        QVERIFY(bad.Connected());
        if (afterCreate) {
            QVERIFY(bad.SendPacket(NcpTest::CreatePacket()));
            QVERIFY(bad.Answered());
        }
        QVERIFY(bad.Send(std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
        QVERIFY(bad.ClosedByPeer());
        QVERIFY(network.ConnectionsBecome("ATLAS", 1));
        Ncp::FileServerInformationReply info;
        QCOMPARE(good.Call(Ncp::GetFileServerInformationRequest{}, info), std::uint16_t{0});
        QFile capture(captures.filePath("bad.pcap"));
        QVERIFY(capture.open(QIODevice::ReadOnly));
        QVERIFY2(capture.readAll().contains(bytes), "what arrived before the close is in the capture");
    }

    void peerGoneMidWriteLeavesNoOpenFile() {
        Network network;
        Client other(network.Port("ATLAS"));
        QCOMPARE(other.Login("GUEST", "guest"), std::uint16_t{0});
        const std::size_t descriptors = OpenDescriptors();
        {
            Client writer(network.Port("ATLAS"));
            QCOMPARE(writer.Login("ADMIN", "acme"), std::uint16_t{0});
            Ncp::OpenCreateFileReply opened;
            QCOMPARE(writer.Call(NcpTest::Create(NcpTest::Path("SYS:SYSTEM\\HALF.NLM")), opened),
                     std::uint16_t{0});
            Ncp::Reply reply;
            QCOMPARE(
                writer.Call(Ncp::WriteFileRequest{opened.fileHandle, 0, std::vector<std::uint8_t>(300, 1)},
                            reply),
                std::uint16_t{0});
            QCOMPARE(writer.Call(NcpTest::Create(NcpTest::Path("SYS:SYSTEM\\TS00ABCD.TMP")), opened),
                     std::uint16_t{0});
            QVERIFY(QFile::exists(network.System("ATLAS") + "TS00ABCD.TMP"));
        } // the writer's socket closes without a destroy request
        NcpTest::RawSocket cut(network.Port("ATLAS"));
        QVERIFY(cut.SendPacket(NcpTest::CreatePacket()));
        QVERIFY(cut.Answered());
        std::vector<std::uint8_t> half = Ncp::EncodeRequestFrame(std::vector<std::uint8_t>(200, 0x22), 0);
        half.resize(100);
        QVERIFY(cut.Send(half));
        cut.Close();
        QVERIFY(network.ConnectionsBecome("ATLAS", 1));
        QCOMPARE(OpenDescriptors(), descriptors);
        QCOMPARE(QFileInfo(network.System("ATLAS") + "HALF.NLM").size(), qint64(300));
        QVERIFY(!QFile::exists(network.System("ATLAS") + "TS00ABCD.TMP")); // the cut transfer's temporary
        Ncp::FileServerInformationReply info;
        QCOMPARE(other.Call(Ncp::GetFileServerInformationRequest{}, info), std::uint16_t{0});
    }

    // Temporary files left by transfers of an earlier run go when the servers start; other files stay.
    void startRemovesEarlierTemporaries() {
        NcpTest::Demo demo;
        for (const char* name : {"TS12AB34.TMP", "ts000001.tmp", "TS1.TMP", "TSXYZXYZ.TMP"}) {
            QFile file(demo.System("BOREAS") + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Emulator::NcpServer ncp;
        ncp.AddServer(demo.Named("BOREAS"));
        QVERIFY(ncp.Start());
        QCOMPARE(QDir(demo.System("BOREAS")).entryList({"TS*"}, QDir::Files),
                 (QStringList{"TS1.TMP", "TSXYZXYZ.TMP"}));
    }

    // What one peer may hold, with small limits: a trickled frame, logins and open files per user, open files
    // per connection, the largest file, the negotiated buffer, and the server's own maximum of connections.
    void resourceLimits_data() {
        QTest::addColumn<QByteArray>("limit");
        for (const char* limit :
             {"trickled frame", "idle despite bytes", "logins per user", "open files per user",
              "open files per connection", "file size", "negotiated buffer", "server maximum"})
            QTest::newRow(limit) << QByteArray(limit);
    }
    void resourceLimits() {
        QFETCH(QByteArray, limit);
        Emulator::NcpServer::Options options;
        options.frameTimeout =
            limit == "trickled frame" ? std::chrono::milliseconds(300) : std::chrono::seconds(60);
        options.idleTimeout =
            limit == "idle despite bytes" ? std::chrono::milliseconds(400) : std::chrono::seconds(60);
        Network network(options);
        Emulator::Server& atlas = network.Named("ATLAS");
        Emulator::ServerLimits small = atlas.Limits();
        small.connectionsPerUser = 2;
        small.openFilesPerUser = 3;
        small.openFilesPerConnection = 2;
        small.maxFileSize = 1000;
        network.ncp->Call([&] { atlas.SetLimits(small); });
        const auto open = [](Client& client, const std::string& name) {
            Ncp::OpenCreateFileReply opened;
            return client.Call(NcpTest::Create(NcpTest::Path(("SYS:" + name).c_str())), opened);
        };
        Client first(network.Port("ATLAS"));
        Client second(network.Port("ATLAS"));
        if (limit == "trickled frame" || limit == "idle despite bytes") {
            NcpTest::RawSocket trickle(network.Port("ATLAS"));
            QVERIFY(trickle.SendPacket(NcpTest::CreatePacket()));
            QVERIFY(trickle.Answered());
            std::vector<std::uint8_t> frame =
                Ncp::EncodeRequestFrame(std::vector<std::uint8_t>(560, 0x22), 0);
            QVERIFY(trickle.Send(std::vector<std::uint8_t>(frame.begin(), frame.begin() + 10)));
            for (std::size_t i = 10; i < 40 && trickle.Send({frame[i]}); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            QVERIFY(trickle.ClosedByPeer());
        } else if (limit == "logins per user") {
            Client third(network.Port("ATLAS"));
            QCOMPARE(first.Login("GUEST", "guest"), std::uint16_t{0});
            QCOMPARE(second.Login("GUEST", "guest"), std::uint16_t{0});
            QCOMPARE(third.Login("GUEST", "guest"), std::uint16_t{0x89D9});
            QCOMPARE(third.Login("ADMIN", "acme"), std::uint16_t{0});
        } else if (limit == "open files per user") {
            QCOMPARE(first.Login("GUEST", "guest"), std::uint16_t{0});
            QCOMPARE(second.Login("GUEST", "guest"), std::uint16_t{0});
            QCOMPARE(open(first, "A.TXT"), std::uint16_t{0});
            QCOMPARE(open(first, "B.TXT"), std::uint16_t{0});
            QCOMPARE(open(second, "C.TXT"), std::uint16_t{0});
            QCOMPARE(open(second, "D.TXT"), std::uint16_t{0x8981});
            first.Connection().Close();
            QVERIFY(network.ConnectionsBecome("ATLAS", 1));
            QCOMPARE(open(second, "D.TXT"), std::uint16_t{0});
        } else if (limit == "open files per connection") {
            QCOMPARE(first.Login("ADMIN", "acme"), std::uint16_t{0});
            QCOMPARE(open(first, "A.TXT"), std::uint16_t{0});
            QCOMPARE(open(first, "B.TXT"), std::uint16_t{0});
            QCOMPARE(open(first, "C.TXT"), std::uint16_t{0x8981});
        } else if (limit == "file size" || limit == "negotiated buffer") {
            QCOMPARE(first.Login("ADMIN", "acme"), std::uint16_t{0});
            Ncp::OpenCreateFileReply opened;
            QCOMPARE(first.Call(NcpTest::Create(NcpTest::Path("SYS:A.TXT")), opened), std::uint16_t{0});
            const std::uint16_t buffer = first.Connection().BufferSize();
            const auto write = [&](std::uint32_t offset, std::size_t count) {
                Ncp::Reply reply;
                return first.Call(
                    Ncp::WriteFileRequest{opened.fileHandle, offset, std::vector<std::uint8_t>(count, 7)},
                    reply);
            };
            if (limit == "file size") { // the last byte the limit allows, then one beyond it
                QCOMPARE(write(1000 - buffer, buffer), std::uint16_t{0});
                QCOMPARE(write(1000, 1), std::uint16_t{0x8996});
            } else { // the whole buffer, then one byte more
                QCOMPARE(write(0, buffer), std::uint16_t{0});
                QCOMPARE(write(0, buffer + 1u), std::uint16_t{0x897E});
            }
        } else {
            std::vector<std::unique_ptr<NcpTest::RawSocket>> more;
            for (int i = 0; i < 23; ++i) { // CASTOR takes 25
                more.push_back(std::make_unique<NcpTest::RawSocket>(network.Port("CASTOR")));
                QVERIFY(more.back()->SendPacket(NcpTest::CreatePacket()));
                QVERIFY(more.back()->Answered());
            }
            Client castor(network.Port("CASTOR"));
            Client other(network.Port("CASTOR"));
            Ncp::FileServerInformationReply info;
            QCOMPARE(castor.Call(Ncp::GetFileServerInformationRequest{}, info), std::uint16_t{0});
            QCOMPARE(info.connectionsInUse, std::uint16_t{25});
            QCOMPARE(other.Connection().ConnectionNumber(), std::uint16_t{25}); // the last number there is
            QCOMPARE(info.maxConnections, std::uint16_t{25});
            NcpTest::RawSocket refused(network.Port("CASTOR"));
            QVERIFY(refused.ClosedByPeer());
            QCOMPARE(network.ncp->ConnectionCount("CASTOR"), std::size_t{25});
        }
        Ncp::FileServerInformationReply info;
        if (limit != "idle despite bytes") // the others are served meanwhile
            QCOMPARE(second.Call(Ncp::GetFileServerInformationRequest{}, info), std::uint16_t{0});
    }

    void manyConnectionsAtOnce() {
        Network network;
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < 40; ++i)
            clients.push_back(std::make_unique<Client>(network.Port("ATLAS")));
        QCOMPARE(network.ncp->ConnectionCount("ATLAS"), std::size_t{40});
        std::set<std::uint16_t> numbers;
        for (auto& client : clients)
            numbers.insert(client->Connection().ConnectionNumber());
        for (auto& client : clients) {
            Ncp::FileServerInformationReply info;
            QCOMPARE(client->Call(Ncp::GetFileServerInformationRequest{}, info), std::uint16_t{0});
        }
        QCOMPARE(numbers.size(), std::size_t{40});
        clients.clear();
        QVERIFY(network.ConnectionsBecome("ATLAS", 0));
    }

    void idleConnectionsAreClosed() {
        Emulator::NcpServer::Options options;
        options.idleTimeout = std::chrono::milliseconds(300);
        Network network(options);
        Client busy(network.Port("ATLAS"));
        NcpTest::RawSocket idle(network.Port("ATLAS"));
        QVERIFY(idle.SendPacket(NcpTest::CreatePacket()));
        QVERIFY(idle.Answered());
        for (int i = 0; i < 10; ++i) {
            Ncp::FileServerInformationReply info;
            QCOMPARE(busy.Call(Ncp::GetFileServerInformationRequest{}, info), std::uint16_t{0});
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
        QVERIFY(idle.ClosedByPeer());
        QCOMPARE(network.ncp->ConnectionCount("ATLAS"), std::size_t{1});
    }

    void injectedFaults_data() {
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<uint>("first");
        QTest::addColumn<uint>("second");
        QTest::newRow("23/17 fails once") << QByteArray("23/17 once") << 0x89FFu << 0u;
        QTest::newRow("by its name, always") << QByteArray("by name") << 0x8996u << 0x8996u;
        QTest::newRow("connections dropped") << QByteArray("drop") << 0x8819u << 0x8819u;
        QTest::newRow("replies delayed") << QByteArray("delay") << 0u << 0u;
        QTest::newRow("console replies cut") << QByteArray("console") << 0u << 0u;
    }
    void injectedFaults() {
        QFETCH(QByteArray, fault);
        QFETCH(uint, first);
        QFETCH(uint, second);
        Network network;
        Client client(network.Port("ATLAS"));
        QCOMPARE(client.Login("ADMIN", "acme"), std::uint16_t{0});
        if (fault == "23/17 once")
            QVERIFY(network.ncp->FailFunction("ATLAS", "23/17", 0xFF, 0, 1));
        else if (fault == "by name")
            QVERIFY(network.ncp->FailFunction("atlas", "Get File Server Information", 0x96));
        else if (fault == "drop")
            QVERIFY(network.ncp->DropConnections("ATLAS"));
        else if (fault == "console")
            QVERIFY(network.ncp->SetConsoleFault("ATLAS", Emulator::ConsoleFault::ShortReplies));
        else
            QVERIFY(network.ncp->SetReplyDelay("ATLAS", std::chrono::milliseconds(250)));
        QVERIFY(!network.ncp->FailFunction("ATLAS", "Brew Coffee", 0xFF));
        const auto started = std::chrono::steady_clock::now();
        Ncp::FileServerInformationReply info;
        QCOMPARE(uint(client.Call(Ncp::GetFileServerInformationRequest{}, info)), first);
        QCOMPARE(uint(client.Call(Ncp::GetFileServerInformationRequest{}, info)), second);
        if (fault == "delay")
            QVERIFY(std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(500));
        std::vector<std::uint8_t> screen; // the console's list reply, cut only by the console fault
        if (fault != "drop") {
            QCOMPARE(
                NcpTest::Extension(client, ConsoleExtension(client), Message(0x4019, 0), 263, true, screen),
                0);
            QCOMPARE(screen.size(), fault == "console" ? std::size_t{263 / 2} : std::size_t{263});
        }
    }
};

QTEST_GUILESS_MAIN(NcpServerTest)
#include "NcpServerTest.moc"
