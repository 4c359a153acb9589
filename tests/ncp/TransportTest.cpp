#include "LoopbackPeer.h"
#include "NcpTestBytes.h"

#include "ncp/ClientConnection.h"
#include "ncp/StatusCodes.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Ncp;
using Answer = LoopbackPeer::Answer;
using Responder = std::function<Answer(const RequestHeader&)>;

Q_DECLARE_METATYPE(Responder)

namespace {

constexpr std::chrono::milliseconds ShortLimit{200};
const std::vector<std::uint8_t> ServerInformationRequest = {0x00, 0x01, 0x11};

// A peer that creates the connection normally and answers every later request with respond.
LoopbackPeer::Script AfterCreate(Responder respond) {
    return [respond](const RequestHeader& request, std::span<const std::uint8_t>) {
        if (request.type == PacketType::CreateConnection)
            return Answer{LoopbackPeer::ReplyTo(request)};
        return respond(request);
    };
}

std::vector<std::uint8_t> WithSequence(const RequestHeader& request, std::uint8_t sequence) {
    RequestHeader other = request;
    other.sequence = sequence;
    return LoopbackPeer::ReplyTo(other);
}

} // namespace

class TransportTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void call_data() {
        QTest::addColumn<Responder>("respond");
        QTest::addColumn<std::uint16_t>("status");
        QTest::addColumn<bool>("lost");
        const auto reply = [](const RequestHeader& request) {
            return Answer{LoopbackPeer::ReplyTo(request)};
        };
        QTest::addRow("answered") << Responder(reply) << StatusCodes::Success << false;
        QTest::addRow("completion code") << Responder([](const RequestHeader& request) {
            return Answer{LoopbackPeer::ReplyTo(request, 0xC6)};
        }) << std::uint16_t{0x89C6} << false;
        QTest::addRow("busy, then the reply") << Responder([](const RequestHeader& request) {
            ReplyHeader busy{PacketType::Busy, request.sequence, request.connection, request.task, 0, 0};
            return Answer{Concat(EncodeReplyFrame(busy, {}), LoopbackPeer::ReplyTo(request))};
        }) << StatusCodes::Success << false;
        QTest::addRow("broadcast skipped") << Responder([](const RequestHeader& request) {
            ReplyHeader broadcast{PacketType::Broadcast, 0, request.connection, 0, 0, 0x21};
            return Answer{Concat(EncodeReplyFrame(broadcast, {}), LoopbackPeer::ReplyTo(request))};
        }) << StatusCodes::Success << false;
        QTest::addRow("never answers") << Responder([](const RequestHeader&) { return Answer{}; })
                                       << StatusCodes::RequestTimedOut << true;
        // Hostile servers: none of them may hold a call beyond its one deadline.
        QTest::addRow("busy for ever") << Responder([](const RequestHeader& request) {
            ReplyHeader busy{PacketType::Busy, request.sequence, request.connection, request.task, 0, 0};
            return Answer{EncodeReplyFrame(busy, {}), false, std::chrono::milliseconds(150)};
        }) << StatusCodes::RequestTimedOut
                                       << true;
        QTest::addRow("flood of unasked frames") << Responder([](const RequestHeader& request) {
            ReplyHeader broadcast{PacketType::Broadcast, 0, request.connection, 0, 0, 0x21};
            return Answer{EncodeReplyFrame(broadcast, {}), false, std::chrono::milliseconds(1)};
        }) << StatusCodes::RequestTimedOut << true;
        QTest::addRow("closes mid-frame") << Responder([](const RequestHeader& request) {
            auto bytes = LoopbackPeer::ReplyTo(request);
            bytes.resize(11);
            return Answer{bytes, true};
        }) << StatusCodes::ConnectionLost << true;
        QTest::addRow("wrong sequence") << Responder([](const RequestHeader& request) {
            return Answer{WithSequence(request, static_cast<std::uint8_t>(request.sequence + 1))};
        }) << StatusCodes::ReplyMismatch << true;
        QTest::addRow("wrong connection") << Responder([](const RequestHeader& request) {
            RequestHeader other = request;
            other.connection = 6;
            return Answer{LoopbackPeer::ReplyTo(other)};
        }) << StatusCodes::ReplyMismatch << true;
        QTest::addRow("bad frame signature") << Responder([](const RequestHeader& request) {
            auto bytes = LoopbackPeer::ReplyTo(request);
            bytes[0] = 'X';
            return Answer{bytes};
        }) << StatusCodes::MalformedReply << true;
        QTest::addRow("reply above the bound") << Responder([](const RequestHeader& request) {
            return Answer{LoopbackPeer::ReplyTo(request, 0, std::vector<std::uint8_t>(3000))};
        }) << StatusCodes::BufferTooSmall << true;
        QTest::addRow("connection dead at the server") << Responder([](const RequestHeader& request) {
            auto bytes = LoopbackPeer::ReplyTo(request);
            bytes[15] = 0x01; // connection status: bad connection
            return Answer{bytes};
        }) << StatusCodes::ConnectionLost << true;
    }
    // One call against a peer that answers it in its own way; a failed exchange leaves the connection
    // lost, and the next call fails at once.
    void call() {
        QFETCH(Responder, respond);
        QFETCH(std::uint16_t, status);
        QFETCH(bool, lost);
        LoopbackPeer peer(AfterCreate(respond));
        ClientConnection connection;
        connection.SetTimeLimit(ShortLimit);
        QCOMPARE(connection.Open("127.0.0.1", peer.Port()), StatusCodes::Success);
        QCOMPARE(connection.ConnectionNumber(), 5);
        Reply reply;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(connection.Call(23, ServerInformationRequest, reply), status);
        if (status == StatusCodes::RequestTimedOut)
            QVERIFY(timer.elapsed() >= ShortLimit.count() && timer.elapsed() < 10 * ShortLimit.count());
        QCOMPARE(connection.IsLost(), lost);
        if (!lost)
            return;
        timer.restart();
        QCOMPARE(connection.Call(23, ServerInformationRequest, reply), StatusCodes::ConnectionLost);
        QVERIFY(timer.elapsed() < ShortLimit.count());
    }

    void connect_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("listening");
        QTest::addColumn<std::uint16_t>("status");
        QTest::addRow("listening") << "127.0.0.1" << true << StatusCodes::Success;
        QTest::addRow("localhost by name") << "localhost" << true << StatusCodes::Success;
        QTest::addRow("port not listening") << "127.0.0.1" << false << StatusCodes::ConnectionRefused;
    }
    void connect() {
        QFETCH(QString, host);
        QFETCH(bool, listening);
        QFETCH(std::uint16_t, status);
        // A bound socket that does not listen refuses connections on its port.
        const int bound = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(bound, reinterpret_cast<sockaddr*>(&address), sizeof address);
        if (listening)
            ::listen(bound, 1);
        ::getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length);
        Transport transport;
        QCOMPARE(transport.Connect(host.toStdString(), ntohs(address.sin_port), ShortLimit), status);
        QCOMPARE(transport.IsOpen(), status == StatusCodes::Success);
        if (transport.IsOpen())
            QCOMPARE(transport.PeerEndpoint(), (Endpoint{0x7F000001, ntohs(address.sin_port)}));
        ::close(bound);
    }

    // Which receives look for their reply before sleeping ('L') and which sleep at once ('.'), given what the
    // looks find in turn ('o' a reply, 'x' nothing).
    void spinPolicy_data() {
        QTest::addColumn<bool>("always");
        QTest::addColumn<QString>("found");
        QTest::addColumn<QString>("looks");
        const QString fifteen(SpinPolicy::ProbeInterval - 1, QLatin1Char('.'));
        QTest::addRow("looks that find go on") << false << "oooo"
                                               << "LLLL";
        QTest::addRow("after a miss, every 16th looks") << false << "xxx"
                                                        << "L" + fifteen + "L" + fifteen + "L";
        QTest::addRow("a look that finds again") << false << "xooo"
                                                 << "L" + fifteen + "LLL";
        QTest::addRow("told to look always") << true << "xxx"
                                             << "LLL";
    }
    void spinPolicy() {
        QFETCH(bool, always);
        QFETCH(QString, found);
        QFETCH(QString, looks);
        SpinPolicy policy;
        policy.LookAlways(always);
        QString seen;
        qsizetype look = 0;
        while (seen.size() < looks.size()) {
            const bool looked = policy.ShouldLook();
            seen += looked ? QLatin1Char('L') : QLatin1Char('.');
            if (looked)
                policy.LookFound(found.at(look++) == QLatin1Char('o'));
        }
        QCOMPARE(seen, looks);
    }
};

QTEST_GUILESS_MAIN(TransportTest)
#include "TransportTest.moc"
