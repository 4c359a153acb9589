#include "NcpTestSupport.h"

#include "emulator/DemoNetwork.h"
#include "emulator/NcpSession.h"
#include "ncp/DirectoryCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/NlmCodecs.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <filesystem>

using Emulator::NcpSession;

// One service connection driven with packets alone, on the demo network's servers: the packet rules, who may
// call what, the keyed login, and where files may go.
class NcpSessionTest final : public QObject {
    Q_OBJECT

    struct Demo {
        QTemporaryDir volumes;
        std::vector<Emulator::DemoServer> servers = Emulator::MakeDemoServers(volumes.path().toStdString());

        Emulator::Server& Named(const QByteArray& name) {
            for (auto& demo : servers)
                if (demo.server->Name() == name.toStdString())
                    return *demo.server;
            return *servers.front().server;
        }
        QString System(const char* server) const { return volumes.path() + "/" + server + "/SYS/SYSTEM/"; }
    };

    struct Answer {
        int completion = -1; // -1: no reply
        bool closed = false;
        std::vector<std::uint8_t> data;
    };

    // A session after its create-connection request.
    struct Station {
        Emulator::ServerFaults faults;
        NcpSession session;
        std::uint8_t sequence = 1;

        explicit Station(Emulator::Server& server) : session(server, faults) {
            session.Handle(NcpTest::CreatePacket());
        }

        Answer Raw(const std::vector<std::uint8_t>& packet, std::uint32_t capacity = 0) {
            const Emulator::SessionOutcome outcome = session.Handle(packet, capacity);
            Answer answer;
            answer.closed = outcome.close;
            if (const auto reply = Ncp::ParseReplyPacket(outcome.reply)) {
                answer.completion = reply->header.completionCode;
                answer.data.assign(reply->data.begin(), reply->data.end());
            }
            return answer;
        }
        template <typename Request> Answer Send(const Request& request, std::uint32_t capacity = 0) {
            return Raw(NcpTest::Packet(request, sequence++, session.ConnectionNumber()), capacity);
        }
        int Login(const std::string& user, const std::string& password) {
            Ncp::GetLoginKeyReply key;
            Ncp::ParseReplyData(Send(Ncp::GetLoginKeyRequest{}).data, key);
            Ncp::BinderyObjectReply object;
            Ncp::ParseReplyData(Send(Ncp::GetBinderyObjectIdRequest{1, user}).data, object);
            Ncp::KeyedObjectLoginRequest login;
            login.response = Ncp::LoginResponseFor(key.key, Ncp::HashPassword(object.objectId, password));
            login.objectName = user;
            return Send(login).completion;
        }
    };

    static std::vector<std::uint8_t> RawPacket(std::uint16_t type, std::uint8_t sequence,
                                               std::uint16_t connection, std::uint8_t function,
                                               std::vector<std::uint8_t> body = {}) {
        std::vector<std::uint8_t> packet{std::uint8_t(type >> 8),
                                         std::uint8_t(type),
                                         sequence,
                                         std::uint8_t(connection),
                                         1,
                                         std::uint8_t(connection >> 8),
                                         function};
        packet.insert(packet.end(), body.begin(), body.end());
        return packet;
    }

    static Ncp::OpenCreateFileRequest Create(const char* path) {
        Ncp::OpenCreateFileRequest request;
        request.openCreateMode = Ncp::OpenModeCreate | Ncp::OpenModeReplace | Ncp::OpenModeOpen;
        request.desiredAccessRights = Ncp::AccessRead | Ncp::AccessWrite;
        request.path = NcpTest::Path(path);
        return request;
    }

    static std::size_t OpenDescriptors() {
        return std::size_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                         std::filesystem::directory_iterator()));
    }

