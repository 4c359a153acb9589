#include "ncp/BinderyCodecs.h"
#include "ncp/CompletionCodes.h"
#include "ncp/ConnectionCodecs.h"
#include "ncp/DirectoryCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/FileCodecs.h"
#include "ncp/NlmCodecs.h"
#include "ncp/RequestBody.h"

#include "NcpTestBytes.h"

#include <QTest>

#include <functional>
#include <string>

// The codecs against the worked example frames E1-E15 (the NCP packets after the TCP frame header), the
// packet layer's length-word checks, and the limits of names, paths and replies.
using namespace Ncp;
using Bytes = std::vector<std::uint8_t>;

namespace {

RequestHeader Header(std::uint8_t sequence) {
    return RequestHeader{PacketType::Request, sequence, 5, 1, 0};
}
ReplyHeader ReplyTo(std::uint8_t sequence) {
    return ReplyHeader{PacketType::Reply, sequence, 5, 1, 0, 0};
}

const HandlePath ExampleNlmPath{0, 0, HandleFlagNone, {"SYS", "SYSTEM", "EXAMPLE.NLM"}};

// One example request: how to build it from its typed form, and whether a parsed packet decodes back to it.
struct RequestCase {
    const char* name = "";
    Bytes packet;
    std::function<std::optional<Bytes>()> build;
    std::function<bool(const ParsedRequest&)> decodesBack;
};

template <typename Request>
RequestCase Case(const char* name, Bytes packet, std::uint8_t sequence, Request request) {
    return {name, std::move(packet), [=] { return EncodeRequest(Header(sequence), request); },
            [=](const ParsedRequest& parsed) {
                Request decoded;
                return parsed.header.sequence == sequence && DecodeRequest(parsed, decoded) &&
                       decoded == request;
            }};
}

RequestCase ConnectionCase(const char* name, Bytes packet, RequestHeader header) {
    return {name, std::move(packet), [=] { return BuildRequestPacket(header, RequestBody{}); },
            [=](const ParsedRequest& parsed) {
                return parsed.header.type == header.type && parsed.header.connection == header.connection &&
                       parsed.body.data.empty();
            }};
}

std::vector<RequestCase> ExampleRequests() {
    ModifyDosInformationRequest modify;
    modify.modifyMask = ModifyModifyDate | ModifyModifyTime;
    modify.modification = DosDateTime{0x58B1, 0x6DAF};
    modify.path = ExampleNlmPath;
    OpenCreateFileRequest create;
    create.openCreateMode = OpenModeOpen | OpenModeReplace | OpenModeCreate;
    create.createAttributes = AttributeArchive;
    create.desiredAccessRights = AccessRead | AccessWrite;
    create.path = ExampleNlmPath;
    return {
        ConnectionCase("E1 create connection", FromHex("11 11 00 FF 01 FF 00"), CreateConnectionHeader(0, 1)),
        Case("E2 97 big packet size", FromHex("22 22 01 05 01 00 61 04 00 00"), 1,
             BigPacketMaxSizeRequest{1024, 0}),
        Case("E3 23/17 server information", FromHex("22 22 02 05 01 00 17 00 01 11"), 2,
             GetFileServerInformationRequest{}),
        Case("E4 23/23 login key", FromHex("22 22 03 05 01 00 17 00 01 17"), 3, GetLoginKeyRequest{}),
        Case("E5 23/53 object ID",
             FromHex("22 22 04 05 01 00 17 00 0E 35 00 01 0A 53 55 50 45 52 56 49 53 4F 52"), 4,
             GetBinderyObjectIdRequest{ObjectTypeUser, "SUPERVISOR"}),
        Case("E6 23/24 keyed login",
             FromHex("22 22 05 05 01 00 17 00 16 18 97 78 D5 36 73 1D 29 74 00 01 0A 53 55 50 45 52 56 49 53 "
                     "4F 52"),
             5,
             KeyedObjectLoginRequest{
                 {0x97, 0x78, 0xD5, 0x36, 0x73, 0x1D, 0x29, 0x74}, ObjectTypeUser, "SUPERVISOR"}),
        Case("E7 36/02 extension by name", FromHex("22 22 06 05 01 00 24 00 09 02 07 45 58 41 4D 50 4C 45"),
             6, ExtensionInfoByNameRequest{"EXAMPLE"}),
        Case("E8 37 execute extension", FromHex("22 22 07 05 01 00 25 00 0A 45 23 01 00 00 02 01 02 03 04"),
             7, ExecuteExtensionRequest{0x00012345, 512, {1, 2, 3, 4}}),
        Case("E9 131/01 load NLM",
             FromHex("22 22 08 05 01 00 83 00 2C 01 00*20 53 59 53 3A 53 59 53 54 45 4D 5C 45 58 41 4D 50 4C "
                     "45 2E 4E 4C 4D 00"),
             8, LoadNlmRequest{0, "SYS:SYSTEM\\EXAMPLE.NLM"}),
        Case("E10 87/01 create",
             FromHex("22 22 09 05 01 00 57 01 00 0B 06 80 00 00 00 00 20 00 00 00 03 00 00 00 00 00 00 FF 03 "
                     "03 53 59 53 06 53 59 53 54 45 4D 0B 45 58 41 4D 50 4C 45 2E 4E 4C 4D"),
             9, create),
        Case("E11 73 write",
             FromHex("22 22 0A 05 01 00 49 00 35 12 34 12 00 00 00 00 00 00 00 04 01 02 03 04"), 10,
             WriteFileRequest{0x1234, 0, {1, 2, 3, 4}}),
        Case("E12 66 close", FromHex("22 22 0B 05 01 00 42 00 35 12 34 12 00 00"), 11,
             CloseFileRequest{0x1234}),
        Case("E13 87/07 modify DOS information",
             FromHex("22 22 0C 05 01 00 57 07 00 00 06 80 00 03 00 00 00*12 B1 58 AF 6D 00*27 FF 03 03 53 59 "
                     "53 06 53 59 53 54 45 4D 0B 45 58 41 4D 50 4C 45 2E 4E 4C 4D"),
             12, modify),
        Case("E14 25 logout", FromHex("22 22 0D 05 01 00 19"), 13, LogoutRequest{}),
        ConnectionCase("E15 destroy connection", FromHex("55 55 0E 05 01 00 00"),
                       DestroyConnectionHeader(5, 14, 1)),
    };
}

// One example reply: its typed form builds the bytes, and the bytes parse back to it.
struct ReplyCase {
    const char* name = "";
    Bytes data;
    std::function<std::optional<Bytes>()> build;
    std::function<bool(std::span<const std::uint8_t>)> parsesBack;
};

template <typename Reply> ReplyCase Answer(const char* name, Bytes data, Reply reply) {
    return {name, std::move(data), [=] { return EncodeReply(ReplyTo(1), reply); },
            [=](std::span<const std::uint8_t> bytes) {
                Reply parsed;
                return ParseReplyData(bytes, parsed) && parsed == reply;
            }};
}

FileServerInformationReply ExampleServerInformation() {
    FileServerInformationReply info;
    info.serverName = "EXAMPLE";
    info.osMajorVersion = 4;
    info.osMinorVersion = 11;
    info.maxConnections = 250;
    info.connectionsInUse = 5;
    info.maxVolumes = 64;
    info.sftLevel = 2;
    info.ttsLevel = 1;
    info.peakConnectionsUsed = 5;
    info.accountingVersion = 1;
    info.queueingVersion = 1;
    info.virtualConsoleVersion = 1;
    info.productMajorVersion = 4;
    info.productMinorVersion = 11;
    info.osLanguageId = 4;
    return info;
}

std::vector<ReplyCase> ExampleReplies() {
    return {
        Answer("E2 97 accepted size", FromHex("04 00 00 00 00"), BigPacketMaxSizeReply{1024, 0, 0}),
        Answer("E3 23/17 all 128 bytes",
               FromHex("45 58 41 4D 50 4C 45 00*41 04 0B 00 FA 00 05 00 40 00 02 01 00 05 01 00 01 00 01 00 "
                       "00 00 00 00 04 00 0B 00  00 04 00 00*50"),
               ExampleServerInformation()),
        Answer("E4 23/23 login key", FromHex("3F B1 7E 62 FC 11 F8 6F"),
               GetLoginKeyReply{{0x3F, 0xB1, 0x7E, 0x62, 0xFC, 0x11, 0xF8, 0x6F}}),
        Answer("E5 23/53 object", FromHex("05 00 00 26 00 01 53 55 50 45 52 56 49 53 4F 52 00*38"),
               BinderyObjectReply{0x05000026, ObjectTypeUser, "SUPERVISOR"}),
        Answer("E9 131 RPC code", FromHex("00 00 00 00"), NlmRpcReply{0}),
        Answer("E10 87/01 handle", FromHex("34 12 00 00 02 00"),
               OpenCreateFileReply{0x1234, ActionCreated, {}}),
        Answer("23/28 logged info", FromHex("01 00 00 10 00 01 41 44 4D 49 4E 00*43 7C 05 11 0D 2D 1E 05 00"),
               StationLoggedInfoReply{0x01000010, ObjectTypeUser, "ADMIN",
                                      LoginTime{2024, 5, 17, 13, 45, 30, 5}}),
    };
}

} // namespace

