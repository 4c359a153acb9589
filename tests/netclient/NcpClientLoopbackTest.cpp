#include "network/LoopbackDemo.h"
#include "ncp/StatusCodes.h"
#include "netclient/NcpClient.h"
#include "netclient/StatusTexts.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <functional>

using NetClient::Attachment;
using NetClient::NcpClient;

namespace {

// The demo network on loopback and a client attached to it: ATLAS (ADMIN), BOREAS (JDOE), CASTOR (nobody),
// then ATLAS once more (ADMIN), so that one server has two references.
struct Network {
    QTemporaryDir volumes;
    LoopbackDemo demo;
    NcpClient client;
    std::vector<std::uint32_t> refs; // ATLAS, BOREAS, CASTOR, ATLAS

    explicit Network(std::uint32_t timeoutSeconds = 10, std::uint16_t serverBufferSize = 16384) {
        std::string error;
        Emulator::NcpServer::Options options;
        options.maxBufferSize = serverBufferSize;
        if (!demo.Start(volumes.path().toStdString(), error, options))
            qFatal("demo network: %s", error.c_str());
        std::vector<Attachment> attachments = demo.Attachments(timeoutSeconds);
        attachments.push_back(attachments.front());
        NetClient::FixedPasswords passwords = demo.Passwords();
        if (!client.AttachAll(attachments, passwords).empty())
            qFatal("the demo network did not attach");
        refs = client.ConnectionRefs();
    }

    std::uint32_t Open(std::uint32_t ref) {
        std::uint32_t handle = 0;
        if (client.OpenConnByReference(ref, ClientLibrary::OpenModeLater, 0, &handle) != 0)
            qWarning("OpenConnByReference failed");
        return handle;
    }
    std::uint32_t Atlas() { return Open(refs[0]); }
    std::uint32_t Castor() { return Open(refs[2]); }

    std::uint16_t ServerInfo(std::uint32_t handle) {
        return client.NWGetFileServerInformation(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                 nullptr, nullptr, nullptr, nullptr);
    }
};

std::vector<std::string> ScannedNames(NcpClient& client, std::uint16_t& endStatus) {
    std::vector<std::string> names;
    std::uint32_t cursor = 0;
    std::uint32_t ref = 0;
    while ((endStatus = client.ScanConnRefs(&cursor, &ref)) == 0 && names.size() < 100) {
        char name[ClientLibrary::ServerNameSize];
        if (client.GetConnRefInfo(ref, ClientLibrary::InfoServerName, sizeof name, name) == 0)
            names.emplace_back(name);
    }
    return names;
}

} // namespace

