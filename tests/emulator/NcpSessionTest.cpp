#include "NcpTestSupport.h"

#include "emulator/DemoNetwork.h"
#include "emulator/NcpSession.h"
#include "ncp/DirectoryCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/NlmCodecs.h"
#include "tests/ncp/NcpTestBytes.h"
#include "tests/ncp/RealFrames.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

using Emulator::NcpSession;

// One service connection driven with packets alone, on the demo network's servers: the packet rules, who may
// call what, the keyed login and intruder detection, the reply-buffer field, the console's rights, where
// files may go and who may make them read-only, and the real client's reads.
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
        row("97 big packets", "ATLAS", RawPacket(0x2222, 1, 1, 97, {0x04, 0x00, 0x00}), 0, false);
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

    // Wrong passwords for one object lock its logins, also with the right password, until the lockout ends.
    void intruderDetection_data() {
        QTest::addColumn<int>("wrong");
        QTest::addColumn<int>("minutesBetween");
        QTest::addColumn<int>("minutesAfter");
        QTest::addColumn<int>("completion"); // of the right password then
        QTest::newRow("six wrong") << 6 << 0 << 0 << 0;
        QTest::newRow("seven wrong") << 7 << 0 << 0 << 0xC5;
        QTest::newRow("still locked after 14 minutes") << 7 << 0 << 14 << 0xC5;
        QTest::newRow("unlocked after 15 minutes") << 7 << 0 << 15 << 0;
        QTest::newRow("seven over 36 minutes") << 7 << 6 << 0 << 0;
    }
    void intruderDetection() {
        QFETCH(int, wrong);
        QFETCH(int, minutesBetween);
        QFETCH(int, minutesAfter);
        QFETCH(int, completion);
        NcpTest::Demo demo;
        Emulator::Server& atlas = demo.Named("ATLAS");
        auto now = std::make_shared<std::chrono::system_clock::time_point>(std::chrono::system_clock::now());
        atlas.SetClock([now] { return *now; });
        Station station(atlas);
        for (int i = 0; i < wrong; ++i) {
            QCOMPARE(station.Login("GUEST", "wrong"), 0xDE);
            *now += std::chrono::minutes(minutesBetween);
        }
        *now += std::chrono::minutes(minutesAfter);
        QCOMPARE(station.Login("GUEST", "guest"), completion);
        QCOMPARE(station.Login("ADMIN", "acme"), 0); // another object is not locked
    }

    // The reply-buffer field bounds the reply's data; a call that changes the server is refused before it
    // takes effect.
    void replyBufferField_data() {
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<uint>("capacity");
        QTest::addColumn<int>("completion");
        QTest::newRow("23/17 data fills the field") << QByteArray("23/17") << 128u << 0;
        QTest::newRow("23/17 one byte over") << QByteArray("23/17") << 127u << 0x7E;
        QTest::newRow("33 refused") << QByteArray("33") << 1u << 0x7E;
        QTest::newRow("33") << QByteArray("33") << 2u << 0;
        QTest::newRow("87/01 refused") << QByteArray("87/01") << 5u << 0x7E;
        QTest::newRow("87/01") << QByteArray("87/01") << 6u << 0;
        QTest::newRow("131/02 refused") << QByteArray("131/02") << 3u << 0x7E;
        QTest::newRow("131/02") << QByteArray("131/02") << 4u << 0;
    }
    void replyBufferField() {
        QFETCH(QByteArray, call);
        QFETCH(uint, capacity);
        QFETCH(int, completion);
        NcpTest::Demo demo;
        Emulator::Server& atlas = demo.Named("ATLAS");
        Station station(atlas);
        QCOMPARE(station.Login("ADMIN", "acme"), 0);
        Answer answer;
        bool tookEffect = completion == 0;
        if (call == "23/17") {
            answer = station.Send(Ncp::GetFileServerInformationRequest{}, capacity);
        } else if (call == "33") {
            answer = station.Send(Ncp::NegotiateBufferSizeRequest{4096}, capacity);
            tookEffect = station.session.BufferSize() == 4096;
        } else if (call == "87/01") {
            answer = station.Send(NcpTest::Create(NcpTest::Path("SYS:NEW.TXT")), capacity);
            tookEffect = QFile::exists(demo.volumes.path() + "/ATLAS/SYS/NEW.TXT") &&
                         station.session.OpenFileCount() == 1;
        } else {
            answer = station.Send(Ncp::UnloadNlmRequest{"TSABACK.NLM"}, capacity);
            tookEffect = !atlas.IsModuleLoaded("TSABACK.NLM");
        }
        QCOMPARE(answer.completion, completion);
        QCOMPARE(answer.data.empty(), completion != 0);
        QCOMPARE(tookEffect, completion == 0);
    }

    // 37 requests: the console screens are the server's console, only their list is open to every logged-in
    // user; an unknown number answers 0xD5 ("Unknown NCP Extension Number"); a reply cut to the caller's
    // maximum is no success.
    void extensionRequests_data() {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<uint>("number"); // 0: the console's
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("maxReply");
        QTest::addColumn<int>("completion");
        const QByteArray list("\x19\x40\0\0\0\0", 6);
        const QByteArray open("\x15\x40\0\x01\0\0\0", 7);
        const QByteArray key("\x1D\x40\x0D\0", 4);
        const auto row = [](const char* name, const char* user, uint number, QByteArray message, int maxReply,
                            int completion) {
            QTest::newRow(name) << QByteArray(user) << number << message << maxReply << completion;
        };
        row("GUEST: list", "GUEST", 0, list, 800, 0);
        row("GUEST: open", "GUEST", 0, open, 800, 0xC6);
        row("GUEST: select", "GUEST", 0, QByteArray("\x16\x40\x01\0\0\0", 6), 800, 0xC6);
        row("GUEST: read", "GUEST", 0, QByteArray("\x1C\x40\0\0\0\0", 6), 800, 0xC6);
        row("GUEST: key", "GUEST", 0, key, 800, 0xC6);
        row("GUEST: clear", "GUEST", 0, QByteArray("\x12\x40", 2), 800, 0xC6);
        row("ADMIN: open", "ADMIN", 0, open, 800, 0);
        row("ADMIN: key before a select", "ADMIN", 0, key, 800, 0xA2);
        row("unknown number", "GUEST", 0x7777, list, 800, 0xD5);
        row("list cut to 100 bytes", "GUEST", 0, list, 100, 0x7E);
    }
    void extensionRequests() {
        QFETCH(QByteArray, user);
        QFETCH(uint, number);
        QFETCH(QByteArray, message);
        QFETCH(int, maxReply);
        QFETCH(int, completion);
        NcpTest::Demo demo;
        Station station(demo.Named("ATLAS"));
        QCOMPARE(station.Login(user.toStdString(), user == "ADMIN" ? "acme" : "guest"), 0);
        Ncp::ExtensionInfoReply console;
        QVERIFY(Ncp::ParseReplyData(station.Send(Ncp::ExtensionInfoByNameRequest{"QV_EXT"}).data, console));
        const Answer answer = station.Send(Ncp::ExecuteExtensionRequest{number == 0 ? console.number : number,
                                                                        std::uint16_t(maxReply),
                                                                        {message.begin(), message.end()}});
        QCOMPARE(answer.completion, completion);
        // A cut reply keeps its first bytes behind its length word; a refusal has no data.
        if (completion != 0)
            QCOMPARE(answer.data.size(), std::size_t(completion == 0x7E ? 2 + maxReply : 0));
    }

    // Read Only guards a file against replacement: only a console operator sets or clears it, on any volume.
    void whoMaySetReadOnly_data() {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<uint>("attributes");
        QTest::addColumn<int>("completion");
        QTest::addColumn<bool>("readOnlyAfter");
        QTest::newRow("GUEST sets it") << QByteArray("GUEST") << false << 0x21u << 0x8C << false;
        QTest::newRow("GUEST clears it") << QByteArray("GUEST") << true << 0x20u << 0x94 << true;
        QTest::newRow("GUEST sets archive") << QByteArray("GUEST") << false << 0x20u << 0 << false;
        QTest::newRow("ADMIN sets it") << QByteArray("ADMIN") << false << 0x21u << 0 << true;
        QTest::newRow("ADMIN keeps it") << QByteArray("ADMIN") << true << 0x21u << 0 << true;
        QTest::newRow("ADMIN clears it") << QByteArray("ADMIN") << true << 0x20u << 0 << false;
    }
    void whoMaySetReadOnly() {
        QFETCH(QByteArray, user);
        QFETCH(bool, readOnly);
        QFETCH(uint, attributes);
        QFETCH(int, completion);
        QFETCH(bool, readOnlyAfter);
        NcpTest::Demo demo;
        const QByteArray file = QFile::encodeName(demo.volumes.path() + "/ATLAS/SYS/NOTES.TXT");
        QFile notes(QString::fromLocal8Bit(file));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("notes") == 5);
        notes.close();
        QVERIFY(::chmod(file.constData(), readOnly ? 0444 : 0644) == 0);
        Station station(demo.Named("ATLAS"));
        QCOMPARE(station.Login(user.toStdString(), user == "ADMIN" ? "acme" : "guest"), 0);
        Ncp::ModifyDosInformationRequest modify;
        modify.modifyMask = Ncp::ModifyAttributes;
        modify.attributes = attributes;
        modify.path = Components("SYS|NOTES.TXT");
        QCOMPARE(station.Send(modify).completion, completion);
        struct stat status {};
        QVERIFY(::stat(file.constData(), &status) == 0);
        QCOMPARE((status.st_mode & 0222) == 0, readOnlyAfter);
    }

    // The real client's read and close of a file, answered as the real server answered them: the same reply
    // packets but for the sequence and connection numbers.
    void answersTheRealClient() {
        NcpTest::Demo demo;
        const RealExchange& read = RealExchanges[6];
        const RealExchange& close = RealExchanges[0];
        const std::vector<std::uint8_t> readReply = FromHex(read.reply);
        QFile shortcut(demo.volumes.path() + "/ATLAS/SYS/SHORTCUT.URL");
        QVERIFY(shortcut.open(QIODevice::WriteOnly));
        shortcut.write(reinterpret_cast<const char*>(readReply.data()) + 18,
                       qsizetype(readReply.size() - 18));
        shortcut.close();
        Station station(demo.Named("ATLAS"));
        QCOMPARE(station.Login("GUEST", "guest"), 0);
        QCOMPARE(station.Send(Ncp::NegotiateBufferSizeRequest{4096}).completion, 0);
        Ncp::OpenCreateFileRequest open;
        open.path = NcpTest::Path("SYS:SHORTCUT.URL");
        Ncp::OpenCreateFileReply opened;
        QVERIFY(Ncp::ParseReplyData(station.Send(open).data, opened));
        for (const RealExchange* exchange : {&read, &close}) {
            std::vector<std::uint8_t> request = FromHex(exchange->request);
            const std::uint32_t field = std::uint32_t(request[12]) << 24 | std::uint32_t(request[13]) << 16 |
                                        std::uint32_t(request[14]) << 8 | request[15];
            request.erase(request.begin(), request.begin() + 16);
            std::vector<std::uint8_t> expected = FromHex(exchange->reply);
            expected.erase(expected.begin(), expected.begin() + 8);
            request[2] = expected[2] = station.sequence++;
            request[3] = expected[3] = 1;
            request[5] = expected[5] = 0;
            for (int i = 0; i < 4; ++i)
                request[std::size_t(10 + i)] = std::uint8_t(opened.fileHandle >> (8 * i));
            QCOMPARE(Bytes(station.session.Handle(request, field).reply), Bytes(expected));
        }
    }

    // Where a console operator's file calls may reach, on ATLAS whose SYS:SYSTEM holds a read-only file, a
    // link to a file outside the volume, a link to a directory outside it and a hard link to a file outside.
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
        Ncp::OpenCreateFileRequest writeThrough = NcpTest::Create(Components("SYS|SYSTEM|HARD.NLM"));
        writeThrough.openCreateMode = Ncp::OpenModeOpen;
        writeThrough.desiredAccessRights = Ncp::AccessWrite;
        Ncp::ModifyDosInformationRequest time;
        time.modifyMask = Ncp::ModifyModifyDate | Ncp::ModifyModifyTime;
        time.modification = Ncp::DosDateTime{0x58B1, 0x6DAF};
        time.path = Components("SYS|SYSTEM|LOCKED.NLM");
        Ncp::ModifyDosInformationRequest hardTime = time;
        hardTime.path = Components("SYS|SYSTEM|HARD.NLM");
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
        QTest::newRow("set the time of a read-only file") << Call(time) << 0; // its contents stay
        QTest::newRow("rename a read-only file away")
            << Call(Ncp::RenameOrMoveRequest{0, 0, Ncp::SearchAllFiles, Components("SYS|SYSTEM|LOCKED.NLM"),
                                             Components("SYS|SYSTEM|AWAY.NLM")})
            << 0x8B;
        QTest::newRow("replace a hard-linked file") << create("SYS|SYSTEM|HARD.NLM") << 0;
        QTest::newRow("write through a hard link") << Call(writeThrough) << 0x94;
        QTest::newRow("set the time of a hard-linked file") << Call(hardTime) << 0x94;
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
        QTemporaryDir linked;
        QFile hard(linked.filePath("HARD.TXT"));
        QVERIFY(hard.open(QIODevice::WriteOnly) && hard.write("outside") == 7);
        hard.close();
        QVERIFY(::link(QFile::encodeName(hard.fileName()).constData(),
                       QFile::encodeName(system + "HARD.NLM").constData()) == 0);

        Station station(demo.Named("ATLAS"));
        QCOMPARE(station.Login("ADMIN", "acme"), 0);
        QCOMPARE(SendInOrder(station, packet).completion, completion);
        QCOMPARE(QDir(outside.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QVERIFY(locked.open(QIODevice::ReadOnly));
        QCOMPARE(locked.readAll(), QByteArray("kept"));
        QVERIFY(hard.open(QIODevice::ReadOnly));
        QCOMPARE(hard.readAll(), QByteArray("outside"));
        QVERIFY(QFile::exists(system + "HARD.NLM"));
    }
};

QTEST_GUILESS_MAIN(NcpSessionTest)
#include "NcpSessionTest.moc"