private Q_SLOTS:
    void packetRules_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<int>("completion");
        QTest::addColumn<bool>("closes");
        const auto row = [](const char* name, const char* server, std::vector<std::uint8_t> packet,
                            int completion, bool closes) {
            QTest::newRow(name) << QByteArray(server)
                                << QByteArray(reinterpret_cast<const char*>(packet.data()),
                                              qsizetype(packet.size()))
                                << completion << closes;
        };
        row("23/17 in order", "ATLAS", RawPacket(0x2222, 1, 1, 23, {0, 1, 17}), 0, false);
        row("sequence skipped", "ATLAS", RawPacket(0x2222, 2, 1, 23, {0, 1, 17}), -1, true);
        row("sequence of the create", "ATLAS", RawPacket(0x2222, 0, 1, 23, {0, 1, 17}), -1, true);
        row("another connection's number", "ATLAS", RawPacket(0x2222, 1, 2, 23, {0, 1, 17}), -1, true);
        row("burst-mode packet type", "ATLAS", RawPacket(0x7777, 1, 1, 23, {0, 1, 17}), -1, true);
        row("unknown function", "ATLAS", RawPacket(0x2222, 1, 1, 99), 0xFB, false);
        row("unknown subfunction", "ATLAS", RawPacket(0x2222, 1, 1, 23, {0, 1, 99}), 0xFB, false);
        row("length word beyond the data", "ATLAS", RawPacket(0x2222, 1, 1, 23, {0, 9, 17}), 0x7E, false);
        row("87 without its subfunction", "ATLAS", RawPacket(0x2222, 1, 1, 87), 0x7E, false);
        row("23/53 with a cut name", "ATLAS", RawPacket(0x2222, 1, 1, 23, {0, 6, 53, 0, 1, 9, 'A', 'D'}),
            0x7E, false);
        row("destroy", "ATLAS", RawPacket(0x5555, 1, 1, 0), 0, true);
        row("104/04 on a version-5 server", "ATLAS", RawPacket(0x2222, 1, 1, 104, {4}), 0, false);
        row("104/04 on a bindery-only server", "CASTOR", RawPacket(0x2222, 1, 1, 104, {4}), 0xFB, false);
        row("97 big packets", "ATLAS", RawPacket(0x2222, 1, 1, 97, {0x04, 0x00, 0x00}), 0xFB, false);
    }
    void packetRules() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, packet);
        QFETCH(int, completion);
        QFETCH(bool, closes);
        Demo demo;
        Station station(demo.Named(server));
        QCOMPARE(station.session.ConnectionNumber(), std::uint16_t{1});
        const Answer answer = station.Raw(std::vector<std::uint8_t>(packet.begin(), packet.end()));
        QCOMPARE(answer.completion, completion);
        QCOMPARE(answer.closed, closes);
        if (!closes) // the session goes on with the next sequence number
            QCOMPARE(station.Raw(RawPacket(0x2222, 2, 1, 23, {0, 1, 17})).completion, 0);
    }

    void nothingBeforeTheCreateRequest() {
        Demo demo;
        Emulator::ServerFaults faults;
        NcpSession session(demo.Named("ATLAS"), faults);
        const Emulator::SessionOutcome outcome = session.Handle(RawPacket(0x2222, 1, 1, 23, {0, 1, 17}));
        QVERIFY(outcome.reply.empty());
        QVERIFY(outcome.close);
    }

    void whoMayCallWhat_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("user"); // empty: nobody logged in
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<int>("completion");
        QTest::newRow("nobody: server information")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("23/17") << 0;
        QTest::newRow("nobody: login key")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("23/23") << 0;
        QTest::newRow("nobody: object ID")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("23/53") << 0;
        QTest::newRow("nobody: own station")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("23/28 own") << 0;
        QTest::newRow("nobody: another station")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("23/28 other") << 0x7D;
        QTest::newRow("nobody: object name")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("23/54") << 0x7D;
        QTest::newRow("nobody: extension scan")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("36/00") << 0x7D;
        QTest::newRow("nobody: console rights")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("23/200") << 0xC6;
        QTest::newRow("nobody: load NLM")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("131/01") << 0xC6;
        QTest::newRow("nobody: write SYS:SYSTEM")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("87/01 system") << 0xC6;
        QTest::newRow("nobody: write SYS")
            << QByteArray("CASTOR") << QByteArray() << QByteArray("87/01 root") << 0x7D;
        QTest::newRow("GUEST: console rights")
            << QByteArray("ATLAS") << QByteArray("GUEST") << QByteArray("23/200") << 0xC6;
        QTest::newRow("GUEST: load NLM")
            << QByteArray("ATLAS") << QByteArray("GUEST") << QByteArray("131/01") << 0xC6;
        QTest::newRow("GUEST: unload NLM")
            << QByteArray("ATLAS") << QByteArray("GUEST") << QByteArray("131/02") << 0xC6;
        QTest::newRow("GUEST: write SYS:SYSTEM")
            << QByteArray("ATLAS") << QByteArray("GUEST") << QByteArray("87/01 system") << 0xC6;
        QTest::newRow("GUEST: write SYS")
            << QByteArray("ATLAS") << QByteArray("GUEST") << QByteArray("87/01 root") << 0;
        QTest::newRow("GUEST: extension scan")
            << QByteArray("ATLAS") << QByteArray("GUEST") << QByteArray("36/00") << 0;
        QTest::newRow("ADMIN: console rights")
            << QByteArray("ATLAS") << QByteArray("ADMIN") << QByteArray("23/200") << 0;
        QTest::newRow("ADMIN: load NLM")
            << QByteArray("ATLAS") << QByteArray("ADMIN") << QByteArray("131/01") << 0;
        QTest::newRow("ADMIN: write SYS:SYSTEM")
            << QByteArray("ATLAS") << QByteArray("ADMIN") << QByteArray("87/01 system") << 0;
    }
    void whoMayCallWhat() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, call);
        QFETCH(int, completion);
        Demo demo;
        Station station(demo.Named(server));
        if (!user.isEmpty())
            QCOMPARE(station.Login(user.toStdString(), user == "ADMIN" ? "acme" : "guest"), 0);
        Answer answer;
        if (call == "23/17")
            answer = station.Send(Ncp::GetFileServerInformationRequest{});
        else if (call == "23/23")
            answer = station.Send(Ncp::GetLoginKeyRequest{});
        else if (call == "23/53")
            answer = station.Send(Ncp::GetBinderyObjectIdRequest{1, "SUPERVISOR"});
        else if (call == "23/28 own" || call == "23/28 other")
            answer = station.Send(Ncp::GetStationLoggedInfoRequest{call.endsWith("own") ? 1u : 2u});
        else if (call == "23/54")
            answer = station.Send(Ncp::GetBinderyObjectNameRequest{1});
        else if (call == "36/00")
            answer = station.Send(Ncp::ScanExtensionsRequest{});
        else if (call == "23/200")
            answer = station.Send(Ncp::CheckConsolePrivilegesRequest{});
        else if (call == "131/01")
            answer = station.Send(Ncp::LoadNlmRequest{0, "MONITOR.NLM"});
        else if (call == "131/02")
            answer = station.Send(Ncp::UnloadNlmRequest{"TSABACK.NLM"});
        else if (call == "87/01 system")
            answer = station.Send(Create("SYS:SYSTEM\\NEW.NLM"));
        else if (call == "87/01 root")
            answer = station.Send(Create("SYS:NEW.TXT"));
        QCOMPARE(answer.completion, completion);
        QVERIFY(!answer.closed);
        if (call == "131/01")
            QCOMPARE(demo.Named(server).IsModuleLoaded("MONITOR.NLM"), completion == 0);
        if (call == "87/01 system")
            QCOMPARE(QFile::exists(demo.System(server.constData()) + "NEW.NLM"), completion == 0);
    }

    void ownStationBeforeLoginIsNobody() {
        Demo demo;
        Station station(demo.Named("CASTOR"));
        Ncp::StationLoggedInfoReply info;
        QVERIFY(Ncp::ParseReplyData(station.Send(Ncp::GetStationLoggedInfoRequest{1}).data, info));
        QCOMPARE(info.objectId, 0u);
        QCOMPARE(QByteArray::fromStdString(info.objectName), QByteArray());
    }

    void keyedLogin_data() {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<int>("completion");
        QTest::newRow("ADMIN") << QByteArray("ADMIN") << QByteArray("acme") << 0;
        QTest::newRow("password case ignored") << QByteArray("ADMIN") << QByteArray("AcMe") << 0;
        QTest::newRow("user case ignored") << QByteArray("guest") << QByteArray("guest") << 0;
        QTest::newRow("wrong password") << QByteArray("ADMIN") << QByteArray("guest") << 0xDE;
        QTest::newRow("empty password") << QByteArray("GUEST") << QByteArray("") << 0xDE;
        QTest::newRow("unknown user") << QByteArray("NOBODY") << QByteArray("acme") << 0xFC;
    }
    void keyedLogin() {
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, password);
        QFETCH(int, completion);
        Demo demo;
        Station station(demo.Named("ATLAS"));
        QCOMPARE(station.Login(user.toStdString(), password.toStdString()), completion);
        Ncp::StationLoggedInfoReply info;
        QVERIFY(Ncp::ParseReplyData(station.Send(Ncp::GetStationLoggedInfoRequest{1}).data, info));
        QCOMPARE(QByteArray::fromStdString(info.objectName), completion == 0 ? user.toUpper() : QByteArray());
        QCOMPARE(demo.Named("ATLAS").UserOnConnection(1).value_or(99) != 0, completion == 0);
    }

    void aLoginKeyServesOneAttempt() {
        Demo demo;
        Station station(demo.Named("ATLAS"));
        Ncp::GetLoginKeyReply key;
        QVERIFY(Ncp::ParseReplyData(station.Send(Ncp::GetLoginKeyRequest{}).data, key));
        Ncp::KeyedObjectLoginRequest login;
        login.response = Ncp::LoginResponseFor(key.key, Ncp::HashPassword(0x0B000001, "wrong"));
        login.objectName = "ADMIN";
        QCOMPARE(station.Send(login).completion, 0xDE);
        login.response = Ncp::LoginResponseFor(key.key, Ncp::HashPassword(0x0B000001, "acme"));
        QCOMPARE(station.Send(login).completion, 0xDE); // the right answer to a used key
        QCOMPARE(station.Login("ADMIN", "acme"), 0);
    }

    void replyLargerThanTheCallersBuffer() {
        Demo demo;
        Station station(demo.Named("ATLAS"));
        const Answer answer = station.Send(Ncp::GetFileServerInformationRequest{}, 64);
        QCOMPARE(answer.completion, 0x7E);
        QVERIFY(answer.data.empty());
        QCOMPARE(station.Send(Ncp::GetFileServerInformationRequest{}, 1024).data.size(), std::size_t{128});
    }

    void injectedFaultAnswersItsCompletion() {
        Demo demo;
        Station station(demo.Named("ATLAS"));
        QVERIFY(station.faults.FailFunction("23/17", 0x96, 1, 1));
        QCOMPARE(station.Send(Ncp::GetFileServerInformationRequest{}).completion, 0);
        QCOMPARE(station.Send(Ncp::GetFileServerInformationRequest{}).completion, 0x96);
        QCOMPARE(station.Send(Ncp::GetFileServerInformationRequest{}).completion, 0);
        QVERIFY(!station.faults.FailFunction("Make Coffee", 0x96));
    }

    // Where a console operator's file calls may reach, on ATLAS whose SYS:SYSTEM holds a read-only file, a
    // link to a file outside the volume and a link to a directory outside it.
    void pathsStayInsideTheVolume_data() {
        QTest::addColumn<QByteArray>("operation");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("completion");
        QTest::newRow("create in SYS:SYSTEM")
            << QByteArray("create") << QByteArray("SYS|SYSTEM|NEW.NLM") << 0;
        QTest::newRow("create, other letter case")
            << QByteArray("create") << QByteArray("sys|system|New.nlm") << 0;
        QTest::newRow("parent of the volume")
            << QByteArray("create") << QByteArray("SYS|SYSTEM|..|..|OUT.TXT") << 0x9C;
        QTest::newRow("current directory")
            << QByteArray("create") << QByteArray("SYS|.|SYSTEM|NEW.NLM") << 0x9C;
        QTest::newRow("empty component") << QByteArray("create") << QByteArray("SYS|SYSTEM||NEW.NLM") << 0x9C;
        QTest::newRow("absolute component")
            << QByteArray("create") << QByteArray("SYS|SYSTEM|/tmp/OUT") << 0x9C;
        QTest::newRow("link to a file outside")
            << QByteArray("create") << QByteArray("SYS|SYSTEM|LINK.NLM") << 0x9C;
        QTest::newRow("link to a directory outside")
            << QByteArray("create") << QByteArray("SYS|OUTSIDE|NEW.TXT") << 0x9C;
        QTest::newRow("unknown volume") << QByteArray("create") << QByteArray("NOVOL|NEW.TXT") << 0x98;
        QTest::newRow("open a missing file")
            << QByteArray("open") << QByteArray("SYS|SYSTEM|NONE.NLM") << 0xFF;
        QTest::newRow("open a directory") << QByteArray("open") << QByteArray("SYS|SYSTEM") << 0x9C;
        QTest::newRow("replace a read-only file")
            << QByteArray("create") << QByteArray("SYS|SYSTEM|LOCKED.NLM") << 0x94;
        QTest::newRow("rename over a read-only file")
            << QByteArray("rename") << QByteArray("SYS|SYSTEM|LOCKED.NLM") << 0x8B;
        QTest::newRow("rename over a writable file")
            << QByteArray("rename") << QByteArray("SYS|SYSTEM|CLIB.NLM") << 0;
        QTest::newRow("rename over a link")
            << QByteArray("rename") << QByteArray("SYS|SYSTEM|LINK.NLM") << 0x9C;
        QTest::newRow("rename to another volume")
            << QByteArray("rename") << QByteArray("VOL1|DS.NLM") << 0x9A;
        QTest::newRow("delete a read-only file")
            << QByteArray("delete") << QByteArray("SYS|SYSTEM|LOCKED.NLM") << 0x8A;
        QTest::newRow("delete through a link")
            << QByteArray("delete") << QByteArray("SYS|SYSTEM|LINK.NLM") << 0x9C;
        QTest::newRow("set the time of a read-only file")
            << QByteArray("time") << QByteArray("SYS|SYSTEM|LOCKED.NLM") << 0x94;
    }
    void pathsStayInsideTheVolume() {
        QFETCH(QByteArray, operation);
        QFETCH(QByteArray, path);
        QFETCH(int, completion);
        Demo demo;
        QTemporaryDir outside;
        const QString system = demo.System("ATLAS");
        QVERIFY(QFile::link(outside.filePath("TARGET.TXT"), system + "LINK.NLM"));
        QVERIFY(QFile::link(outside.path(), demo.volumes.path() + "/ATLAS/SYS/OUTSIDE"));
        QFile locked(system + "LOCKED.NLM");
        QVERIFY(locked.open(QIODevice::WriteOnly) && locked.write("kept") == 4);
        locked.close();
        QVERIFY(::chmod(QFile::encodeName(locked.fileName()).constData(), 0444) == 0);

        Station station(demo.Named("ATLAS"));
        QCOMPARE(station.Login("ADMIN", "acme"), 0);
        Answer answer;
        // The components as they travel, volume first: no text form says "..", "" or "/tmp/OUT" as one.
        Ncp::HandlePath components;
        for (const QByteArray& component : path.split('|'))
            components.components.push_back(component.toStdString());
        if (operation == "create" || operation == "open") {
            Ncp::OpenCreateFileRequest request = Create("SYS:X");
            if (operation == "open")
                request.openCreateMode = Ncp::OpenModeOpen;
            request.path = components;
            answer = station.Send(request);
        } else if (operation == "rename") {
            answer = station.Send(Ncp::RenameOrMoveRequest{0, 0, Ncp::SearchAllFiles,
                                                           NcpTest::Path("SYS:SYSTEM\\DS.NLM"), components});
        } else if (operation == "delete") {
            answer = station.Send(Ncp::DeleteFileRequest{0, Ncp::SearchAllFiles, components});
        } else {
            Ncp::ModifyDosInformationRequest request;
            request.modifyMask = Ncp::ModifyModifyDate | Ncp::ModifyModifyTime;
            request.modification = Ncp::DosDateTime{0x58B1, 0x6DAF};
            request.path = components;
            answer = station.Send(request);
        }
        QCOMPARE(answer.completion, completion);
        QCOMPARE(QDir(outside.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QFile kept(system + "LOCKED.NLM");
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("kept"));
    }

    void endOfSessionClosesFilesAndFreesTheNumber() {
        Demo demo;
        Emulator::Server& atlas = demo.Named("ATLAS");
        const std::size_t before = OpenDescriptors();
        {
            Station station(atlas);
            QCOMPARE(station.Login("ADMIN", "acme"), 0);
            QCOMPARE(station.Send(Create("SYS:SYSTEM\\A.NLM")).completion, 0);
            QCOMPARE(station.Send(Create("SYS:SYSTEM\\B.NLM")).completion, 0);
            QCOMPARE(station.session.OpenFileCount(), std::size_t{2});
            QCOMPARE(OpenDescriptors(), before + 2);
            QVERIFY(atlas.UserOnConnection(1).has_value());
        }
        QCOMPARE(OpenDescriptors(), before);
        QVERIFY(!atlas.UserOnConnection(1).has_value());
        Station next(atlas);
        QCOMPARE(next.session.ConnectionNumber(), std::uint16_t{1});
    }
};

QTEST_GUILESS_MAIN(NcpSessionTest)
#include "NcpSessionTest.moc"
