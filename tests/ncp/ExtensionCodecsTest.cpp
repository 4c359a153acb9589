#include "ncp/ExtensionCodecs.h"
#include "ncp/DirectoryCodecs.h"
#include "ncp/RequestBody.h"

#include "NcpTestBytes.h"

#include <QTest>

#include <string>

// The extension calls (36 lookups, 37 in its simple and fragmented forms, the shared split and reassembly)
// and the directory-services calls of function 104, at byte level and at their limits.
using namespace Ncp;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Filled(std::size_t count, std::uint8_t value = 0) {
    return Bytes(count, value);
}

RequestHeader Header() {
    return RequestHeader{PacketType::Request, 1, 5, 1, 0};
}

template <typename Value> Bytes Built(const Value& value) {
    ByteWriter out;
    bool built = false;
    if constexpr (requires { BuildRequestData(value, out); })
        built = BuildRequestData(value, out);
    else if constexpr (requires { BuildReplyData(value, out); })
        built = BuildReplyData(value, out);
    else
        built = BuildVerbData(value, out);
    return built ? out.Take() : Bytes{};
}

// For values that build to at least one byte.
template <typename Value> bool Builds(const Value& value) {
    return !Built(value).empty();
}

} // namespace

Q_DECLARE_METATYPE(std::function<bool(std::size_t)>)
Q_DECLARE_METATYPE(std::vector<int>)

class ExtensionCodecsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // 36/x replies: LE32 number, versions, name length, fixed 32-byte name, 32 bytes of query data.
    void extensionInfoReplyLayout() {
        const ExtensionInfoReply info{0x00012345, 1, 0, 0, "EXAMPLE", {}};
        const Bytes expected =
            Join({FromHex("45 23 01 00 01 00 00 07 45 58 41 4D 50 4C 45"), Filled(25 + 32)});
        QCOMPARE(Built(info), expected);
        ExtensionInfoReply back;
        QVERIFY(ParseReplyData(expected, back) && back == info);
        QVERIFY(!ParseReplyData(std::span(expected).first(ExtensionInfoReply::Size - 1), back));
        Bytes tooLong = expected;
        tooLong[7] = 33; // a name length the 32-byte field cannot hold
        QVERIFY(!ParseReplyData(tooLong, back));
        Bytes trailing = expected;
        trailing[15] = 'X'; // after the name's 7 bytes, inside the field: not part of the name
        QVERIFY(ParseReplyData(trailing, back));
        QCOMPARE(back.name, std::string("EXAMPLE"));
    }

    // The simple 37 reply's LE16 length counts the data only, not itself.
    void simpleReplyLength_data() {
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<bool>("parses");
        QTest::addRow("exact") << FromHex("04 00 0A 0B 0C 0D") << true;
        QTest::addRow("trailing byte") << FromHex("04 00 0A 0B 0C 0D EE") << true;
        QTest::addRow("length counting itself") << FromHex("06 00 0A 0B 0C 0D") << false;
        QTest::addRow("no length") << FromHex("04") << false;
    }
    void simpleReplyLength() {
        QFETCH(Bytes, data);
        QFETCH(bool, parses);
        ExecuteExtensionReply reply;
        QCOMPARE(ParseReplyData(data, reply), parses);
        if (parses)
            QCOMPARE(reply.data, FromHex("0A 0B 0C 0D"));
    }

    // The fragmented form at byte level: 0xFFFF for the length word, then little-endian fields.
    void fragmentedPacketsLayout() {
        ExtensionFragmentRequest first{0x00012345, 0, ExtensionFragmentRequest::Totals{4, 800}, {1, 2, 3, 4}};
        const Bytes firstPacket = FromHex(
            "22 22 01 05 01 00 25 FF FF 45 23 01 00 00 00 00 00 04 00 04 00 00 00 20 03 00 00 01 02 03 04");
        QCOMPARE(*EncodeRequest(Header(), first), firstPacket);
        ExtensionFragmentRequest back;
        QVERIFY(DecodeRequest(ParseRequestPacket(firstPacket), back) && back == first);
        ExecuteExtensionRequest notSimple;
        QVERIFY(!DecodeRequest(ParseRequestPacket(firstPacket), notSimple));

        const ExtensionFragmentRequest following{0x00012345, 7, std::nullopt, {5}};
        QCOMPARE(*EncodeRequest(Header(), following),
                 FromHex("22 22 01 05 01 00 25 FF FF 45 23 01 00 07 00 00 00 01 00 05"));
        QCOMPARE(Built(ExtensionFragmentReply{7, 800, {0xAA, 0xBB}}),
                 FromHex("07 00 00 00 02 00 20 03 00 00 AA BB"));
        QCOMPARE(Built(ExtensionContinuationReply{7, {0xCC}}), FromHex("07 00 00 00 01 00 CC"));
    }

    // Totals go with the first fragment (handle 0) and with no other.
    void totalsOnlyOnTheFirstFragment() {
        QVERIFY(!Builds(ExtensionFragmentRequest{1, 0, std::nullopt, {}}));
        QVERIFY(!Builds(ExtensionFragmentRequest{1, 7, ExtensionFragmentRequest::Totals{1, 1}, {}}));
    }

    void fragmentDataLimits_data() {
        QTest::addColumn<std::function<bool(std::size_t)>>("builds");
        QTest::addColumn<int>("largest");
        QTest::addRow("first request fragment") << std::function([](std::size_t n) {
            return Builds(ExtensionFragmentRequest{1, 0, ExtensionFragmentRequest::Totals{0, 0}, Filled(n)});
        }) << 511;
        QTest::addRow("following request fragment") << std::function([](std::size_t n) {
            return Builds(ExtensionFragmentRequest{1, 7, std::nullopt, Filled(n)});
        }) << 519;
        QTest::addRow("reply to a request fragment") << std::function([](std::size_t n) {
            return Builds(ExtensionFragmentReply{7, 0, Filled(n)});
        }) << 524;
        QTest::addRow("further reply fragment") << std::function([](std::size_t n) {
            return Builds(ExtensionContinuationReply{7, Filled(n)});
        }) << 524;
        QTest::addRow("simple request") << std::function([](std::size_t n) {
            return Builds(ExecuteExtensionRequest{1, 0, Filled(n)});
        }) << 0xFFFE - 6;
    }
    void fragmentDataLimits() {
        QFETCH(std::function<bool(std::size_t)>, builds);
        QFETCH(int, largest);
        QVERIFY(builds(static_cast<std::size_t>(largest)));
        QVERIFY(!builds(static_cast<std::size_t>(largest) + 1));
    }

    // A peer announcing more than a fragment may carry is refused, even when the bytes are there.
    void oversizedFragmentsAreRefused_data() {
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<bool>("request");
        QTest::addRow("first request 512")
            << Join({FromHex("01 00 00 00 00 00 00 00 00 02 00 02 00 00 00 00 00 00"), Filled(512)}) << true;
        QTest::addRow("following request 520")
            << Join({FromHex("01 00 00 00 07 00 00 00 08 02"), Filled(520)}) << true;
        QTest::addRow("reply 525") << Join({FromHex("07 00 00 00 0D 02 00 00 00 00"), Filled(525)}) << false;
    }
    void oversizedFragmentsAreRefused() {
        QFETCH(Bytes, data);
        QFETCH(bool, request);
        ExtensionFragmentRequest fragment;
        ExtensionFragmentReply reply;
        QVERIFY(request ? !ParseRequestData(data, fragment) : !ParseReplyData(data, reply));
    }

    void splitRequest_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<std::vector<int>>("pieces");
        QTest::addRow("empty") << 0 << std::vector<int>{0};
        QTest::addRow("511") << 511 << std::vector<int>{511};
        QTest::addRow("512") << 512 << std::vector<int>{511, 1};
        QTest::addRow("511 + 519") << 1030 << std::vector<int>{511, 519};
        QTest::addRow("511 + 519 + 1") << 1031 << std::vector<int>{511, 519, 1};
    }
    void splitRequest() {
        QFETCH(int, size);
        QFETCH(std::vector<int>, pieces);
        Bytes request(static_cast<std::size_t>(size));
        for (std::size_t i = 0; i < request.size(); ++i)
            request[i] = static_cast<std::uint8_t>(i * 7);
        const auto fragments = SplitExtensionRequest(0x12345, request, 800);
        QVERIFY(fragments.has_value());
        QCOMPARE(static_cast<int>(fragments->size()), static_cast<int>(pieces.size()));
        QVERIFY((fragments->front().totals ==
                 ExtensionFragmentRequest::Totals{static_cast<std::uint32_t>(size), 800}));

        // The server's side: each fragment as a packet, parsed and reassembled into the request.
        FragmentAssembler assembler;
        std::uint32_t handle = 0;
        for (std::size_t i = 0; i < fragments->size(); ++i) {
            ExtensionFragmentRequest fragment = (*fragments)[i];
            QCOMPARE(static_cast<int>(fragment.data.size()), pieces[i]);
            fragment.fragmentHandle = handle;
            const std::optional<Bytes> packet = EncodeRequest(Header(), fragment);
            QVERIFY(packet.has_value());
            ExtensionFragmentRequest received;
            QVERIFY(DecodeRequest(ParseRequestPacket(*packet), received));
            if (received.totals)
                QVERIFY(assembler.Start(received.totals->requestLength));
            QVERIFY(assembler.Add(received.data));
            handle = 7;
        }
        QVERIFY(assembler.Complete());
        QCOMPARE(assembler.Take(), request);
    }

    void splitRefusesMessagesOverTheMaximum() {
        QVERIFY(!SplitExtensionRequest(1, Filled(MaxExtensionMessageSize + 1), 0).has_value());
        QVERIFY(SplitExtensionRequest(1, Filled(MaxExtensionMessageSize), 0).has_value());
    }

    void assemblerRefusesWhatWasNotAnnounced() {
        FragmentAssembler assembler;
        QVERIFY(!assembler.Add(Filled(1)));
        QVERIFY(!assembler.Start(1001, 1000));
        QVERIFY(assembler.Start(1000, 1000));
        QVERIFY(assembler.Add(Filled(999)));
        QVERIFY(!assembler.Add(Filled(2)));
        QCOMPARE(assembler.Missing(), std::size_t{1});
        QVERIFY(!assembler.Complete());
        QVERIFY(assembler.Add(Filled(1)));
        QVERIFY(assembler.Complete());
    }

    // 104/01: LE32 version 9, LE32 length, the '_'-padded name and its NUL, 12 bytes of depth, revision,
    // flags.
    void pingReplyLayout() {
        const Bytes expected =
            Join({FromHex("09 00 00 00 21 00 00 00 41 43 4D 45"), Filled(28, '_'), Filled(1), Filled(12)});
        QCOMPARE(Built(PingDirectoryServicesReply{9, "ACME"}), expected);
        PingDirectoryServicesReply back;
        QVERIFY(ParseReplyData(expected, back));
        QCOMPARE(back.treeName, std::string("ACME"));
        QVERIFY(!ParseReplyData(std::span(expected).first(40), back));
    }

    // 104/04: built as LE32 length + UTF-16LE; read from that or from an nstring8.
    void binderyContext_data() {
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<QString>("context");
        QTest::addRow("unicode") << FromHex("0A 00 00 00 4F 00 55 00 3D 00 41 00 00 00") << "OU=A";
        QTest::addRow("nstring8") << FromHex("04 4F 55 3D 41") << "OU=A";
        QTest::addRow("empty unicode") << FromHex("00 00 00 00") << "";
        QTest::addRow("beyond 8 bits") << FromHex("04 00 00 00 3A 26 00 00") << "?";
        QTest::addRow("truncated") << FromHex("05 4F 55") << QString();
    }
    void binderyContext() {
        QFETCH(Bytes, data);
        QFETCH(QString, context);
        BinderyContextReply reply;
        QCOMPARE(ParseReplyData(data, reply), !context.isNull());
        if (context.isNull())
            return;
        QCOMPARE(QString::fromStdString(reply.context), context);
        if (data.size() > 4 && data[1] == 0 && context != "?")
            QCOMPARE(Built(reply), data);
    }

    // 104/02 verb 2 for entry 0x01000010: the fragment header, the reply buffer size, then the verb data.
    void readEntryNameLayout() {
        const DirectoryServicesRequest request{
            NoFragmentHandle,
            4096,
            0,
            VerbReadEntryInfo,
            4096,
            Built(ReadEntryNameRequest{2, 0, EntryInfoDistinguishedName, 0x01000010})};
        const Bytes packet =
            FromHex("22 22 01 05 01 00 68 02 FF FF FF FF 00 10 00 00 1C 00 00 00 00 00 00 00 02 00 00 00 "
                    "00 10 00 00 02 00 00 00 00 00 00 00 00 20 00 00 10 00 00 01");
        QCOMPARE(*EncodeRequest(Header(), request), packet);
        DirectoryServicesRequest back;
        ReadEntryNameRequest verb;
        QVERIFY(DecodeRequest(ParseRequestPacket(packet), back) && back == request);
        QVERIFY(ParseVerbData(back.verbData, verb));
        QCOMPARE(verb.entryId, 0x01000010u);

        const Bytes name = FromHex("0A 00 00 00 43 00 4E 00 3D 00 41 00 00 00 00 00");
        const DirectoryServicesReply reply{NoFragmentHandle, 0, Built(ReadEntryNameReply{"CN=A"})};
        QCOMPARE(Built(reply), Join({FromHex("18 00 00 00 FF FF FF FF 00 00 00 00"), name}));
        ReadEntryNameReply entry;
        QVERIFY(ParseVerbData(name, entry));
        QCOMPARE(entry.distinguishedName, std::string("CN=A"));
    }

    // Verb 53: the name, padding to 4 bytes, then a referral count of 0.
    void serverAddressLayout() {
        const Bytes verbData = FromHex("0A 00 00 00 43 00 4E 00 3D 00 53 00 00 00 00 00 00 00 00 00");
        QCOMPARE(Built(ServerAddressReply{"CN=S"}), verbData);
        ServerAddressReply back;
        QVERIFY(ParseVerbData(verbData, back));
        QCOMPARE(back.serverName, std::string("CN=S"));
        QVERIFY(!ParseVerbData(std::span(verbData).first(16), back));
    }

    // Only whole single-fragment messages are taken, with sizes that match the bytes.
    void directoryFramingIsChecked_data() {
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<bool>("reply");
        QTest::addColumn<bool>("accepted");
        const Bytes header =
            FromHex("FF FF FF FF 00 10 00 00 0C 00 00 00 00 00 00 00 35 00 00 00 00 10 00 00");
        QTest::addRow("request whole") << header << false << true;
        QTest::addRow("continuation fragment")
            << Join({FromHex("07 00 00 00"), Bytes(header.begin() + 4, header.end())}) << false << false;
        QTest::addRow("message size one more") << Join({header, FromHex("00")}) << false << false;
        QTest::addRow("message size one less") << Bytes(header.begin(), header.end() - 1) << false << false;
        QTest::addRow("reply whole") << FromHex("08 00 00 00 FF FF FF FF 00 00 00 00") << true << true;
        QTest::addRow("reply size beyond the bytes")
            << FromHex("09 00 00 00 FF FF FF FF 00 00 00 00") << true << false;
        QTest::addRow("reply size below its header")
            << FromHex("07 00 00 00 FF FF FF FF 00 00 00 00") << true << false;
    }
    void directoryFramingIsChecked() {
        QFETCH(Bytes, data);
        QFETCH(bool, reply);
        QFETCH(bool, accepted);
        DirectoryServicesRequest parsedRequest;
        DirectoryServicesReply parsedReply;
        QCOMPARE(reply ? ParseReplyData(data, parsedReply) : ParseRequestData(data, parsedRequest), accepted);
    }
};

QTEST_APPLESS_MAIN(ExtensionCodecsTest)
#include "ExtensionCodecsTest.moc"
