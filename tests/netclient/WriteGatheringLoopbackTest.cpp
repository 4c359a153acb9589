#include "netclient/NcpClient.h"
#include "netclient/NetworkFiles.h"
#include "network/LoopbackDemo.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Block = 4096; // what the copy writes at a time

QByteArray Pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
    return bytes;
}

} // namespace

class WriteGatheringLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The copy's 4 KiB blocks reach a demo server as writes of the buffer negotiated for the connection
    // (97; 33 when the server refuses 97), each up to the next multiple of that buffer; what is gathered goes
    // out before the time is set, and the close and rename come after it. Counted are the round trips of
    // each step, and the file on the server must be the bytes written.
    void gathersWritesUpToTheBuffer_data() {
        QTest::addColumn<int>("serverBuffer"); // the largest the server allows
        QTest::addColumn<bool>("refuses97");
        QTest::addColumn<int>("size"); // bytes written, in 4 KiB blocks and a shorter last one
        QTest::addColumn<int>("negotiated");
        QTest::addColumn<int>("whileWriting"); // round trips during the blocks
        QTest::addColumn<int>("atTime");       // when the time is set: the rest of what was gathered
        QTest::addRow("97: 64 KiB packets") << 65472 << false << 20 * Block << 65472 << 1 << 1;
        QTest::addRow("97: what the server allows") << 16384 << false << 20 * Block << 16384 << 5 << 0;
        QTest::addRow("97 refused: 33's 4 KiB") << 65472 << true << 20 * Block << 4096 << 20 << 0;
        QTest::addRow("97 refused: what 33 gives") << 1000 << true << 2 * Block << 1000 << 8 << 1;
        QTest::addRow("a short last block") << 16384 << false << 5 * Block + 100 << 16384 << 1 << 1;
        QTest::addRow("a buffer that does not divide the blocks")
            << 1000 << false << 2 * Block << 1000 << 8 << 1;
        QTest::addRow("less than one buffer: all at the time") << 65472 << false << 3000 << 65472 << 0 << 1;
        QTest::addRow("an empty file: no write") << 65472 << false << 0 << 65472 << 0 << 0;
    }
    void gathersWritesUpToTheBuffer() {
        QFETCH(int, serverBuffer);
        QFETCH(bool, refuses97);
        QFETCH(int, size);
        QFETCH(int, negotiated);
        QFETCH(int, whileWriting);
        QFETCH(int, atTime);
        QTemporaryDir volumes;
        LoopbackDemo demo;
        Emulator::NcpServer::Options options;
        options.maxBufferSize = static_cast<std::uint16_t>(serverBuffer);
        std::string error;
        QVERIFY2(demo.Start(volumes.path().toStdString(), error, options), error.c_str());
        if (refuses97)
            QVERIFY(demo.Network().FailFunction("BOREAS", "97", 0xFB));
        NetClient::NcpClient client;
        QVERIFY(demo.AttachClient(client).empty());
        std::uint16_t status = 0;
        NetClient::ServerSession* boreas = client.SessionForServer("BOREAS", status);
        QVERIFY(boreas != nullptr);
        QCOMPARE(int(boreas->Connection().BufferSize()), negotiated);

        NetClient::NetworkFiles files(client);
        std::unique_ptr<Platform::ReplacementFile> file;
        QCOMPARE(files.CreateReplacement("\\\\BOREAS\\SYS\\SYSTEM\\GATHER.NLM", file),
                 Platform::CreateResult::Created);
        const QByteArray bytes = Pattern(size);
        std::uint64_t before = client.RoundTrips();
        for (int offset = 0; offset < size; offset += Block) {
            const int count = std::min(Block, size - offset);
            QCOMPARE(file->WriteBlock(bytes.constData() + offset, static_cast<std::size_t>(count)),
                     std::ptrdiff_t{count});
        }
        QCOMPARE(int(client.RoundTrips() - before), whileWriting);
        before = client.RoundTrips();
        QVERIFY(file->SetModificationTime(Platform::FileTime{1700000000, 0}));
        QCOMPARE(int(client.RoundTrips() - before), atTime);
        before = client.RoundTrips();
        QVERIFY(file->SetAttributes(Platform::FileAttributes{0644}));
        QVERIFY(file->Commit());
        // Close, time and attributes, rename.
        QCOMPARE(int(client.RoundTrips() - before), 3);

        const auto system = demo.FindServer("BOREAS")->ServerVolumes().SystemDirectory();
        QFile written(QString::fromStdString((system / "GATHER.NLM").string()));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), bytes);
    }
};

QTEST_GUILESS_MAIN(WriteGatheringLoopbackTest)
#include "WriteGatheringLoopbackTest.moc"
