#include "netclient/UserNames.h"
#include "netclient/SharedState.h"
#include "tests/support/RecordingClient.h"
#include "tests/support/RecordingPresenter.h"

#include <QTest>

#include <cstring>

using NetUtil::UserNameBuffer;

namespace {

constexpr std::uint32_t Handle = 5;
constexpr std::uint32_t UserId = 0x100;

UserNameBuffer BufferHolding(const char* text) {
    UserNameBuffer buffer{};
    std::strcpy(buffer.data(), text);
    return buffer;
}

QString TextOf(const UserNameBuffer& buffer) {
    return QString::fromLatin1(buffer.data());
}

} // namespace

class UserNamesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ResetSharedState(); }

    void userNameOfAConnection_data() {
        QTest::addColumn<quint32>("userId");
        QTest::addColumn<quint16>("userIdStatus");
        QTest::addColumn<bool>("contextUnavailable");
        QTest::addColumn<quint32>("dsStatus");
        QTest::addColumn<quint16>("binderyStatus");
        QTest::addColumn<quint16>("status");
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("calls");

        const QString info = "GetConnInfo(conn=5,type=6,len=4)";
        const QString create = "NWDSCreateContext()";
        const QString map = "MapIdToDSName(ctx=4096,conn=5,id=256)";
        const QString release = "FreeContext(ctx=4096)";
        const QString bindery = "GetBinderyObjectNameById(conn=5,id=256)";

        QTest::addRow("nobody authenticated") << 0u << quint16(0) << false << 0u << quint16(0) << quint16(0)
                                              << "<not authenticated>" << QStringList{} << QStringList{info};
        QTest::addRow("directory name")
            << UserId << quint16(0) << false << 0u << quint16(0) << quint16(0) << "CN=Admin.O=Org"
            << QStringList{} << QStringList{info, create, map, release};
        QTest::addRow("directory fails, bindery name")
            << UserId << quint16(0) << false << 0xFFFFFDA7u << quint16(0) << quint16(0) << "ADMIN"
            << QStringList{} << QStringList{info, create, map, release, bindery};
        QTest::addRow("no context, bindery name")
            << UserId << quint16(0) << true << 0u << quint16(0) << quint16(0) << "ADMIN"
            << QStringList{"Error 0148: NWDSCreateContext"} << QStringList{info, create, bindery};
        QTest::addRow("both lookups fail")
            << UserId << quint16(0) << false << 0xFFFFFDA7u << quint16(0x89FC) << quint16(0x89FC)
            << "previous" << QStringList{} << QStringList{info, create, map, release, bindery};
        QTest::addRow("no context, bindery fails")
            << UserId << quint16(0) << true << 0u << quint16(0x89FC) << quint16(0x89FC) << "previous"
            << QStringList{"Error 0148: NWDSCreateContext"} << QStringList{info, create, bindery};
        QTest::addRow("user ID call fails")
            << UserId << quint16(0x8801) << false << 0u << quint16(0) << quint16(0x8801) << "previous"
            << QStringList{} << QStringList{info};
        // Only the low 16 bits of the directory status decide: this one counts as success with no name.
        QTest::addRow("directory status with zero low word")
            << UserId << quint16(0) << false << 0x10000u << quint16(0) << quint16(0) << "" << QStringList{}
            << QStringList{info, create, map, release};
    }

    void userNameOfAConnection() {
        QFETCH(quint32, userId);
        QFETCH(quint16, userIdStatus);
        QFETCH(bool, contextUnavailable);
        QFETCH(quint32, dsStatus);
        QFETCH(quint16, binderyStatus);
        QFETCH(quint16, status);
        QFETCH(QString, buffer);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, calls);

        RecordingClient client;
        ScopedClientBinding binding(client);
        RecordingPresenter presenter;
        RecordingPresenter::Binding boundPresenter(presenter);
        client.AddServer({.name = "FS1"});
        client.AddConnection({.connRef = 1,
                              .connHandle = Handle,
                              .serverName = "FS1",
                              .userId = userId,
                              .userIdStatus = userIdStatus});
        client.Server("FS1").users.push_back({.objectId = UserId,
                                              .dsName = "CN=Admin.O=Org",
                                              .dsStatus = dsStatus,
                                              .binderyName = "ADMIN",
                                              .binderyStatus = binderyStatus});
        client.contextUnavailable = contextUnavailable;

        UserNameBuffer names = BufferHolding("previous");
        QCOMPARE(NetUtil::GetConnUserName(Handle, names), status);
        QCOMPARE(TextOf(names), buffer);
        QStringList shown;
        for (const std::string& message : presenter.Messages())
            shown.append(QString::fromStdString(message));
        QCOMPARE(shown, boxes);
        QCOMPARE(presenter.Count(RecordingPresenter::Kind::PlainMessage), 0);
        QCOMPARE(client.CallList(), calls);
        QCOMPARE(client.LiveContexts(), 0);
        QCOMPARE(LastStatus, 0u);
    }

    void namesWithoutTerminatorEndAtTheirBuffer() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        client.AddServer({.name = "FS1"});
        client.AddConnection({.connRef = 1, .connHandle = Handle, .serverName = "FS1", .userId = UserId});
        client.Server("FS1").users.push_back(
            {.objectId = UserId, .dsName = std::string(300, 'D'), .binderyName = std::string(60, 'B')});

        // A directory name filling its 256-byte buffer still fits the user-name buffer with its terminator.
        UserNameBuffer names{};
        names.fill('x');
        QCOMPARE(NetUtil::GetConnUserName(Handle, names), std::uint16_t{0});
        QCOMPARE(TextOf(names), QString(256, 'D'));

        std::string name;
        std::uint16_t objectType = 0;
        QCOMPARE(NetUtil::GetBinderyObjectName(Handle, UserId, objectType, name), std::uint16_t{0});
        QCOMPARE(name, std::string(48, 'B'));
        QCOMPARE(objectType, std::uint16_t{1});
    }

    void failedLookupsEmptyTheName() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        client.AddServer({.name = "FS1"});
        client.AddConnection({.connRef = 1, .connHandle = Handle, .serverName = "FS1"});

        std::string name = "previous";
        QCOMPARE(NetUtil::GetDSObjectName(Handle, 0x999, name), StatusCodes::DSNoSuchEntry);
        QCOMPARE(name, std::string());
        name = "previous";
        std::uint16_t objectType = 0;
        QCOMPARE(NetUtil::GetBinderyObjectName(Handle, 0x999, objectType, name), StatusCodes::NoSuchObject);
        QCOMPARE(name, std::string());
    }

    void noContextLeavesTheNameAndReleasesNothing() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        RecordingPresenter presenter;
        RecordingPresenter::Binding boundPresenter(presenter);
        client.contextUnavailable = true;

        std::string name = "previous";
        QCOMPARE(NetUtil::GetDSObjectName(Handle, UserId, name), 328u);
        QCOMPARE(name, std::string("previous"));
        QCOMPARE(client.CallList(), QStringList{"NWDSCreateContext()"});
        QCOMPARE(presenter.shown.size(), std::size_t{1});
        QCOMPARE(presenter.shown[0].kind, RecordingPresenter::Kind::ErrorBox);
        QCOMPARE(presenter.shown[0].type, NetUtil::DialogType::Error);
    }

    void userNameOfAReference() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        client.AddServer({.name = "FS1"});
        client.AddConnection({.connRef = 1, .connHandle = 21, .serverName = "FS1", .userId = 0});

        UserNameBuffer names = BufferHolding("previous");
        NetUtil::GetConnRefUserName(1, names);
        QCOMPARE(TextOf(names), QString("<not authenticated>"));
        QCOMPARE(client.CallList(), (QStringList{"OpenConnByReference(ref=1,mode=2,reserved=0)",
                                                 "GetConnInfo(conn=21,type=6,len=4)"}));
    }

    void failedOpenLeavesTheBufferUntouched() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        client.AddConnection({.connRef = 1, .connHandle = 21, .serverName = "FS1", .openStatus = 0x8801});

        UserNameBuffer names = BufferHolding("previous");
        NetUtil::GetConnRefUserName(1, names);
        QCOMPARE(TextOf(names), QString("previous"));
        QCOMPARE(client.CallList(), QStringList{"OpenConnByReference(ref=1,mode=2,reserved=0)"});
    }
};

QTEST_GUILESS_MAIN(UserNamesTest)
#include "UserNamesTest.moc"