Q_DECLARE_METATYPE(Ncp::RequestParseStatus)
Q_DECLARE_METATYPE(Ncp::CivilTime)
Q_DECLARE_METATYPE(std::function<bool(std::size_t)>)

class NcpCodecsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exampleRequestBuildsExactBytes_data() {
        QTest::addColumn<int>("index");
        const auto cases = ExampleRequests();
        for (std::size_t i = 0; i < cases.size(); ++i)
            QTest::addRow("%s", cases[i].name) << static_cast<int>(i);
    }
    void exampleRequestBuildsExactBytes() {
        QFETCH(int, index);
        const RequestCase example = ExampleRequests()[static_cast<std::size_t>(index)];
        const std::optional<Bytes> built = example.build();
        QVERIFY(built.has_value());
        QCOMPARE(*built, example.packet);
    }

    void exampleRequestParsesToItsFields_data() { exampleRequestBuildsExactBytes_data(); }
    void exampleRequestParsesToItsFields() {
        QFETCH(int, index);
        const RequestCase example = ExampleRequests()[static_cast<std::size_t>(index)];
        const ParsedRequest parsed = ParseRequestPacket(example.packet);
        QCOMPARE(parsed.status, RequestParseStatus::Ok);
        QVERIFY(example.decodesBack(parsed));
    }

    void exampleReplyRoundTrips_data() {
        QTest::addColumn<int>("index");
        const auto cases = ExampleReplies();
        for (std::size_t i = 0; i < cases.size(); ++i)
            QTest::addRow("%s", cases[i].name) << static_cast<int>(i);
    }
    void exampleReplyRoundTrips() {
        QFETCH(int, index);
        const ReplyCase example = ExampleReplies()[static_cast<std::size_t>(index)];
        const std::optional<Bytes> built = example.build();
        QVERIFY(built.has_value());
        QCOMPARE(Bytes(built->begin() + ReplyHeader::Size, built->end()), example.data);
        QVERIFY(example.parsesBack(example.data));
    }

    void truncatedReplyIsRefused_data() { exampleReplyRoundTrips_data(); }
    void truncatedReplyIsRefused() {
        QFETCH(int, index);
        const ReplyCase example = ExampleReplies()[static_cast<std::size_t>(index)];
        QVERIFY(!example.parsesBack(std::span(example.data).first(example.data.size() - 1)));
    }

    // Except for 87/01, whose trailing bytes are the information its return mask asked for.
    void replyWithTrailingBytesIsAccepted_data() {
        QTest::addColumn<int>("index");
        const auto cases = ExampleReplies();
        for (std::size_t i = 0; i < cases.size(); ++i)
            if (std::string_view(cases[i].name).find("87/01") == std::string_view::npos)
                QTest::addRow("%s", cases[i].name) << static_cast<int>(i);
    }
    void replyWithTrailingBytesIsAccepted() {
        QFETCH(int, index);
        const ReplyCase example = ExampleReplies()[static_cast<std::size_t>(index)];
        QVERIFY(example.parsesBack(Join({example.data, FromHex("EE")})));
    }

    // The length word of 23, 36, 131 and simple-form 37 must count exactly the bytes that follow it.
    void lengthWordIsChecked_data() {
        QTest::addColumn<Bytes>("packet");
        QTest::addColumn<RequestParseStatus>("status");
        const Bytes objectId =
            FromHex("22 22 04 05 01 00 17 00 0E 35 00 01 0A 53 55 50 45 52 56 49 53 4F 52");
        const Bytes extension = FromHex("22 22 07 05 01 00 25 00 0A 45 23 01 00 00 02 01 02 03 04");
        QTest::addRow("23 exact") << objectId << RequestParseStatus::Ok;
        QTest::addRow("23 one byte more") << Join({objectId, FromHex("00")}) << RequestParseStatus::BadLength;
        QTest::addRow("23 one byte less")
            << Bytes(objectId.begin(), objectId.end() - 1) << RequestParseStatus::BadLength;
        QTest::addRow("37 one byte more")
            << Join({extension, FromHex("00")}) << RequestParseStatus::BadLength;
        QTest::addRow("37 one byte less")
            << Bytes(extension.begin(), extension.end() - 1) << RequestParseStatus::BadLength;
        QTest::addRow("37 fragmented marker")
            << FromHex("22 22 07 05 01 00 25 FF FF 01 02") << RequestParseStatus::Ok;
        QTest::addRow("36 word of zero")
            << FromHex("22 22 06 05 01 00 24 00 00") << RequestParseStatus::Truncated;
        QTest::addRow("131 cut in the word")
            << FromHex("22 22 08 05 01 00 83 00") << RequestParseStatus::Truncated;
        QTest::addRow("87 without subfunction")
            << FromHex("22 22 09 05 01 00 57") << RequestParseStatus::Truncated;
        QTest::addRow("header cut") << FromHex("22 22 09 05 01") << RequestParseStatus::Truncated;
        QTest::addRow("create without body") << FromHex("11 11 00 FF 01 FF") << RequestParseStatus::Ok;
    }
    void lengthWordIsChecked() {
        QFETCH(Bytes, packet);
        QFETCH(RequestParseStatus, status);
        QCOMPARE(ParseRequestPacket(packet).status, status);
    }

    // Fixed request layouts take no extra byte: it is as wrong as a missing one.
    void requestWithTrailingByteIsRefused_data() {
        QTest::addColumn<Bytes>("packet");
        QTest::addRow("33") << FromHex("22 22 01 05 01 00 21 10 00 00");
        QTest::addRow("23/54") << FromHex("22 22 01 05 01 00 17 00 06 36 01 00 00 10 00");
        QTest::addRow("66") << FromHex("22 22 01 05 01 00 42 00 35 12 34 12 00 00 00");
        QTest::addRow("73 data beyond its count")
            << FromHex("22 22 01 05 01 00 49 00 35 12 34 12 00 00 00 00 00 00 00 01 "
                       "AA BB");
        QTest::addRow("87/08 after the path")
            << FromHex("22 22 01 05 01 00 57 08 00 00 06 80 00 00 00 00 00 FF 01 03 "
                       "53 59 53 00");
        QTest::addRow("131/02 after the NUL") << FromHex("22 22 01 05 01 00 83 00 18 02 00*20 41 00 42");
    }
    void requestWithTrailingByteIsRefused() {
        QFETCH(Bytes, packet);
        const ParsedRequest parsed = ParseRequestPacket(packet);
        QCOMPARE(parsed.status, RequestParseStatus::Ok);
        NegotiateBufferSizeRequest negotiate;
        GetBinderyObjectNameRequest name;
        CloseFileRequest close;
        WriteFileRequest write;
        DeleteFileRequest remove;
        UnloadNlmRequest unload;
        QVERIFY(!DecodeRequest(parsed, negotiate) && !DecodeRequest(parsed, name) &&
                !DecodeRequest(parsed, close) && !DecodeRequest(parsed, write) &&
                !DecodeRequest(parsed, remove) && !DecodeRequest(parsed, unload));
    }

    // Names are refused when they do not fit their field, never cut.
    void nameLimits_data() {
        QTest::addColumn<std::function<bool(std::size_t)>>("builds");
        QTest::addColumn<int>("longest");
        const auto build = [](const auto& value) {
            ByteWriter out;
            if constexpr (requires { BuildRequestData(value, out); })
                return BuildRequestData(value, out);
            else
                return BuildReplyData(value, out);
        };
        const auto text = [](std::size_t length) { return std::string(length, 'N'); };
        QTest::addRow("23/53 object name") << std::function([=](std::size_t n) {
            return build(GetBinderyObjectIdRequest{ObjectTypeUser, text(n)});
        }) << 47;
        QTest::addRow("23/24 object name") << std::function([=](std::size_t n) {
            return build(KeyedObjectLoginRequest{{}, ObjectTypeUser, text(n)});
        }) << 47;
        QTest::addRow("23/54 reply name") << std::function([=](std::size_t n) {
            return build(BinderyObjectReply{1, ObjectTypeUser, text(n)});
        }) << 47;
        QTest::addRow("36/02 extension name")
            << std::function([=](std::size_t n) { return build(ExtensionInfoByNameRequest{text(n)}); }) << 32;
        QTest::addRow("131/01 command with its NUL") << std::function([=](std::size_t n) {
            return build(LoadNlmRequest{0, text(n)});
        }) << 481;
        QTest::addRow("87/08 path component") << std::function([=](std::size_t n) {
            return build(
                DeleteFileRequest{0, SearchAllFiles, HandlePath{0, 0, HandleFlagNone, {"SYS", text(n)}}});
        }) << 255;
        QTest::addRow("87/04 component count") << std::function([=](std::size_t n) {
            const HandlePath path{0, 0, HandleFlagNone, std::vector<std::string>(n, "D")};
            return build(RenameOrMoveRequest{0, 0, SearchAllFiles, ExampleNlmPath, path});
        }) << 255;
        QTest::addRow("104/01 tree name") << std::function([=](std::size_t n) {
            return build(PingDirectoryServicesReply{9, text(n)});
        }) << 32;
    }
    void nameLimits() {
        QFETCH(std::function<bool(std::size_t)>, builds);
        QFETCH(int, longest);
        QVERIFY(builds(static_cast<std::size_t>(longest)));
        QVERIFY(!builds(static_cast<std::size_t>(longest) + 1));
    }

    // The longest names survive a whole round trip through a packet.
    void longestNamesRoundTrip() {
        const HandlePath deepest{0, 0, HandleFlagNone, std::vector<std::string>(255, std::string(255, 'D'))};
        const DeleteFileRequest remove{0, SearchAllFiles, deepest};
        const GetBinderyObjectIdRequest object{ObjectTypeUser, std::string(47, 'O')};
        DeleteFileRequest removeBack;
        GetBinderyObjectIdRequest objectBack;
        QVERIFY(DecodeRequest(ParseRequestPacket(*EncodeRequest(Header(1), remove)), removeBack));
        QVERIFY(DecodeRequest(ParseRequestPacket(*EncodeRequest(Header(2), object)), objectBack));
        QCOMPARE(removeBack.path.components.size(), std::size_t{255});
        QVERIFY(removeBack == remove && objectBack == object);
    }

    // 87/04: both fixed parts first, then the source components, then the destination components.
    void renameLaysOutBothPaths() {
        const RenameOrMoveRequest rename{0, 0, SearchAllFiles, HandlePath{0, 0, HandleFlagNone, {"SYS", "A"}},
                                         HandlePath{1, 0x20, HandleFlagDirectoryBase, {"B"}}};
        const Bytes expected =
            FromHex("22 22 01 05 01 00 57 04 00 00 06 80 00 00 00 00 00 FF 02 01 20 00 00 00 "
                    "01 01 03 53 59 53 01 41 01 42");
        QCOMPARE(*EncodeRequest(Header(1), rename), expected);
        RenameOrMoveRequest back;
        QVERIFY(DecodeRequest(ParseRequestPacket(expected), back) && back == rename);
    }

    void deleteLaysOutItsPath() {
        const DeleteFileRequest remove{0, SearchAllFiles, HandlePath{0, 0, HandleFlagNone, {"SYS", "X"}}};
        QCOMPARE(*EncodeRequest(Header(1), remove),
                 FromHex("22 22 01 05 01 00 57 08 00 00 06 80 00 00 00 00 00 FF 02 03 53 "
                         "59 53 01 58"));
    }

    // 72: one pad byte precedes the data when the read started at an odd offset.
    void readReplyPadsOddOffsets_data() {
        QTest::addColumn<bool>("oddOffset");
        QTest::addColumn<Bytes>("data");
        QTest::addRow("even") << false << FromHex("00 02 AA BB");
        QTest::addRow("odd") << true << FromHex("00 02 00 AA BB");
    }
    void readReplyPadsOddOffsets() {
        QFETCH(bool, oddOffset);
        QFETCH(Bytes, data);
        ByteWriter out;
        QVERIFY(BuildReplyData(ReadFileReply{oddOffset, {0xAA, 0xBB}}, out));
        QCOMPARE(out.Result(), data);
        ReadFileReply back{oddOffset, {}};
        QVERIFY(ParseReplyData(data, back));
        QCOMPARE(back.data, FromHex("AA BB"));
    }

    // The completion byte a server sends for a status: a requester status (0x88xx) means nothing to a peer.
    void completionForStatus_data() {
        QTest::addColumn<uint>("status");
        QTest::addColumn<uint>("completion");
        QTest::addRow("success") << 0u << 0u;
        QTest::addRow("server status") << 0x89C6u << 0xC6u;
        QTest::addRow("requester status") << 0x8805u << 0xFFu;
        QTest::addRow("requester status with a server's low byte") << 0x88C6u << 0xFFu;
        QTest::addRow("no NetWare status") << 0x1234u << 0xFFu;
    }
    void completionForStatus() {
        QFETCH(uint, status);
        QFETCH(uint, completion);
        QCOMPARE(uint(CompletionFromStatus(std::uint16_t(status))), completion);
    }

    void handlePathFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("components");
        QTest::addRow("backslashes") << "SYS:SYSTEM\\EXAMPLE.NLM"
                                     << QStringList{"SYS", "SYSTEM", "EXAMPLE.NLM"};
        QTest::addRow("slashes after the colon") << "SYS:/SYSTEM/A" << QStringList{"SYS", "SYSTEM", "A"};
        QTest::addRow("volume only") << "VOL1:" << QStringList{"VOL1"};
        QTest::addRow("no volume") << "SYSTEM\\A" << QStringList{};
        QTest::addRow("empty volume") << ":A" << QStringList{};
        QTest::addRow("empty component") << "SYS:A\\\\B" << QStringList{};
        QTest::addRow("trailing separator") << "SYS:A\\" << QStringList{};
    }
    void handlePathFromText() {
        QFETCH(QString, text);
        QFETCH(QStringList, components);
        const std::optional<HandlePath> path = HandlePathFromText(text.toStdString());
        QCOMPARE(path.has_value(), !components.isEmpty());
        if (!path)
            return;
        QStringList found;
        for (const std::string& component : path->components)
            found << QString::fromStdString(component);
        QCOMPARE(found, components);
        QCOMPARE(path->handleFlag, HandleFlagNone);
        QCOMPARE(QString::fromStdString(HandlePathText(*path)), text.replace('/', '\\').replace(":\\", ":"));
    }

    void dosDateTime_data() {
        QTest::addColumn<CivilTime>("time");
        QTest::addColumn<int>("date");
        QTest::addColumn<int>("clock");
        QTest::addRow("E13 2024-05-17 13:45:30") << CivilTime{2024, 5, 17, 13, 45, 30} << 0x58B1 << 0x6DAF;
        QTest::addRow("first day") << CivilTime{1980, 1, 1, 0, 0, 0} << 0x0021 << 0x0000;
        QTest::addRow("last second") << CivilTime{2107, 12, 31, 23, 59, 58} << 0xFF9F << 0xBF7D;
        QTest::addRow("before 1980") << CivilTime{1979, 12, 31, 0, 0, 0} << -1 << -1;
        QTest::addRow("month 13") << CivilTime{2000, 13, 1, 0, 0, 0} << -1 << -1;
    }
    void dosDateTime() {
        QFETCH(CivilTime, time);
        QFETCH(int, date);
        QFETCH(int, clock);
        const std::optional<DosDateTime> value = ToDosDateTime(time);
        QCOMPARE(value.has_value(), date >= 0);
        if (!value)
            return;
        QCOMPARE(int{value->date}, date);
        QCOMPARE(int{value->time}, clock);
        QVERIFY(FromDosDateTime(*value) == time);
    }

    void sixByteHandle_data() {
        QTest::addColumn<quint32>("handle");
        QTest::addColumn<Bytes>("bytes");
        QTest::addRow("E11 0x1234") << quint32{0x1234} << FromHex("35 12 34 12 00 00");
        QTest::addRow("all ones") << quint32{0xFFFFFFFF} << FromHex("00 00 FF FF FF FF");
    }
    void sixByteHandle() {
        QFETCH(quint32, handle);
        QFETCH(Bytes, bytes);
        const auto six = SixByteHandle(handle);
        QCOMPARE(Bytes(six.begin(), six.end()), bytes);
        // Readers key on bytes 2..5 whatever the first two say.
        std::array<std::uint8_t, 6> other = six;
        other[0] ^= 0x5A;
        QCOMPARE(HandleFromSixBytes(other), handle);
    }

    void functionNames_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("subfunction");
        QTest::addColumn<QString>("name");
        QTest::addRow("23/17") << 23 << 17 << "23/17 Get File Server Information";
        QTest::addRow("33 has no subfunction") << 33 << -1 << "33 Negotiate Buffer Size";
        QTest::addRow("104/2") << 104 << 2 << "104/2 Send NDS Fragmented Request/Reply";
        QTest::addRow("unknown subfunction") << 23 << 99 << "23/99 Unknown";
    }
    void functionNames() {
        QFETCH(int, function);
        QFETCH(int, subfunction);
        QFETCH(QString, name);
        const std::optional<std::uint8_t> sub =
            subfunction < 0 ? std::nullopt : std::optional(static_cast<std::uint8_t>(subfunction));
        QCOMPARE(QString::fromStdString(FunctionName(static_cast<std::uint8_t>(function), sub)), name);
    }
};

QTEST_APPLESS_MAIN(NcpCodecsTest)
#include "NcpCodecsTest.moc"
