#include "netclient/ExtensionExchange.h"

#include "ncp/BinderyCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/StatusCodes.h"
#include "netclient/ServerSession.h"
#include "tests/ncp/LoopbackPeer.h"

#include <QTest>

#include <atomic>

using NetClient::ExtensionForm;

Q_DECLARE_METATYPE(ExtensionForm)

namespace {

constexpr std::uint32_t Handle = 7;

template <typename Reply> std::vector<std::uint8_t> Data(const Reply& reply) {
    Ncp::ByteWriter out;
    Ncp::BuildReplyData(reply, out);
    return out.Result();
}

// How a scripted server sends the reply fragments after the first.
enum class Continuation { Whole, Empty, OtherHandle, NeverEnding };

} // namespace

Q_DECLARE_METATYPE(Continuation)

// Which form of function 37 a message goes in, by the connection's negotiated buffer: a request packet is
// 15 bytes before its data, a reply packet 10 bytes before its data.
class ExtensionFormTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formFollowsTheNegotiatedBuffer_data() {
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<int>("requestSize");
        QTest::addColumn<int>("replyCapacity");
        QTest::addColumn<ExtensionForm>("form");
        QTest::newRow("console row read, 4096") << 4096 << 6 << 800 << ExtensionForm::Simple;
        QTest::newRow("console row read, 512") << 512 << 6 << 800 << ExtensionForm::Fragmented;
        QTest::newRow("reply fills 512") << 512 << 6 << 502 << ExtensionForm::Simple;
        QTest::newRow("reply one past 512") << 512 << 6 << 503 << ExtensionForm::Fragmented;
        QTest::newRow("request fills 512") << 512 << 497 << 0 << ExtensionForm::Simple;
        QTest::newRow("request one past 512") << 512 << 498 << 0 << ExtensionForm::Fragmented;
        QTest::newRow("reply fills 4096") << 4096 << 0 << 4086 << ExtensionForm::Simple;
        QTest::newRow("reply one past 4096") << 4096 << 0 << 4087 << ExtensionForm::Fragmented;
        QTest::newRow("large request, small reply") << 4096 << 3000 << 16 << ExtensionForm::Simple;
        QTest::newRow("request past 4096") << 4096 << 4082 << 16 << ExtensionForm::Fragmented;
        QTest::newRow("16384: reply of 16374") << 16384 << 6 << 16374 << ExtensionForm::Simple;
        QTest::newRow("largest reply word") << 16384 << 6 << 65535 << ExtensionForm::Fragmented;
    }
    void formFollowsTheNegotiatedBuffer() {
        QFETCH(int, bufferSize);
        QFETCH(int, requestSize);
        QFETCH(int, replyCapacity);
        QFETCH(ExtensionForm, form);
        QCOMPARE(NetClient::ChooseExtensionForm(static_cast<std::size_t>(bufferSize),
                                                static_cast<std::size_t>(requestSize),
                                                static_cast<std::size_t>(replyCapacity)),
                 form);
    }

    // A reply of 300 bytes announced in the first reply fragment (100 bytes), on a 512-byte buffer: the
    // client asks for the rest until it has the announced length, and gives up on a server that sends an
    // empty piece, a piece under another handle, or pieces without end (bounded in pieces, not only in time).
    void fragmentedReplies_data() {
        QTest::addColumn<Continuation>("continuation");
        QTest::addColumn<std::uint32_t>("announced");
        QTest::addColumn<std::uint16_t>("status");
        QTest::addColumn<int>("mostRequests"); // function 37 requests sent, at most
        QTest::newRow("whole") << Continuation::Whole << 300u << StatusCodes::Success << 3;
        QTest::newRow("empty continuation")
            << Continuation::Empty << 300u << StatusCodes::MalformedReply << 2;
        QTest::newRow("another handle")
            << Continuation::OtherHandle << 300u << StatusCodes::MalformedReply << 2;
        QTest::newRow("never ends") << Continuation::NeverEnding << 65535u << StatusCodes::MalformedReply
                                    << 256;
        QTest::newRow("announces more than a message")
            << Continuation::Whole << 65536u << StatusCodes::MalformedReply << 1;
    }
    void fragmentedReplies() {
        QFETCH(Continuation, continuation);
        QFETCH(std::uint32_t, announced);
        QFETCH(std::uint16_t, status);
        QFETCH(int, mostRequests);
        std::atomic<int> extensionRequests = 0;
        LoopbackPeer peer([&](const Ncp::RequestHeader& request, std::span<const std::uint8_t>) {
            if (request.function == 33)
                return LoopbackPeer::Answer{
                    LoopbackPeer::ReplyTo(request, 0, std::vector<std::uint8_t>{2, 0})};
            if (request.function == 23)
                return LoopbackPeer::Answer{
                    LoopbackPeer::ReplyTo(request, 0, Data(Ncp::FileServerInformationReply{}))};
            if (request.function != 37) // the connection's creation, and 97 refused
                return LoopbackPeer::Answer{
                    LoopbackPeer::ReplyTo(request, request.function == 97 ? 0xFB : 0)};
            const std::vector<std::uint8_t> piece(100, static_cast<std::uint8_t>(extensionRequests));
            if (extensionRequests++ == 0)
                return LoopbackPeer::Answer{LoopbackPeer::ReplyTo(
                    request, 0, Data(Ncp::ExtensionFragmentReply{Handle, announced, piece}))};
            Ncp::ExtensionContinuationReply next{Handle, piece};
            if (continuation == Continuation::Empty)
                next.data.clear();
            if (continuation == Continuation::OtherHandle)
                next.fragmentHandle = Handle + 1;
            if (continuation == Continuation::NeverEnding)
                next.data.resize(1);
            return LoopbackPeer::Answer{LoopbackPeer::ReplyTo(request, 0, Data(next))};
        });
        NetClient::Attachment attachment;
        attachment.serverName = "FS1";
        attachment.host = "127.0.0.1";
        attachment.port = peer.Port();
        attachment.timeoutSeconds = 5;
        NetClient::ServerSession session(attachment, nullptr);
        QCOMPARE(session.Open(), StatusCodes::Success);
        session.Finish();
        QCOMPARE(int(session.Connection().BufferSize()), 512);

        std::vector<std::uint8_t> reply;
        const std::vector<std::uint8_t> request{1, 2, 3};
        QCOMPARE(NetClient::ExchangeWithExtension(session, 0x1234, request, 1000, reply), status);
        session.Disconnect();
        QVERIFY(extensionRequests <= mostRequests);
        if (status != StatusCodes::Success) {
            QVERIFY(reply.empty());
            return;
        }
        QCOMPARE(reply.size(), std::size_t{announced});
        QCOMPARE(int(reply[0]), 0);
        QCOMPARE(int(reply[299]), 2);
    }
};

QTEST_GUILESS_MAIN(ExtensionFormTest)
#include "ExtensionFormTest.moc"
