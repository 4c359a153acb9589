#include "RealFrames.h"
#include "NcpTestBytes.h"

#include "ncp/FileCodecs.h"
#include "ncp/RequestBody.h"
#include "ncp/TcpFrame.h"

#include <QObject>
#include <QTest>

#include <algorithm>

using Bytes = std::vector<std::uint8_t>;

// The frames a real NetWare client and server exchanged: the frame assembler, the packet headers and the 66
// and 72 codecs read every one; replies encode back byte for byte, requests except the bytes the real client
// leaves as junk (72's reserved byte, the handle's first two bytes).
class RealFramesTest final : public QObject {
    Q_OBJECT

    // The frame the assembler makes of bytes fed in pieces of five, as a slow network hands them over.
    static Ncp::Frame Assemble(Ncp::FrameDirection direction, const Bytes& bytes) {
        Ncp::FrameAssembler assembler(direction, Ncp::MaxFrameSize);
        std::span<const std::uint8_t> rest = bytes;
        while (!rest.empty() && !assembler.Failed() && !assembler.HasFrame())
            rest = rest.subspan(assembler.Feed(rest.first(std::min<std::size_t>(5, rest.size()))));
        return assembler.HasFrame() && rest.empty() ? assembler.Take() : Ncp::Frame{};
    }

    // The request frame without the bytes the real client fills with junk.
    static Bytes WithoutJunk(Bytes frame) {
        constexpr std::size_t Reserved = Ncp::RequestFrameHeaderSize + Ncp::RequestHeader::Size;
        for (std::size_t i = Reserved; i < Reserved + 3 && i < frame.size(); ++i)
            frame[i] = 0;
        return frame;
    }

private Q_SLOTS:
    void realExchanges_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(RealExchanges)); ++i)
            QTest::addRow("frames %s", RealExchanges[i].frames) << i;
    }
    void realExchanges() {
        QFETCH(int, index);
        const RealExchange& exchange = RealExchanges[index];
        const Bytes requestFrame = FromHex(exchange.request);
        const Bytes replyFrame = FromHex(exchange.reply);
        const Ncp::Frame request = Assemble(Ncp::FrameDirection::Request, requestFrame);
        const Ncp::Frame reply = Assemble(Ncp::FrameDirection::Reply, replyFrame);
        QCOMPARE(request.bytes, requestFrame);
        QCOMPARE(reply.bytes, replyFrame);

        const Ncp::ParsedRequest parsed = Ncp::ParseRequestPacket(request.Packet());
        QVERIFY(parsed.status == Ncp::RequestParseStatus::Ok);
        QCOMPARE(parsed.header.type, Ncp::PacketType::Request);
        QCOMPARE(parsed.header.connection, std::uint16_t{42});
        QCOMPARE(parsed.header.task, std::uint8_t{3});
        QCOMPARE(int(parsed.header.function), exchange.function);
        Ncp::ReplyHeader header;
        std::optional<Bytes> requestPacket;
        std::optional<Bytes> replyPacket;
        if (exchange.function == 72) {
            Ncp::ReadFileRequest read;
            QVERIFY(Ncp::DecodeRequest(parsed, read));
            QCOMPARE(read.offset, 0u);
            QCOMPARE(read.count, std::uint16_t{4096});
            Ncp::ReadFileReply data;
            QVERIFY(Ncp::DecodeReply(reply.Packet(), header, data));
            QCOMPARE(data.data.size(), std::size_t{159});
            requestPacket = Ncp::EncodeRequest(parsed.header, read);
            replyPacket = Ncp::EncodeReply(header, data);
        } else {
            Ncp::CloseFileRequest close;
            QVERIFY(Ncp::DecodeRequest(parsed, close));
            Ncp::EmptyReply data;
            QVERIFY(Ncp::DecodeReply(reply.Packet(), header, data));
            requestPacket = Ncp::EncodeRequest(parsed.header, close);
            replyPacket = Ncp::EncodeReply(header, data);
        }
        QCOMPARE(header.sequence, parsed.header.sequence);
        QCOMPARE(header.completionCode, std::uint8_t{0});
        // The reply-buffer field bounds the reply's data, not the whole reply frame.
        QVERIFY(reply.Packet().size() - Ncp::ReplyHeader::Size <= request.replyBufferSize);
        QVERIFY(requestPacket && replyPacket);
        QCOMPARE(Ncp::EncodeReplyFrame(*replyPacket), replyFrame);
        QCOMPARE(WithoutJunk(Ncp::EncodeRequestFrame(*requestPacket, request.replyBufferSize)),
                 WithoutJunk(requestFrame));
    }
};

QTEST_GUILESS_MAIN(RealFramesTest)
#include "RealFramesTest.moc"
