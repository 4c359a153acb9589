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

    static QByteArray Bytes(const std::vector<std::uint8_t>& bytes) {
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    }
    static QByteArray RawPacket(std::uint16_t type, std::uint8_t sequence, std::uint16_t connection,
                                std::uint8_t function, std::vector<std::uint8_t> body = {}) {
        body.insert(body.begin(), {std::uint8_t(type >> 8), std::uint8_t(type), sequence,
                                   std::uint8_t(connection), 1, std::uint8_t(connection >> 8), function});
        return Bytes(body);
    }
    // A request packet for connection 1; the test puts in the sequence number due when it sends it.
    template <typename Request> static QByteArray Call(const Request& request) {
        return Bytes(NcpTest::Packet(request, 0, 1));
    }
    Answer SendInOrder(Station& station, QByteArray packet) {
        packet[2] = char(station.sequence++);
        return station.Raw(std::vector<std::uint8_t>(packet.begin(), packet.end()));
    }

    // The components as they travel, volume first ("SYS|SYSTEM|..|X"): no text form carries "..", "" or
    // "/tmp/OUT" as one component.
    static Ncp::HandlePath Components(const char* path) {
        Ncp::HandlePath handlePath;
        for (const QByteArray& component : QByteArray(path).split('|'))
            handlePath.components.push_back(component.toStdString());
        return handlePath;
    }

