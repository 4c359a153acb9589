#include "LoopbackPeer.h"

#include "ncp/ClientConnection.h"
#include "ncp/StatusCodes.h"

#include <QTest>

#include <optional>
#include <thread>

using namespace Ncp;
using Answer = LoopbackPeer::Answer;

class ClientConnectionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Create uses sequence 0 and no connection; every call after it carries the assigned number and the
    // next sequence, wrapping at 256; destroy closes the series.
    void numbering() {
        LoopbackPeer peer([](const RequestHeader& request, std::span<const std::uint8_t>) {
            return Answer{LoopbackPeer::ReplyTo(request)};
        });
        constexpr int Calls = 300;
        {
            ClientConnection connection;
            QCOMPARE(connection.Open("127.0.0.1", peer.Port()), StatusCodes::Success);
            Reply reply;
            for (int i = 0; i < Calls; ++i)
                QCOMPARE(connection.Call(25, {}, reply), StatusCodes::Success);
            QCOMPARE(connection.Close(), StatusCodes::Success);
            QVERIFY(!connection.IsOpen());
        }
        const auto& requests = peer.Requests();
        QCOMPARE(requests.size(), std::size_t{Calls + 2});
        QCOMPARE(requests.front().type, PacketType::CreateConnection);
        QCOMPARE(requests.front().connection, NoConnection);
        QCOMPARE(requests.back().type, PacketType::DestroyConnection);
        for (std::size_t i = 0; i < requests.size(); ++i) {
            QCOMPARE(requests[i].sequence, static_cast<std::uint8_t>(i));
            if (i > 0)
                QCOMPARE(requests[i].connection, 5);
        }
    }

    void negotiate_data() {
        QTest::addColumn<std::uint16_t>("answered");
        QTest::addColumn<std::uint16_t>("status");
        QTest::addColumn<std::uint16_t>("bufferSize");
        QTest::addColumn<std::uint16_t>("bigReplyStatus");
        QTest::addRow("accepted as proposed")
            << std::uint16_t{4096} << StatusCodes::Success << std::uint16_t{4096} << StatusCodes::Success;
        QTest::addRow("server's smaller maximum") << std::uint16_t{1024} << StatusCodes::Success
                                                  << std::uint16_t{1024} << StatusCodes::BufferTooSmall;
        QTest::addRow("below the floor") << std::uint16_t{300} << StatusCodes::MalformedReply
                                         << std::uint16_t{512} << StatusCodes::BufferTooSmall;
        QTest::addRow("above the proposal") << std::uint16_t{8192} << StatusCodes::MalformedReply
                                            << std::uint16_t{512} << StatusCodes::BufferTooSmall;
    }
    // The accepted size becomes the bound for replies: a 3000-byte reply passes only with room for it.
    void negotiate() {
        QFETCH(std::uint16_t, answered);
        QFETCH(std::uint16_t, status);
        QFETCH(std::uint16_t, bufferSize);
        QFETCH(std::uint16_t, bigReplyStatus);
        std::uint16_t proposed = 0;
        LoopbackPeer peer([&](const RequestHeader& request, std::span<const std::uint8_t> body) {
            if (request.function == 33) {
                proposed = static_cast<std::uint16_t>(body[0] << 8 | body[1]);
                const std::uint8_t size[] = {static_cast<std::uint8_t>(answered >> 8),
                                             static_cast<std::uint8_t>(answered)};
                return Answer{LoopbackPeer::ReplyTo(request, 0, size)};
            }
            if (request.function == 72)
                return Answer{LoopbackPeer::ReplyTo(request, 0, std::vector<std::uint8_t>(3000))};
            return Answer{LoopbackPeer::ReplyTo(request)};
        });
        ClientConnection connection;
        QCOMPARE(connection.Open("127.0.0.1", peer.Port()), StatusCodes::Success);
        std::uint16_t accepted = 0;
        QCOMPARE(connection.NegotiateBufferSize(ClientConnection::ProposedBufferSize, accepted), status);
        QCOMPARE(proposed, ClientConnection::ProposedBufferSize);
        QCOMPARE(connection.BufferSize(), bufferSize);
        Reply reply;
        QCOMPARE(connection.Call(72, {}, reply), bigReplyStatus);
        if (bigReplyStatus == StatusCodes::Success)
            QCOMPARE(reply.data.size(), std::size_t{3000});
    }

    void waiting_data() {
        QTest::addColumn<int>("ticksBeforeCancel");
        QTest::addColumn<bool>("wholeCall");
        QTest::addColumn<int>("answered");
        QTest::addColumn<std::uint16_t>("status");
        QTest::addRow("cancelled while waiting") << 3 << false << 0 << StatusCodes::RequestTimedOut;
        QTest::addRow("each call its own deadline") << -1 << false << 3 << StatusCodes::Success;
        QTest::addRow("one deadline for the whole call") << -1 << true << 1 << StatusCodes::RequestTimedOut;
    }
    // A peer that answers each request after 300 ms, under a time limit of 500 ms: the tick is called while
    // a call waits and ends it when it answers false; a WholeCall's deadline covers all its calls.
    void waiting() {
        QFETCH(int, ticksBeforeCancel);
        QFETCH(bool, wholeCall);
        QFETCH(int, answered);
        QFETCH(std::uint16_t, status);
        LoopbackPeer peer([](const RequestHeader& request, std::span<const std::uint8_t>) {
            if (request.type != PacketType::CreateConnection)
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return Answer{LoopbackPeer::ReplyTo(request)};
        });
        ClientConnection connection;
        connection.SetTimeLimit(std::chrono::milliseconds(500));
        QCOMPARE(connection.Open("127.0.0.1", peer.Port()), StatusCodes::Success);
        int ticks = 0;
        connection.SetWaitTick([&] { return ++ticks != ticksBeforeCancel; });
        std::optional<ClientConnection::WholeCall> whole;
        if (wholeCall)
            whole.emplace(connection);
        Reply reply;
        int succeeded = 0;
        std::uint16_t last = StatusCodes::Success;
        for (int i = 0; i < 3 && last == StatusCodes::Success; ++i)
            if ((last = connection.Call(23, {}, reply)) == StatusCodes::Success)
                ++succeeded;
        QCOMPARE(succeeded, answered);
        QCOMPARE(last, status);
        QVERIFY(ticks > 0);
        if (ticksBeforeCancel > 0)
            QCOMPARE(ticks, ticksBeforeCancel);
    }
};

QTEST_GUILESS_MAIN(ClientConnectionTest)
#include "ClientConnectionTest.moc"
