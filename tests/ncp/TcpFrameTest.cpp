#include "ExampleFrames.h"
#include "NcpTestBytes.h"

#include "ncp/TcpFrame.h"

#include <QTest>

using namespace Ncp;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(Ncp::FrameDirection)
Q_DECLARE_METATYPE(Ncp::FrameError)

namespace {

// Feeds bytes in pieces of pieceSize and collects the frames; stops at an error.
std::vector<Frame> Assemble(FrameAssembler& assembler, std::span<const std::uint8_t> bytes,
                            std::size_t pieceSize) {
    std::vector<Frame> frames;
    while (!bytes.empty() && !assembler.Failed()) {
        bytes = bytes.subspan(assembler.Feed(bytes.first(std::min(pieceSize, bytes.size()))));
        if (assembler.HasFrame())
            frames.push_back(assembler.Take());
    }
    return frames;
}

} // namespace

class TcpFrameTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void examplesRoundTrip_data() {
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<FrameDirection>("direction");
        for (const auto& example : ExampleExchanges) {
            QTest::addRow("%s request", example.name) << FromHex(example.request) << FrameDirection::Request;
            QTest::addRow("%s reply", example.name) << FromHex(example.reply) << FrameDirection::Reply;
        }
    }
    // Each example frame comes out of the assembler whole, fed in one piece or byte by byte, and encoding
    // its decoded header and body gives the same bytes again.
    void examplesRoundTrip() {
        QFETCH(Bytes, frame);
        QFETCH(FrameDirection, direction);
        for (const std::size_t pieceSize : {frame.size(), std::size_t{1}}) {
            FrameAssembler assembler(direction, MaxFrameSize);
            const auto frames = Assemble(assembler, frame, pieceSize);
            QCOMPARE(frames.size(), std::size_t{1});
            QCOMPARE(frames[0].bytes, frame);
            QCOMPARE(assembler.PendingBytes(), std::size_t{0});
        }
        FrameAssembler assembler(direction, MaxFrameSize);
        const Frame decoded = Assemble(assembler, frame, frame.size()).at(0);
        ByteReader in(decoded.Packet());
        if (direction == FrameDirection::Request) {
            const auto header = DecodeRequestHeader(in);
            QVERIFY(header.has_value());
            QCOMPARE(decoded.replyBufferSize, 1024u);
            QCOMPARE(EncodeRequestFrame(*header, in.Rest(), decoded.replyBufferSize), frame);
        } else {
            const auto header = DecodeReplyHeader(in);
            QVERIFY(header.has_value());
            QCOMPARE(header->connection, 5);
            QCOMPARE(EncodeReplyFrame(*header, in.Rest()), frame);
        }
    }

    void bounds_data() {
        QTest::addColumn<FrameDirection>("direction");
        QTest::addColumn<std::size_t>("bound");
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<FrameError>("error");
        QTest::addColumn<bool>("signature");
        const Bytes e3 = FromHex(ExampleExchanges[2].request); // 26 bytes
        const Bytes e4reply = FromHex(ExampleExchanges[3].reply);
        const auto withLength = [](Bytes frame, std::uint32_t length) {
            ByteWriter(frame).PatchBE32(4, length);
            return frame;
        };
        auto signedE3 = withLength(e3, 34);
        signedE3.insert(signedE3.begin() + 16, {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8});
        auto signedReply = withLength(e4reply, 32);
        signedReply.insert(signedReply.begin() + 8, 8, 0x5A);

        QTest::addRow("length at the bound")
            << FrameDirection::Request << std::size_t{26} << e3 << FrameError::None << false;
        QTest::addRow("length one above the bound")
            << FrameDirection::Request << std::size_t{25} << e3 << FrameError::TooLong << false;
        QTest::addRow("length far above any bound")
            << FrameDirection::Request << MaxFrameSize << withLength(e3, 0x0FFFFFFF) << FrameError::TooLong
            << false;
        QTest::addRow("request below the minimum")
            << FrameDirection::Request << MaxFrameSize << withLength(e3, 21) << FrameError::TooShort << false;
        // A create or destroy request may come without its function byte.
        QTest::addRow("request without its function byte")
            << FrameDirection::Request << MaxFrameSize << withLength(Bytes(e3.begin(), e3.begin() + 22), 22)
            << FrameError::None << false;
        QTest::addRow("reply below the minimum") << FrameDirection::Reply << MaxFrameSize
                                                 << withLength(e4reply, 15) << FrameError::TooShort << false;
        QTest::addRow("reply signature on the request side")
            << FrameDirection::Request << MaxFrameSize << e4reply << FrameError::BadSignature << false;
        QTest::addRow("no signature at all") << FrameDirection::Reply << MaxFrameSize
                                             << FromHex("00 00 00 00 00 00 00 10 33 33 00 05 01 00 00 00")
                                             << FrameError::BadSignature << false;
        QTest::addRow("top 4 length bits masked") << FrameDirection::Request << std::size_t{26}
                                                  << withLength(e3, 0xF000001A) << FrameError::None << false;
        QTest::addRow("request signature bytes recognised")
            << FrameDirection::Request << MaxFrameSize << signedE3 << FrameError::None << true;
        QTest::addRow("reply signature bytes recognised")
            << FrameDirection::Reply << MaxFrameSize << signedReply << FrameError::None << true;
        QTest::addRow("signature leaves no whole header")
            << FrameDirection::Reply << MaxFrameSize << FromHex("74 4E 63 50 00 00 00 14 5A*8 33 33 03 05")
            << FrameError::TooShort << false;
    }
    // A frame outside the bounds stops the assembler before it buffers more than the 8 bytes holding
    // the length; signature bytes are skipped so that the packet starts with its type.
    void bounds() {
        QFETCH(FrameDirection, direction);
        QFETCH(std::size_t, bound);
        QFETCH(Bytes, bytes);
        QFETCH(FrameError, error);
        QFETCH(bool, signature);
        const bool signedTooShort = QByteArray(QTest::currentDataTag()).startsWith("signature leaves");
        FrameAssembler assembler(direction, bound);
        const auto frames = Assemble(assembler, bytes, 1);
        QCOMPARE(assembler.Error(), error);
        if (error != FrameError::None) {
            QVERIFY(frames.empty());
            // A bad header is refused on its first 8 bytes; only a short signed frame is seen whole.
            QCOMPARE(assembler.PendingBytes(), signedTooShort ? bytes.size() : std::size_t{8});
            QCOMPARE(assembler.Feed(bytes), std::size_t{0});
            return;
        }
        QCOMPARE(frames.size(), std::size_t{1});
        QCOMPARE(frames[0].hasSignature, signature);
        QCOMPARE(frames[0].Packet().size(),
                 bytes.size() - (direction == FrameDirection::Request ? 16u : 8u) - (signature ? 8u : 0u));
        QVERIFY(frames[0].Type() == PacketType::Request || frames[0].Type() == PacketType::Reply);
    }
};

QTEST_GUILESS_MAIN(TcpFrameTest)
#include "TcpFrameTest.moc"