private Q_SLOTS:
    void packetRules_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<int>("completion");
        QTest::addColumn<bool>("closes");
        const auto row = [](const char* name, const char* server, QByteArray packet, int completion,
                            bool closes) {
            QTest::newRow(name) << QByteArray(server) << packet << completion << closes;
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
        NcpTest::Demo demo;
        Station station(demo.Named(server.toStdString()));
        QCOMPARE(station.session.ConnectionNumber(), std::uint16_t{1});
        const Answer answer = station.Raw(std::vector<std::uint8_t>(packet.begin(), packet.end()));
        QCOMPARE(answer.completion, completion);
        QCOMPARE(answer.closed, closes);
        if (!closes) { // the session goes on with the next sequence number
            const QByteArray next = RawPacket(0x2222, 2, 1, 23, {0, 1, 17});
            QCOMPARE(station.Raw(std::vector<std::uint8_t>(next.begin(), next.end())).completion, 0);
        }
    }

    void whoMayCallWhat_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("user"); // empty: nobody logged in
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<int>("completion");
        const auto row = [](const char* name, const char* server, const char* user, QByteArray packet,
                            int completion) {
            QTest::newRow(name) << QByteArray(server) << QByteArray(user) << packet << completion;
        };
        const QByteArray systemFile = Call(NcpTest::Create(NcpTest::Path("SYS:SYSTEM\\NEW.NLM")));
        const QByteArray rootFile = Call(NcpTest::Create(NcpTest::Path("SYS:NEW.TXT")));
        const QByteArray load = Call(Ncp::LoadNlmRequest{0, "MONITOR.NLM"});
        row("nobody: server information", "CASTOR", "", Call(Ncp::GetFileServerInformationRequest{}), 0);
        row("nobody: object ID", "CASTOR", "", Call(Ncp::GetBinderyObjectIdRequest{1, "SUPERVISOR"}), 0);
        row("nobody: own station", "CASTOR", "", Call(Ncp::GetStationLoggedInfoRequest{1}), 0);
        row("nobody: another station", "CASTOR", "", Call(Ncp::GetStationLoggedInfoRequest{2}), 0x7D);
        row("nobody: object name", "CASTOR", "", Call(Ncp::GetBinderyObjectNameRequest{1}), 0x7D);
        row("nobody: extension scan", "CASTOR", "", Call(Ncp::ScanExtensionsRequest{}), 0x7D);
        row("nobody: console rights", "CASTOR", "", Call(Ncp::CheckConsolePrivilegesRequest{}), 0xC6);
        row("nobody: load NLM", "CASTOR", "", load, 0xC6);
        row("nobody: write SYS:SYSTEM", "CASTOR", "", systemFile, 0xC6);
        row("nobody: write SYS", "CASTOR", "", rootFile, 0x7D);
        row("GUEST: console rights", "ATLAS", "GUEST", Call(Ncp::CheckConsolePrivilegesRequest{}), 0xC6);
        row("GUEST: load NLM", "ATLAS", "GUEST", load, 0xC6);
        row("GUEST: unload NLM", "ATLAS", "GUEST", Call(Ncp::UnloadNlmRequest{"TSABACK.NLM"}), 0xC6);
        row("GUEST: write SYS:SYSTEM", "ATLAS", "GUEST", systemFile, 0xC6);
        row("GUEST: write SYS", "ATLAS", "GUEST", rootFile, 0);
        row("ADMIN: console rights", "ATLAS", "ADMIN", Call(Ncp::CheckConsolePrivilegesRequest{}), 0);
        row("ADMIN: load NLM", "ATLAS", "ADMIN", load, 0);
        row("ADMIN: write SYS:SYSTEM", "ATLAS", "ADMIN", systemFile, 0);
    }
    void whoMayCallWhat() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, packet);
        QFETCH(int, completion);
        NcpTest::Demo demo;
        Station station(demo.Named(server.toStdString()));
        if (!user.isEmpty())
            QCOMPARE(station.Login(user.toStdString(), user == "ADMIN" ? "acme" : "guest"), 0);
        const Answer answer = SendInOrder(station, packet);
        QCOMPARE(answer.completion, completion);
        QVERIFY(!answer.closed);
        if (QTest::currentDataTag() == QByteArray("ADMIN: load NLM"))
            QVERIFY(demo.Named(server.toStdString()).IsModuleLoaded("MONITOR.NLM"));
        QCOMPARE(QFile::exists(demo.System(server.constData()) + "NEW.NLM"),
                 QTest::currentDataTag() == QByteArray("ADMIN: write SYS:SYSTEM"));
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
        NcpTest::Demo demo;
        Station station(demo.Named("ATLAS"));
        QCOMPARE(station.Login(user.toStdString(), password.toStdString()), completion);
        Ncp::StationLoggedInfoReply info;
        QVERIFY(Ncp::ParseReplyData(station.Send(Ncp::GetStationLoggedInfoRequest{1}).data, info));
        QCOMPARE(QByteArray::fromStdString(info.objectName), completion == 0 ? user.toUpper() : QByteArray());
        QCOMPARE(demo.Named("ATLAS").UserOnConnection(1).value_or(99) != 0, completion == 0);
    }

    void aLoginKeyServesOneAttempt() {
        NcpTest::Demo demo;
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
        NcpTest::Demo demo;
        Station station(demo.Named("ATLAS"));
        const Answer answer = station.Send(Ncp::GetFileServerInformationRequest{}, 64);
        QCOMPARE(answer.completion, 0x7E);
        QVERIFY(answer.data.empty());
        QCOMPARE(station.Send(Ncp::GetFileServerInformationRequest{}, 1024).data.size(), std::size_t{128});
    }

    // Where a console operator's file calls may reach, on ATLAS whose SYS:SYSTEM holds a read-only file, a
    // link to a file outside the volume and a link to a directory outside it.
    void pathsStayInsideTheVolume_data() {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<int>("completion");
        const auto create = [](const char* path) { return Call(NcpTest::Create(Components(path))); };
        const auto rename = [](const char* to) {
            return Call(Ncp::RenameOrMoveRequest{0, 0, Ncp::SearchAllFiles,
                                                 NcpTest::Path("SYS:SYSTEM\\DS.NLM"), Components(to)});
        };
        const auto remove = [](const char* path) {
            return Call(Ncp::DeleteFileRequest{0, Ncp::SearchAllFiles, Components(path)});
        };
        Ncp::OpenCreateFileRequest open = NcpTest::Create(Components("SYS|SYSTEM|NONE.NLM"));
        open.openCreateMode = Ncp::OpenModeOpen;
        Ncp::ModifyDosInformationRequest time;
        time.modifyMask = Ncp::ModifyModifyDate | Ncp::ModifyModifyTime;
        time.modification = Ncp::DosDateTime{0x58B1, 0x6DAF};
        time.path = Components("SYS|SYSTEM|LOCKED.NLM");
        QTest::newRow("create in SYS:SYSTEM") << create("SYS|SYSTEM|NEW.NLM") << 0;
        QTest::newRow("create, other letter case") << create("sys|system|New.nlm") << 0;
        QTest::newRow("parent of the volume") << create("SYS|SYSTEM|..|..|OUT.TXT") << 0x9C;
        QTest::newRow("current directory") << create("SYS|.|SYSTEM|NEW.NLM") << 0x9C;
        QTest::newRow("empty component") << create("SYS|SYSTEM||NEW.NLM") << 0x9C;
        QTest::newRow("absolute component") << create("SYS|SYSTEM|/tmp/OUT") << 0x9C;
        QTest::newRow("link to a file outside") << create("SYS|SYSTEM|LINK.NLM") << 0x9C;
        QTest::newRow("link to a directory outside") << create("SYS|OUTSIDE|NEW.TXT") << 0x9C;
        QTest::newRow("unknown volume") << create("NOVOL|NEW.TXT") << 0x98;
        QTest::newRow("a directory") << create("SYS|SYSTEM") << 0x9C;
        QTest::newRow("replace a read-only file") << create("SYS|SYSTEM|LOCKED.NLM") << 0x94;
        QTest::newRow("open a missing file") << Call(open) << 0xFF;
        QTest::newRow("rename over a read-only file") << rename("SYS|SYSTEM|LOCKED.NLM") << 0x8B;
        QTest::newRow("rename over a writable file") << rename("SYS|SYSTEM|CLIB.NLM") << 0;
        QTest::newRow("rename over a link") << rename("SYS|SYSTEM|LINK.NLM") << 0x9C;
        QTest::newRow("rename to another volume") << rename("VOL1|DS.NLM") << 0x9A;
        QTest::newRow("delete a read-only file") << remove("SYS|SYSTEM|LOCKED.NLM") << 0x8A;
        QTest::newRow("delete through a link") << remove("SYS|SYSTEM|LINK.NLM") << 0x9C;
        QTest::newRow("set the time of a read-only file") << Call(time) << 0x94;
    }
    void pathsStayInsideTheVolume() {
        QFETCH(QByteArray, packet);
        QFETCH(int, completion);
        NcpTest::Demo demo;
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
        QCOMPARE(SendInOrder(station, packet).completion, completion);
        QCOMPARE(QDir(outside.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QVERIFY(locked.open(QIODevice::ReadOnly));
        QCOMPARE(locked.readAll(), QByteArray("kept"));
    }
};

QTEST_GUILESS_MAIN(NcpSessionTest)
#include "NcpSessionTest.moc"
