#include "console/ConsoleRequests.h"
#include "console/ConsoleLookup.h"
#include "netclient/SharedState.h"
#include "tests/support/RecordingClient.h"

#include <QTest>

#include <algorithm>

using namespace NCP_Ext;

namespace {

constexpr std::uint32_t Conn = 5;
constexpr std::uint32_t ExtId = 7;

QByteArray Bytes(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

std::vector<std::uint8_t> Vector(const QByteArray& bytes) {
    return {bytes.begin(), bytes.end()};
}

// A client that checks, at every exchange, that the reply buffer it is handed holds only zero bytes up to the
// stated capacity, so that nothing of an earlier exchange can be read back from a short or failed reply.
class ZeroCheckingClient final : public RecordingClient {
public:
    std::uint16_t NCPExtensionRequest(std::uint32_t connHandle, std::uint32_t extensionId,
                                      const void* request, std::uint32_t requestLength, void* reply,
                                      std::uint16_t* replyLength) override {
        const auto* bytes = static_cast<const std::uint8_t*>(reply);
        if (std::any_of(bytes, bytes + *replyLength, [](std::uint8_t byte) { return byte != 0; }))
            ++dirtyReplyBuffers;
        return RecordingClient::NCPExtensionRequest(connHandle, extensionId, request, requestLength, reply,
                                                    replyLength);
    }
    int dirtyReplyBuffers = 0;
};

// Answers every request with the given status and reply bytes.
RecordingClient::ExtensionResponder Answer(std::uint16_t status, const QByteArray& reply) {
    return [status, reply](std::uint32_t, std::uint32_t, const std::vector<std::uint8_t>&, std::uint16_t) {
        return RecordingClient::ExtensionReply{status, Vector(reply)};
    };
}

QByteArray ListReply(std::uint32_t screenRef, const QByteArray& nameField) {
    QByteArray reply(263, '\0');
    for (int i = 0; i < 4; ++i)
        reply[i] = static_cast<char>((screenRef >> (8 * i)) & 0xFF);
    reply.replace(8, nameField.size(), nameField);
    return reply.left(263);
}

} // namespace

class ConsoleRequestsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ResetSharedState(); }

    void requestBytes_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<quint32>("argument");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("capacity");

        QTest::addRow("first list request") << "list" << 0u << QByteArray::fromHex("194000000000") << 263;
        QTest::addRow("list after a screen")
            << "list" << 0x12345678u << QByteArray::fromHex("194078563412") << 263;
        QTest::addRow("read from row 5") << "read" << 5u << QByteArray::fromHex("1c4005000000") << 800;
        QTest::addRow("open reference 0x12345")
            << "open" << 0x12345u << QByteArray::fromHex("15400045230100") << 4;
        QTest::addRow("select handle 7") << "select" << 7u << QByteArray::fromHex("164007000000") << 1;
        QTest::addRow("select handle -2")
            << "select" << 0xFFFFFFFEu << QByteArray::fromHex("1640feffffff") << 1;
        QTest::addRow("character A") << "char" << 0x41u << QByteArray::fromHex("1d404100") << 1;
        QTest::addRow("ESC") << "char" << 27u << QByteArray::fromHex("1d401b00") << 1;
        QTest::addRow("carriage return") << "char" << 13u << QByteArray::fromHex("1d400d00") << 1;
        QTest::addRow("cursor up") << "scan" << quint32(ScanCodeCursorUp) << QByteArray::fromHex("1d400048")
                                   << 1;
        QTest::addRow("cursor down") << "scan" << quint32(ScanCodeCursorDown)
                                     << QByteArray::fromHex("1d400050") << 1;
        QTest::addRow("clear") << "clear" << 0u << QByteArray::fromHex("1240") << 1;
    }

    void requestBytes() {
        QFETCH(QString, operation);
        QFETCH(quint32, argument);
        QFETCH(QByteArray, request);
        QFETCH(int, capacity);

        RecordingClient client;
        ScopedClientBinding binding(client);
        std::string name;
        std::int32_t handle = 0;
        ScreenRowsBuffer rows{};
        if (operation == "list")
            ListNextScreen(Conn, ExtId, argument, name);
        else if (operation == "read")
            ReadScreenRows(Conn, ExtId, argument, rows);
        else if (operation == "open")
            OpenScreen(Conn, ExtId, argument, 0, handle);
        else if (operation == "select")
            SelectScreen(Conn, ExtId, static_cast<std::int32_t>(argument));
        else if (operation == "char")
            SendScreenKey(Conn, ExtId, MakeKeyWord(static_cast<std::uint8_t>(argument), 0));
        else if (operation == "scan")
            SendScreenKey(Conn, ExtId, MakeKeyWord(0, static_cast<std::uint8_t>(argument)));
        else
            ClearScreen(Conn, ExtId);

        QCOMPARE(client.Exchanges().size(), std::size_t{1});
        const RecordingClient::Exchange& exchange = client.Exchanges().front();
        QCOMPARE(Bytes(exchange.request), request);
        QCOMPARE(int(exchange.replyCapacity), capacity);
        QCOMPARE(exchange.connHandle, Conn);
        QCOMPARE(exchange.extensionId, ExtId);
    }

    void keyWords_data() {
        QTest::addColumn<int>("character");
        QTest::addColumn<int>("scanCode");
        QTest::addColumn<int>("keyWord");
        QTest::addRow("ESC") << 27 << 0 << 0x001B;
        QTest::addRow("CR") << 13 << 0 << 0x000D;
        QTest::addRow("cursor up") << 0 << 72 << 0x4800;
        QTest::addRow("cursor down") << 0 << 80 << 0x5000;
        QTest::addRow("both bytes") << 0xE1 << 0x1F << 0x1FE1;
    }

    void keyWords() {
        QFETCH(int, character);
        QFETCH(int, scanCode);
        QFETCH(int, keyWord);
        QCOMPARE(int(MakeKeyWord(static_cast<std::uint8_t>(character), static_cast<std::uint8_t>(scanCode))),
                 keyWord);
    }

    void listReplies_data() {
        QTest::addColumn<quint16>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<quint32>("screenRef");
        QTest::addColumn<QString>("name");

        const QString untouched = "untouched";
        QTest::addRow("a screen") << quint16(0) << ListReply(0x01020304, "System Console") << 0x01020304u
                                  << "System Console";
        QTest::addRow("name stops at its first zero")
            << quint16(0) << ListReply(3, QByteArray("Monitor\0stale bytes", 19)) << 3u << "Monitor";
        QTest::addRow("second field ignored")
            << quint16(0) << ListReply(3, "Log").replace(4, 4, "\xff\xff\xff\xff") << 3u << "Log";
        QTest::addRow("254 characters and a zero")
            << quint16(0) << ListReply(9, QByteArray(254, 'n')) << 9u << QString(254, 'n');
        QTest::addRow("255 characters, no zero")
            << quint16(0) << ListReply(9, QByteArray(255, 'n')) << 9u << QString(255, 'n');
        QTest::addRow("end of the list") << quint16(0) << ListReply(0, "ignored") << 0u << untouched;
        QTest::addRow("failed exchange, nothing written")
            << quint16(0x8801) << QByteArray() << 0u << untouched;
        QTest::addRow("short reply, reference only")
            << quint16(0) << QByteArray::fromHex("05000000") << 5u << "";
    }

    void listReplies() {
        QFETCH(quint16, status);
        QFETCH(QByteArray, reply);
        QFETCH(quint32, screenRef);
        QFETCH(QString, name);

        ZeroCheckingClient client;
        ScopedClientBinding binding(client);
        client.ncpResponder = Answer(status, reply);
        LastStatus = 0xDEAD;

        std::string screenName = "untouched";
        QCOMPARE(ListNextScreen(Conn, ExtId, 0, screenName), screenRef);
        QCOMPARE(QString::fromLatin1(screenName.data(), qsizetype(screenName.size())), name);
        QCOMPARE(LastStatus, quint32(status));
        QCOMPARE(client.dirtyReplyBuffers, 0);
    }

    void openReplies_data() {
        QTest::addColumn<quint16>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("handle");

        QTest::addRow("handle 7") << quint16(0) << QByteArray::fromHex("07000000") << 7;
        QTest::addRow("handle -1") << quint16(0) << QByteArray::fromHex("ffffffff") << -1;
        QTest::addRow("negative handle") << quint16(0) << QByteArray::fromHex("00000080") << int(INT32_MIN);
        QTest::addRow("little-endian") << quint16(0) << QByteArray::fromHex("78563412") << 0x12345678;
        QTest::addRow("failed exchange: no handle") << quint16(0x8801) << QByteArray() << 0;
        QTest::addRow("short reply") << quint16(0) << QByteArray::fromHex("0201") << 0x0102;
    }

    void openReplies() {
        QFETCH(quint16, status);
        QFETCH(QByteArray, reply);
        QFETCH(int, handle);

        ZeroCheckingClient client;
        ScopedClientBinding binding(client);
        client.ncpResponder = Answer(status, reply);

        std::int32_t screenHandle = 12345;
        QCOMPARE(OpenScreen(Conn, ExtId, 1, 0, screenHandle), status);
        QCOMPARE(int(screenHandle), handle);
        QCOMPARE(client.dirtyReplyBuffers, 0);
    }

    void readCopiesTheWholeReply() {
        ZeroCheckingClient client;
        ScopedClientBinding binding(client);
        QByteArray full(800, '\0');
        for (int i = 0; i < full.size(); ++i)
            full[i] = static_cast<char>(i % 251);
        client.ncpResponder = Answer(0, full);

        ScreenRowsBuffer rows{};
        QCOMPARE(ReadScreenRows(Conn, ExtId, 0, rows), std::uint16_t{0});
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(rows.data()), 800), full);
        QCOMPARE(client.dirtyReplyBuffers, 0);
    }

    void shortOrFailedReadsLeaveZeroCells_data() {
        QTest::addColumn<quint16>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addRow("short reply") << quint16(0) << QByteArray(100, 'x');
        QTest::addRow("failed exchange") << quint16(0x8801) << QByteArray();
        QTest::addRow("failed exchange with a partial reply") << quint16(0x89FF) << QByteArray(30, 'x');
    }

    void shortOrFailedReadsLeaveZeroCells() {
        QFETCH(quint16, status);
        QFETCH(QByteArray, reply);

        ZeroCheckingClient client;
        ScopedClientBinding binding(client);
        client.ncpResponder = Answer(status, reply);

        ScreenRowsBuffer rows;
        rows.fill(0xAA);
        QCOMPARE(ReadScreenRows(Conn, ExtId, 20, rows), status);
        QByteArray expected = reply;
        expected.append(QByteArray(800 - reply.size(), '\0'));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(rows.data()), 800), expected);
        QCOMPARE(client.dirtyReplyBuffers, 0);
    }

    void statusesPassThrough() {
        ZeroCheckingClient client;
        ScopedClientBinding binding(client);
        client.ncpResponder = Answer(0x897E, QByteArray("\x01", 1));
        QCOMPARE(SelectScreen(Conn, ExtId, 7), std::uint16_t{0x897E});
        QCOMPARE(SendScreenKey(Conn, ExtId, 0x41), std::uint16_t{0x897E});
        QCOMPARE(ClearScreen(Conn, ExtId), std::uint16_t{0x897E});
        client.FailNext("NCPExtensionRequest", 0x8801);
        QCOMPARE(ClearScreen(Conn, ExtId), std::uint16_t{0x8801});
        QCOMPARE(client.dirtyReplyBuffers, 0);
        QCOMPARE(LastStatus, 0u);
    }

    void callLogEntry() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        std::string name;
        ListNextScreen(Conn, ExtId, 0, name);
        QCOMPARE(client.CallList(),
                 QStringList{"NCPExtensionRequest(conn=5,id=7,req=19 40 00 00 00 00,cap=263)"});
    }

    // The walk through a whole console module: the names in order, a screen's rows in cells.
    void walkThroughAConsoleModule() {
        RecordingClient client;
        ScopedClientBinding binding(client);
        FakeConsoleModule console;
        console.AddScreen("System Console", {"row 0", "row 1"});
        console.AddScreen("Monitor");
        client.ncpResponder = console.Responder();

        QStringList names;
        std::string name;
        std::uint32_t screenRef = 0;
        std::uint32_t monitorRef = 0;
        while ((screenRef = ListNextScreen(Conn, ExtId, screenRef, name)) != 0) {
            names.append(QString::fromStdString(name));
            if (name == "Monitor")
                monitorRef = screenRef;
        }
        QCOMPARE(names, (QStringList{"System Console", "Monitor"}));
        QCOMPARE(client.CallCount("NCPExtensionRequest"), 3);

        std::int32_t handle = 0;
        QCOMPARE(OpenScreen(Conn, ExtId, 1, 0, handle), std::uint16_t{0});
        QVERIFY(handle != 0 && handle != -1);
        QCOMPARE(SelectScreen(Conn, ExtId, handle), std::uint16_t{0});
        ScreenRowsBuffer rows{};
        QCOMPARE(ReadScreenRows(Conn, ExtId, 0, rows), std::uint16_t{0});
        QCOMPARE(rows[0], std::uint8_t{'r'});
        QCOMPARE(rows[BytesPerRow + 4 * BytesPerCell], std::uint8_t{'1'});
        QCOMPARE(rows[2 * BytesPerRow], std::uint8_t{0});
        QCOMPARE(console.selectedScreen, 1u);
        QCOMPARE(monitorRef, 2u);
    }
};

QTEST_GUILESS_MAIN(ConsoleRequestsTest)
#include "ConsoleRequestsTest.moc"
