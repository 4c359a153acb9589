#include "ExampleFrames.h"
#include "LoopbackPeer.h"
#include "NcpTestBytes.h"

#include "ncp/ClientConnection.h"
#include "ncp/PcapWriter.h"
#include "ncp/StatusCodes.h"
#include "tests/support/TsharkCheck.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Ncp;

// The project's independent check of its bytes: frames written by PcapWriter must decode in Wireshark's
// tshark as NCP, with every request answered and every call named.
class CaptureTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (!TsharkCheck::Available())
            QSKIP("tshark is not installed (scripts/install-deps.sh installs it)");
        QVERIFY(directory_.isValid());
    }

    // The worked examples E1-E15 and their replies, on a port other than 524, in one conversation and
    // again in a second one (the numbering of the second capture conversation must not disturb the first).
    void examples() {
        const QString file = directory_.filePath("examples.pcap");
        constexpr std::uint16_t Port = 52400;
        {
            PcapWriter writer;
            QVERIFY(writer.Open(file.toStdString()));
            for (const std::uint16_t clientPort : {40001, 40002}) {
                const Endpoint client{0x7F000001, clientPort};
                const Endpoint server{0x7F000001, Port};
                for (const auto& example : ExampleExchanges) {
                    writer.Record(client, server, FromHex(example.request));
                    writer.Record(server, client, FromHex(example.reply));
                }
                writer.Close(client, server);
            }
        }
        const TsharkCheck::Report report = TsharkCheck::Check(file, {Port});
        QVERIFY2(report.problems.isEmpty(), qPrintable(report.ProblemText()));
        QCOMPARE(report.ncpFrames.size(), 4 * static_cast<qsizetype>(std::size(ExampleExchanges)));
        const QString frames = report.ncpFrames.join('\n');
        for (const auto& example : ExampleExchanges)
            QVERIFY2(frames.contains(QStringLiteral("C %1").arg(example.wiresharkName)), example.name);
    }

    // The largest frame the library reads is more than one IP packet holds: it is written as two segments,
    // which tshark joins again.
    void largestFrame() {
        const QString file = directory_.filePath("largest.pcap");
        auto reply = FromHex(ExampleExchanges[3].reply);
        reply.resize(MaxFrameSize, 0x5A);
        ByteWriter(reply).PatchBE32(4, static_cast<std::uint32_t>(MaxFrameSize));
        {
            PcapWriter writer;
            QVERIFY(writer.Open(file.toStdString()));
            const Endpoint client{0x7F000001, 40004};
            const Endpoint server{0x7F000001, 52402};
            writer.Record(client, server, FromHex(ExampleExchanges[3].request));
            writer.Record(server, client, reply);
        }
        const TsharkCheck::Report report = TsharkCheck::Check(file, {52402});
        QVERIFY2(report.problems.isEmpty(), qPrintable(report.ProblemText()));
        QCOMPARE(report.ncpFrames.size(), 2);
    }

    // A live exchange recorded by the client's transport, with the real ports of both ends.
    void liveExchange() {
        const QString file = directory_.filePath("live.pcap");
        LoopbackPeer peer([](const RequestHeader& request, std::span<const std::uint8_t>) {
            const std::vector<std::uint8_t> serverInformation(128, 0x41);
            if (request.function == 23)
                return LoopbackPeer::Answer{LoopbackPeer::ReplyTo(request, 0, serverInformation)};
            if (request.function == 33)
                return LoopbackPeer::Answer{
                    LoopbackPeer::ReplyTo(request, 0, std::vector<std::uint8_t>{0x10, 0x00})};
            return LoopbackPeer::Answer{LoopbackPeer::ReplyTo(request)};
        });
        {
            PcapWriter writer;
            QVERIFY(writer.Open(file.toStdString()));
            ClientConnection connection;
            connection.SetCapture(&writer);
            QCOMPARE(connection.Open("127.0.0.1", peer.Port()), StatusCodes::Success);
            std::uint16_t accepted = 0;
            QCOMPARE(connection.NegotiateBufferSize(4096, accepted), StatusCodes::Success);
            Reply reply;
            QCOMPARE(connection.Call(23, std::vector<std::uint8_t>{0x00, 0x01, 0x11}, reply),
                     StatusCodes::Success);
            QCOMPARE(connection.Close(), StatusCodes::Success);
        }
        const TsharkCheck::Report report = TsharkCheck::Check(file, {peer.Port()});
        QVERIFY2(report.problems.isEmpty(), qPrintable(report.ProblemText()));
        const QString frames = report.ncpFrames.join('\n');
        QVERIFY2(frames.contains("C Create Connection Service"), qPrintable(frames));
        QVERIFY2(frames.contains("C Negotiate Buffer Size"), qPrintable(frames));
        QVERIFY2(frames.contains("C Get File Server Information"), qPrintable(frames));
        QVERIFY2(frames.contains("C Destroy Connection Service"), qPrintable(frames));
    }

    // The checker itself finds what it is there to find.
    void checkerFindsFaults_data() {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("problem");
        QTest::addRow("unknown function")
            << "44 6D 64 54 00 00 00 1A 00 00 00 01 00 00 04 00 22 22 03 05 01 00 17 00 01 63"
            << "74 4E 63 50 00 00 00 10 33 33 03 05 01 00 00 00"
            << "Unknown Function";
        QTest::addRow("malformed reply") << ExampleExchanges[3].request << "74 4E 63 50 00 00 00 0A 33 33"
                                         << "Malformed";
        QTest::addRow("request unanswered") << ExampleExchanges[3].request << ""
                                            << "request never answered";
        QTest::addRow("truncated frame")
            << "44 6D 64 54 00 00 00 40 00 00 00 01 00 00 04 00 22 22 03 05 01 00 17 00 01 17"
            << ""
            << "not decoded as NCP";
    }
    void checkerFindsFaults() {
        QFETCH(QString, request);
        QFETCH(QString, reply);
        QFETCH(QString, problem);
        const QString file = directory_.filePath("fault.pcap");
        {
            PcapWriter writer;
            QVERIFY(writer.Open(file.toStdString()));
            const Endpoint client{0x7F000001, 40003};
            const Endpoint server{0x7F000001, 52401};
            writer.Record(client, server, FromHex(request.toStdString()));
            if (!reply.isEmpty())
                writer.Record(server, client, FromHex(reply.toStdString()));
        }
        const TsharkCheck::Report report = TsharkCheck::Check(file, {52401});
        QVERIFY2(report.ProblemText().contains(problem, Qt::CaseInsensitive),
                 qPrintable(report.ProblemText()));
    }

private:
    QTemporaryDir directory_;
};

QTEST_GUILESS_MAIN(CaptureTest)
#include "CaptureTest.moc"