// Every client call over NCP against the demo servers on loopback, with the results the program relies on.
class NcpClientLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scanListsReferencesInAttachmentOrder() {
        Network network;
        std::uint16_t end = 0;
        QCOMPARE(ScannedNames(network.client, end),
                 (std::vector<std::string>{"ATLAS", "BOREAS", "CASTOR", "ATLAS"}));
        QCOMPARE(end, StatusCodes::NoMoreEntries);
        QCOMPARE(ScannedNames(network.client, end).size(), std::size_t{4});
        std::uint32_t primary = 0;
        QCOMPARE(network.client.GetPrimaryConnRef(&primary), StatusCodes::Success);
        QCOMPARE(primary, network.refs[0]);
        const std::uint32_t first = network.Atlas();
        const std::uint32_t second = network.Atlas();
        QVERIFY(first != 0 && second != 0 && first != second);
    }

    void openModes_data() {
        QTest::addColumn<std::uint32_t>("mode");
        QTest::addColumn<std::uint16_t>("status");
        QTest::newRow("start-up") << 1u << StatusCodes::Success;
        QTest::newRow("later") << 2u << StatusCodes::Success;
        QTest::newRow("zero") << 0u << StatusCodes::InvalidParameter;
        QTest::newRow("three") << 3u << StatusCodes::InvalidParameter;
    }
    void openModes() {
        QFETCH(std::uint32_t, mode);
        QFETCH(std::uint16_t, status);
        Network network;
        std::uint32_t handle = 0;
        QCOMPARE(network.client.OpenConnByReference(network.refs[0], mode, 0, &handle), status);
        QCOMPARE(handle != 0, status == 0);
        QCOMPARE(network.client.OpenConnByReference(0x7777, 2, 0, &handle), StatusCodes::InvalidConnRef);
    }

    // Every call that takes a handle answers 0x8801 for one never opened, and, within the pause before the
    // next reconnect, for one whose reply did not come in time.
    void everyHandleCallRefusesDeadHandles_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("never opened") << "never";
        QTest::newRow("reply too late") << "timeout";
    }
    void everyHandleCallRefusesDeadHandles() {
        QFETCH(QString, how);
        Network network(1);
        std::uint32_t handle = 0x5151;
        if (how != "never") {
            handle = network.Atlas();
            QVERIFY(network.demo.Network().SetReplyDelay("ATLAS", std::chrono::milliseconds(1500)));
            QCOMPARE(network.ServerInfo(handle), StatusCodes::RequestTimedOut);
            network.demo.Network().SetReplyDelay("ATLAS", std::chrono::milliseconds(0));
        }
        NcpClient& client = network.client;
        const std::uint32_t context = client.NWDSCreateContext();
        char text[512] = {};
        std::uint8_t bytes[64] = {};
        std::uint16_t word = 0;
        std::uint32_t value = 0;
        std::uint32_t scanId = 0xFFFFFFFF;
        std::uint16_t replyLength = 16;
        const std::uint8_t request[2] = {0x12, 0x40};
        const std::vector<std::pair<const char*, std::function<std::uint32_t()>>> calls{
            {"GetConnInfo", [&] { return client.GetConnInfo(handle, 6, 4, &value); }},
            {"GetBinderyObjectNameById",
             [&] { return client.GetBinderyObjectNameById(handle, 1, text, &word); }},
            {"MapIdToDSName", [&] { return client.MapIdToDSName(context, handle, 1, text); }},
            {"NWDSGetServerDN", [&] { return client.NWDSGetServerDN(context, handle, text); }},
            {"GetBinderyContext", [&] { return client.GetBinderyContext(context, handle, text); }},
            {"NWGetFileServerInformation", [&] { return network.ServerInfo(handle); }},
            {"ScanNCPExtensions",
             [&] { return client.ScanNCPExtensions(handle, &scanId, text, bytes, bytes, bytes, bytes); }},
            {"GetNCPExtensionInfoByName",
             [&] {
                 return client.GetNCPExtensionInfoByName(handle, "QV_EXT", &value, bytes, bytes, bytes,
                                                         bytes);
             }},
            {"NCPExtensionRequest",
             [&] { return client.NCPExtensionRequest(handle, 0x201, request, 2, bytes, &replyLength); }},
            {"NWSMLoadNLM", [&] { return client.NWSMLoadNLM(handle, "QVEXT.NLM"); }},
            {"NWSMUnloadNLM", [&] { return client.NWSMUnloadNLM(handle, "QVEXT.NLM"); }},
        };
        for (const auto& [name, call] : calls) {
            const std::uint32_t status = call();
            if (status != StatusCodes::InvalidConnection)
                QFAIL(qPrintable(QStringLiteral("%1 answered %2").arg(name).arg(status, 0, 16)));
        }
        client.FreeContext(context);
    }

    void reconnect_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("chooseAgain");
        QTest::addColumn<std::uint16_t>("firstCall");
        QTest::addColumn<std::uint16_t>("secondCall");
        QTest::newRow("server restarted")
            << "restart" << false << StatusCodes::Success << StatusCodes::Success;
        QTest::newRow("server restarted, chosen again")
            << "restart" << true << StatusCodes::Success << StatusCodes::Success;
        QTest::newRow("server gone, then within the pause")
            << "gone" << false << StatusCodes::ConnectionRefused << StatusCodes::InvalidConnection;
    }
    // A call on a lost connection first connects and logs in again, as the same user, and the handle the
    // window holds goes on working; a failed attempt is not repeated within the pause: the next call fails
    // at once.
    void reconnect() {
        QFETCH(QString, fault);
        QFETCH(bool, chooseAgain);
        QFETCH(std::uint16_t, firstCall);
        QFETCH(std::uint16_t, secondCall);
        Network network(1);
        const std::uint32_t handle = network.Atlas();
        NetClient::ServerSession* session = network.client.SessionOfReference(network.refs[0]);
        const std::uint32_t generation = session->Generation();
        if (fault == "restart")
            QVERIFY(network.demo.Network().DropConnections("ATLAS"));
        else
            network.demo.Network().Stop();
        QTRY_VERIFY(session->IsLost());
        std::uint32_t user = 0;
        if (chooseAgain) {
            const std::uint32_t fresh = network.Atlas();
            QVERIFY(fresh != 0);
            QCOMPARE(network.client.GetConnInfo(fresh, 6, 4, &user), StatusCodes::Success);
        }
        QElapsedTimer second;
        QCOMPARE(network.client.GetConnInfo(handle, 6, 4, &user), firstCall);
        second.start();
        QCOMPARE(network.client.GetConnInfo(handle, 6, 4, &user), secondCall);
        QVERIFY(second.elapsed() < 1000);
        QCOMPARE(session->IsLost(), firstCall != StatusCodes::Success);
        if (firstCall == StatusCodes::Success) {
            QCOMPARE(user, 0x0B000001u); // ADMIN again
            QCOMPARE(session->Generation(), generation + 1);
        }
    }

    // Without a password held for the session a reconnect sends nothing and says why.
    void reconnectWithoutPassword() {
        Network network(1);
        NetClient::ServerSession session(network.demo.Attachments(1).front(), nullptr);
        QCOMPARE(session.Open(), StatusCodes::Success);
        session.Finish();
        QVERIFY(network.demo.Network().DropConnections("ATLAS"));
        QTRY_VERIFY(session.IsLost());
        QCOMPARE(session.Revive(), StatusCodes::NoPasswordHeld);
        QVERIFY(NetUtil::StatusText(StatusCodes::NoPasswordHeld, {"ATLAS", {}, {}, {}}).find("no password") !=
                std::string::npos);
    }

    void referenceInformation_data() {
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<std::uint32_t>("length");
        QTest::addColumn<std::uint16_t>("status");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("server name") << 7u << 255u << StatusCodes::Success << QByteArray("CASTOR");
        QTest::newRow("exact fit") << 7u << 7u << StatusCodes::Success << QByteArray("CASTOR");
        QTest::newRow("no room for the zero") << 7u << 6u << StatusCodes::BufferTooSmall << QByteArray();
        QTest::newRow("other type") << 6u << 255u << StatusCodes::InvalidParameter << QByteArray();
    }
    void referenceInformation() {
        QFETCH(std::uint32_t, type);
        QFETCH(std::uint32_t, length);
        QFETCH(std::uint16_t, status);
        QFETCH(QByteArray, text);
        Network network;
        char buffer[255] = {};
        QCOMPARE(network.client.GetConnRefInfo(network.refs[2], type, length, buffer), status);
        QCOMPARE(QByteArray(buffer), text);
        QCOMPARE(network.client.GetConnRefInfo(0x9999, 7, 255, buffer), StatusCodes::InvalidConnRef);
    }

    void userIdOfAConnection() {
        Network network;
        std::uint8_t bytes[4] = {};
        const std::uint32_t atlas = network.Atlas();
        QCOMPARE(network.client.GetConnInfo(atlas, 6, 4, bytes), StatusCodes::Success);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes), 4), QByteArray("\x01\x00\x00\x0B", 4));
        QCOMPARE(network.client.GetConnInfo(atlas, 6, 2, bytes), StatusCodes::InvalidParameter);
        QCOMPARE(network.client.GetConnInfo(atlas, 7, 4, bytes), StatusCodes::InvalidParameter);
        std::uint32_t nobody = 0xFFFF;
        QCOMPARE(network.client.GetConnInfo(network.Castor(), 6, 4, &nobody), StatusCodes::Success);
        QCOMPARE(nobody, 0u);
    }

    void binderyNames() {
        Network network;
        char name[ClientLibrary::BinderyNameSize] = {};
        std::uint16_t type = 0;
        QCOMPARE(network.client.GetBinderyObjectNameById(network.Atlas(), 0x0B000002, name, &type),
                 StatusCodes::Success);
        QCOMPARE(QByteArray(name), QByteArray("GUEST"));
        QCOMPARE(type, std::uint16_t{1});
        QCOMPARE(network.client.GetBinderyObjectNameById(network.Atlas(), 0x4242, name, &type),
                 StatusCodes::NoSuchObject);
    }

    // Directory names on a version-5 server, DS statuses on the bindery-only one.
    void directoryServicesOrBindery_data() {
        QTest::addColumn<int>("reference");
        QTest::addColumn<std::uint32_t>("status");
        QTest::addColumn<QByteArray>("serverDN");
        QTest::addColumn<QByteArray>("binderyContext");
        QTest::addColumn<QByteArray>("userName");
        QTest::newRow("ATLAS") << 0 << std::uint32_t{StatusCodes::Success} << QByteArray("CN=ATLAS.O=ACME")
                               << QByteArray("OU=SALES.O=ACME") << QByteArray("CN=Admin.O=ACME");
        QTest::newRow("CASTOR") << 2 << StatusCodes::DSNotAvailable << QByteArray() << QByteArray()
                                << QByteArray();
    }
    void directoryServicesOrBindery() {
        QFETCH(int, reference);
        QFETCH(std::uint32_t, status);
        QFETCH(QByteArray, serverDN);
        QFETCH(QByteArray, binderyContext);
        QFETCH(QByteArray, userName);
        Network network;
        NcpClient& client = network.client;
        const std::uint32_t handle = network.Open(network.refs[static_cast<std::size_t>(reference)]);
        std::uint32_t context = 0;
        QCOMPARE(client.NWDSCreateContextHandle(&context), StatusCodes::Success);
        char dn[ClientLibrary::DSNameSize] = {};
        char bindery[ClientLibrary::DSNameSize] = {};
        char user[ClientLibrary::DSObjectNameSize] = {};
        QCOMPARE(client.NWDSGetServerDN(context, handle, dn), status);
        QCOMPARE(client.GetBinderyContext(context, handle, bindery), status);
        QCOMPARE(client.MapIdToDSName(context, handle, 0x0B000001, user), status);
        QCOMPARE(QByteArray(dn), serverDN);
        QCOMPARE(QByteArray(bindery), binderyContext);
        QCOMPARE(QByteArray(user), userName);
        QCOMPARE(client.MapIdToDSName(context, handle, 0x3333, user),
                 reference == 0 ? StatusCodes::DSNoSuchEntry : StatusCodes::DSNotAvailable);
        QCOMPARE(client.FreeContext(context), StatusCodes::Success);
    }

    // A client attached to nothing: no references, no primary, no local volume directories; its contexts.
    void contextsAreMadeFreedAndLimited() {
        NcpClient client;
        std::uint32_t cursor = 0, ref = 0xABCD, primary = 0;
        QCOMPARE(client.ScanConnRefs(&cursor, &ref), StatusCodes::NoMoreEntries);
        QCOMPARE(client.GetPrimaryConnRef(&primary), StatusCodes::NoPrimaryConnection);
        char path[64] = {};
        QCOMPARE(client.GetVolumeDirectory("ATLAS", "SYS", path, sizeof path),
                 StatusCodes::NoConnectionToServer);
        const std::uint32_t first = client.NWDSCreateContext();
        std::uint32_t second = 0;
        QCOMPARE(client.NWDSCreateContextHandle(&second), StatusCodes::Success);
        QVERIFY(first != ClientLibrary::NoContext && second != ClientLibrary::NoContext && first != second);
        QCOMPARE(client.FreeContext(first), StatusCodes::Success);
        QCOMPARE(client.FreeContext(first), StatusCodes::DSInvalidContext);
        char dn[ClientLibrary::DSNameSize] = {};
        QCOMPARE(client.NWDSGetServerDN(first, 1, dn), StatusCodes::DSInvalidContext);
        while (client.OpenContextCount() < NcpClient::ContextLimit)
            QVERIFY(client.NWDSCreateContext() != ClientLibrary::NoContext);
        QCOMPARE(client.NWDSCreateContext(), ClientLibrary::NoContext);
        std::uint32_t context = 0;
        QCOMPARE(client.NWDSCreateContextHandle(&context), StatusCodes::DSNotEnoughMemory);
        QCOMPARE(context, ClientLibrary::NoContext);
        QCOMPARE(client.FreeContext(second), StatusCodes::Success);
        QVERIFY(client.NWDSCreateContext() != ClientLibrary::NoContext);
    }

    void fileServerInformation() {
        Network network;
        char name[ClientLibrary::FileServerNameSize] = {};
        std::uint8_t major = 0, minor = 0, revision = 9, sft = 0, tts = 0;
        std::uint16_t maxConns = 0, peak = 0, inUse = 0, volumes = 0;
        QCOMPARE(network.client.NWGetFileServerInformation(network.Castor(), name, &major, &minor, &revision,
                                                           &maxConns, &peak, &inUse, &volumes, &sft, &tts),
                 StatusCodes::Success);
        QCOMPARE(QByteArray(name), QByteArray("CASTOR"));
        QCOMPARE((QList<int>{major, minor, revision, maxConns, peak, inUse, volumes, sft, tts}),
                 (QList<int>{3, 12, 0, 25, 1, 1, 1, 1, 1})); // peak and in use: this client's connection
    }

    void extensionScanAndLookup() {
        Network network;
        const std::uint32_t atlas = network.Atlas();
        QStringList names;
        std::uint32_t id = 0xFFFFFFFF;
        char name[ClientLibrary::ExtensionNameSize] = {};
        std::uint8_t major = 0, minor = 0, revision = 0, query[ClientLibrary::QueryDataSize] = {};
        std::uint16_t end = 0;
        while ((end = network.client.ScanNCPExtensions(atlas, &id, name, &major, &minor, &revision, query)) ==
                   0 &&
               names.size() < 10)
            names << QStringLiteral("%1 %2.%3.%4").arg(name).arg(major).arg(minor).arg(revision);
        QCOMPARE(names, (QStringList{"TIMESYNC_NCP 2.1.4", "BACKUP_AGENT 1.3.0", "QV_EXT 1.0.0"}));
        QVERIFY(end != 0);
        std::uint32_t found = 0;
        QCOMPARE(network.client.GetNCPExtensionInfoByName(atlas, "TIMESYNC_NCP", &found, &major, &minor,
                                                          &revision, query),
                 StatusCodes::Success);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(query), 9), QByteArray("TIME SYNC"));
        QVERIFY(network.client.GetNCPExtensionInfoByName(atlas, "NO_SUCH", &found, &major, &minor, &revision,
                                                         query) != 0);
    }

    // The echo extension answers each request with its bytes: in one round trip (the simple form) when the
    // request and the whole reply fit the buffer the server accepted (the largest it allows, here 4096 or 512),
    // in fragments (two round trips or more) otherwise. A reply larger than the buffer the client states is
    // refused by the server (0x7E): in the simple form with the part that fits, in the fragmented form with
    // nothing.
    void extensionRequestsBothForms_data() {
        QTest::addColumn<int>("serverBuffer");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<std::uint16_t>("status");
        QTest::addColumn<int>("replied");
        QTest::addColumn<int>("roundTrips");
        QTest::newRow("simple") << 16384 << 10 << 263 << StatusCodes::Success << 10 << 1;
        QTest::newRow("800-byte reply buffer: simple in 4096")
            << 4096 << 600 << 800 << StatusCodes::Success << 600 << 1;
        QTest::newRow("800-byte reply buffer: fragmented in 512")
            << 512 << 600 << 800 << StatusCodes::Success << 600 << 3;
        QTest::newRow("large request and reply: simple")
            << 4096 << 3000 << 4000 << StatusCodes::Success << 3000 << 1;
        QTest::newRow("reply over the buffer: fragmented")
            << 4096 << 3000 << 5000 << StatusCodes::Success << 3000 << 11;
        QTest::newRow("reply larger than the buffer: what fits")
            << 16384 << 40 << 16 << StatusCodes::BadRequest << 16 << 1;
        QTest::newRow("fragmented reply larger than the buffer")
            << 4096 << 4500 << 1000 << StatusCodes::BadRequest << 0 << 9;
    }
    void extensionRequestsBothForms() {
        QFETCH(int, serverBuffer);
        QFETCH(int, size);
        QFETCH(int, capacity);
        QFETCH(std::uint16_t, status);
        QFETCH(int, replied);
        QFETCH(int, roundTrips);
        Network network(10, static_cast<std::uint16_t>(serverBuffer));
        const std::uint32_t atlas = network.Atlas();
        std::uint32_t id = 0;
        std::uint8_t major = 0, minor = 0, revision = 0, query[ClientLibrary::QueryDataSize] = {};
        QCOMPARE(network.client.GetNCPExtensionInfoByName(atlas, "TIMESYNC_NCP", &id, &major, &minor,
                                                          &revision, query),
                 StatusCodes::Success);
        std::vector<std::uint8_t> request(static_cast<std::size_t>(size));
        for (std::size_t i = 0; i < request.size(); ++i)
            request[i] = static_cast<std::uint8_t>(i * 7 + 3);
        std::vector<std::uint8_t> reply(static_cast<std::size_t>(capacity), 0xEE);
        std::uint16_t length = static_cast<std::uint16_t>(capacity);
        const std::uint64_t before = network.client.RoundTrips();
        QCOMPARE(network.client.NCPExtensionRequest(atlas, id, request.data(),
                                                    static_cast<std::uint32_t>(size), reply.data(), &length),
                 status);
        QCOMPARE(int(network.client.RoundTrips() - before), roundTrips);
        QCOMPARE(int(length), replied);
        QVERIFY(std::equal(reply.begin(), reply.begin() + replied, request.begin()));
    }

    // Loading and unloading on BOREAS (JDOE, a console operator); GUEST on ATLAS has no console rights.
    void nlmLoadingAndUnloading() {
        Network network;
        const std::uint32_t boreas = network.Open(network.refs[1]);
        QCOMPARE(network.client.NWSMLoadNLM(boreas, "QVEXT.NLM"), StatusCodes::ModuleNotFound);
        QCOMPARE(network.client.NWSMLoadNLM(boreas, "MONITOR.NLM"), StatusCodes::Success);
        QCOMPARE(network.client.NWSMLoadNLM(boreas, "monitor"), StatusCodes::ModuleAlreadyLoaded);
        QCOMPARE(network.client.NWSMUnloadNLM(boreas, "MONITOR.NLM"), StatusCodes::Success);
        QCOMPARE(network.client.NWSMUnloadNLM(boreas, "MONITOR.NLM"), StatusCodes::ModuleNotLoaded);

        Attachment guest = network.demo.Attachments().front();
        guest.user = "GUEST";
        std::map<std::string, NetClient::SecretText> passwords;
        passwords.emplace("ATLAS", NetClient::SecretText("guest"));
        NetClient::FixedPasswords guestPassword(std::move(passwords));
        NcpClient client;
        QVERIFY(client.AttachAll({guest}, guestPassword).empty());
        std::uint32_t handle = 0;
        QCOMPARE(client.OpenConnByReference(client.ConnectionRefs().front(), 2, 0, &handle),
                 StatusCodes::Success);
        QCOMPARE(client.NWSMUnloadNLM(handle, "TSABACK.NLM"), std::uint16_t{0x89C6});
    }

    void upperCasingStaysOnTheWorkstation_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("upper");
        QTest::newRow("ascii") << QByteArray("sys:system\\qvext.nlm") << QByteArray("SYS:SYSTEM\\QVEXT.NLM");
        QTest::newRow("latin-1 letters") << QByteArray("\xE4\xF6\xFC\xE9") << QByteArray("\xC4\xD6\xDC\xC9");
        QTest::newRow("division sign, sharp s and y diaeresis stay")
            << QByteArray("\xF7\xDF\xFF") << QByteArray("\xF7\xDF\xFF");
        QTest::newRow("stops at the first zero") << QByteArray("ab\0cd", 5) << QByteArray("AB\0cd", 5);
    }
    void upperCasingStaysOnTheWorkstation() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, upper);
        NcpClient client;
        QByteArray buffer = text;
        QCOMPARE(client.UpperCaseText(buffer.data()), buffer.data());
        QCOMPARE(buffer, upper);
    }
};

QTEST_GUILESS_MAIN(NcpClientLoopbackTest)
#include "NcpClientLoopbackTest.moc"
