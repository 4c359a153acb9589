// The keyed login's outcome as the server's completion code gives it, against a scripted server: a grace
// login (the password has expired, 0xDF) logs in, a refused password does not.

#include "ncp/BinderyCodecs.h"
#include "ncp/StatusCodes.h"
#include "netclient/ServerSession.h"
#include "tests/ncp/LoopbackPeer.h"

#include <QTest>

using Answer = LoopbackPeer::Answer;

namespace {

template <typename Reply> std::vector<std::uint8_t> Data(const Reply& reply) {
    Ncp::ByteWriter out;
    Ncp::BuildReplyData(reply, out);
    return out.Result();
}

} // namespace

class LoginCompletionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void login_data() {
        QTest::addColumn<int>("completion");
        QTest::addColumn<std::uint16_t>("status");
        QTest::newRow("logged in") << 0x00 << StatusCodes::Success;
        QTest::newRow("grace login") << 0xDF << StatusCodes::Success;
        QTest::newRow("password refused") << 0xDE << std::uint16_t{0x89DE};
    }
    void login() {
        QFETCH(int, completion);
        QFETCH(std::uint16_t, status);
        LoopbackPeer peer(
            [completion](const Ncp::RequestHeader& request, std::span<const std::uint8_t> body) {
                const std::uint8_t subfunction = body.size() > 2 ? body[2] : 0;
                if (request.function == 33)
                    return Answer{LoopbackPeer::ReplyTo(request, 0, std::vector<std::uint8_t>{0x02, 0x00})};
                if (request.function == 23 && subfunction == 17)
                    return Answer{LoopbackPeer::ReplyTo(request, 0, Data(Ncp::FileServerInformationReply{}))};
                if (request.function == 23 && subfunction == 23)
                    return Answer{LoopbackPeer::ReplyTo(request, 0, Data(Ncp::GetLoginKeyReply{}))};
                if (request.function == 23 && subfunction == 53) {
                    Ncp::BinderyObjectReply user;
                    user.objectId = 0x0B000001;
                    user.objectType = 1;
                    user.objectName = "ADMIN";
                    return Answer{LoopbackPeer::ReplyTo(request, 0, Data(user))};
                }
                if (request.function == 23 && subfunction == 24)
                    return Answer{LoopbackPeer::ReplyTo(request, static_cast<std::uint8_t>(completion))};
                return Answer{LoopbackPeer::ReplyTo(request)};
            });
        NetClient::Attachment attachment;
        attachment.serverName = "FS1";
        attachment.host = "127.0.0.1";
        attachment.port = peer.Port();
        attachment.user = "ADMIN";
        attachment.timeoutSeconds = 2;
        NetClient::ServerSession session(attachment, nullptr);
        QCOMPARE(session.Open(), StatusCodes::Success);
        QCOMPARE(session.LogIn(NetClient::SecretText("secret")), status);
    }
};

QTEST_GUILESS_MAIN(LoginCompletionTest)
#include "LoginCompletionTest.moc"
