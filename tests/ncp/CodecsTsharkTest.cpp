#include "ncp/BinderyCodecs.h"
#include "ncp/DirectoryCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/FileCodecs.h"
#include "ncp/PcapWriter.h"
#include "ncp/RequestBody.h"
#include "ncp/TcpFrame.h"
#include "tests/support/TsharkCheck.h"

#include <QTemporaryDir>
#include <QTest>

// The calls beyond the worked examples, as the codecs build them, decoded by Wireshark's tshark: each must
// be named, paired with its reply and free of malformed fields.
using namespace Ncp;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint16_t ServerPort = 52410;

struct Exchange {
    const char* wiresharkName = "";
    Bytes request;
    Bytes reply;
};

template <typename Request, typename Reply>
Exchange Make(const char* wiresharkName, std::uint8_t sequence, const Request& request, const Reply& reply) {
    const RequestHeader header{PacketType::Request, sequence, 5, 1, 0};
    const ReplyHeader replyHeader{PacketType::Reply, sequence, 5, 1, 0, 0};
    return {wiresharkName, EncodeRequest(header, request).value_or(Bytes{}),
            EncodeReply(replyHeader, reply).value_or(Bytes{})};
}

template <typename Verb> Bytes VerbData(const Verb& verb) {
    ByteWriter out;
    return BuildVerbData(verb, out) ? out.Take() : Bytes{};
}

std::vector<Exchange> Exchanges() {
    const HandlePath path = *HandlePathFromText("SYS:SYSTEM\\EXAMPLE.NLM");
    const BinderyObjectReply admin{0x01000010, ObjectTypeUser, "ADMIN"};
    const StationLoggedInfoReply logged{0x01000010, ObjectTypeUser, "ADMIN",
                                        LoginTime{2024, 5, 17, 13, 45, 30, 5}};
    const ExtensionInfoReply extension{0x12345, 1, 0, 0, "QVEXT", {}};
    return {
        Make("Get Station's Logged Info", 1, GetStationLoggedInfoRequest{5}, logged),
        Make("Get Bindery Object Name", 3, GetBinderyObjectNameRequest{0x01000010}, admin),
        Make("Ping for NDS", 4, PingDirectoryServicesRequest{}, PingDirectoryServicesReply{9, "ACME_TREE"}),
        Make("Return Bindery Context", 5, BinderyContextRequest{}, BinderyContextReply{"OU=SALES.O=ACME"}),
        Make("NDS Read Entry Information", 6,
             DirectoryServicesRequest{
                 NoFragmentHandle, 4096, 0, VerbReadEntryInfo, 4096,
                 VerbData(ReadEntryNameRequest{2, 0, EntryInfoDistinguishedName, 0x01000010})},
             DirectoryServicesReply{NoFragmentHandle, 0, VerbData(ReadEntryNameReply{"CN=ADMIN.O=ACME"})}),
        Make("NDS Get Server Address", 7,
             DirectoryServicesRequest{NoFragmentHandle, 4096, 0, VerbGetServerAddress, 4096, {}},
             DirectoryServicesReply{NoFragmentHandle, 0, VerbData(ServerAddressReply{"CN=ATLAS.O=ACME"})}),
        Make("Get NCP Extension Information", 8, ScanExtensionsRequest{}, extension),
        Make("Execute NCP Extension", 10,
             ExtensionFragmentRequest{0x12345, 0, ExtensionFragmentRequest::Totals{600, 800},
                                      Bytes(511, 0x41)},
             ExtensionFragmentReply{7, 0, {}}),
        Make("Execute NCP Extension", 11, ExtensionFragmentRequest{0x12345, 7, std::nullopt, Bytes(89, 0x41)},
             ExtensionFragmentReply{7, 800, Bytes(524, 0x42)}),
        Make("Execute NCP Extension", 12, ExtensionFragmentRequest{0x12345, 7, std::nullopt, {}},
             ExtensionContinuationReply{7, Bytes(276, 0x43)}),
        Make("Read From File", 13, ReadFileRequest{0x1234, 1, 3}, ReadFileReply{true, {2, 3, 4}}),
        Make("Rename or Move", 14,
             RenameOrMoveRequest{0, 0, SearchAllFiles, path, *HandlePathFromText("SYS:SYSTEM\\EXAMPLE.OLD")},
             EmptyReply{}),
        Make("Delete a File or Subdirectory", 15, DeleteFileRequest{0, SearchAllFiles, path}, EmptyReply{}),
    };
}

} // namespace

class CodecsTsharkTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (!TsharkCheck::Available())
            QSKIP("tshark is not installed (scripts/install-deps.sh installs it)");
        QVERIFY(directory_.isValid());
        const QString file = directory_.filePath("codecs.pcap");
        {
            PcapWriter writer;
            QVERIFY(writer.Open(file.toStdString()));
            const Endpoint client{0x7F000001, 40010};
            const Endpoint server{0x7F000001, ServerPort};
            for (const Exchange& exchange : Exchanges()) {
                QVERIFY2(!exchange.request.empty() && !exchange.reply.empty(), exchange.wiresharkName);
                writer.Record(client, server, EncodeRequestFrame(exchange.request, 4096));
                writer.Record(server, client, EncodeReplyFrame(exchange.reply));
            }
            writer.Close(client, server);
        }
        report_ = TsharkCheck::Check(file, {ServerPort});
    }

    void capturedCallsDecodeWithoutProblems() {
        QVERIFY2(report_.problems.isEmpty(), qPrintable(report_.ProblemText()));
    }

    void eachCallIsNamedAndAnswered() {
        const auto exchanges = Exchanges();
        QCOMPARE(report_.ncpFrames.size(), 2 * static_cast<qsizetype>(exchanges.size()));
        for (std::size_t i = 0; i < exchanges.size(); ++i) {
            const QString request = report_.ncpFrames[static_cast<qsizetype>(2 * i)];
            const QString reply = report_.ncpFrames[static_cast<qsizetype>(2 * i + 1)];
            QVERIFY2(request.contains(QStringLiteral(": C %1").arg(exchanges[i].wiresharkName)),
                     qPrintable(request));
            QVERIFY2(reply.contains(QStringLiteral(": R OK"), Qt::CaseInsensitive), qPrintable(reply));
        }
    }

private:
    QTemporaryDir directory_;
    TsharkCheck::Report report_;
};

QTEST_MAIN(CodecsTsharkTest)
#include "CodecsTsharkTest.moc"
