#include "ncp/StatusCodes.h"
#include "netclient/NcpClient.h"
#include "network/LoopbackDemo.h"

#include <QTemporaryDir>
#include <QTest>

using NetClient::Attachment;
using NetClient::NcpClient;

class ExtensionMemoryLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A look-up of an extension by name after the steps, on the connection of the first look-up: answered
    // from memory (no round trip) or asked of the server again. The clock is the test's.
    void forgetsWhenItMust_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("roundTrips");
        QTest::addRow("looked up 999 ms ago") << QStringList{"wait 999"} << 0;
        QTest::addRow("looked up a second ago") << QStringList{"wait 1000"} << 1;
        QTest::addRow("an exchange keeps it young") << QStringList{"wait 800", "exchange", "wait 800"} << 0;
        QTest::addRow("a failed exchange forgets it") << QStringList{"failed exchange"} << 1;
        QTest::addRow("an NLM load forgets it") << QStringList{"load"} << 1;
        QTest::addRow("an NLM unload forgets it") << QStringList{"unload"} << 1;
        QTest::addRow("a reconnect forgets it") << QStringList{"reconnect"} << 1;
        QTest::addRow("another handle on the same connection") << QStringList{"same connection"} << 0;
        QTest::addRow("another connection to the same server") << QStringList{"other connection"} << 1;
    }
    void forgetsWhenItMust() {
        QFETCH(QStringList, steps);
        QFETCH(int, roundTrips);
        QTemporaryDir volumes;
        LoopbackDemo demo;
        std::string error;
        QVERIFY2(demo.Start(volumes.path().toStdString(), error), error.c_str());
        // ATLAS twice: two connections to one server.
        std::vector<Attachment> attachments{demo.Attachments()[0], demo.Attachments()[0]};
        NetClient::FixedPasswords passwords = demo.Passwords();
        NcpClient client;
        QVERIFY(client.AttachAll(attachments, passwords).empty());
        auto now = std::chrono::steady_clock::now();
        client.SetClock([&now] { return now; });
        const auto open = [&](std::size_t reference) {
            std::uint32_t handle = 0;
            const std::uint16_t status = client.OpenConnByReference(client.ConnectionRefs()[reference],
                                                                    ClientLibrary::OpenModeLater, 0, &handle);
            return status == StatusCodes::Success ? handle : 0;
        };
        std::uint32_t handle = open(0);
        const auto lookUp = [&](std::uint32_t& id) {
            std::uint8_t major = 0, minor = 0, revision = 0, query[ClientLibrary::QueryDataSize] = {};
            return client.GetNCPExtensionInfoByName(handle, "TIMESYNC_NCP", &id, &major, &minor, &revision,
                                                    query);
        };
        std::uint32_t id = 0;
        QCOMPARE(lookUp(id), StatusCodes::Success);

        for (const QString& step : steps) {
            std::uint8_t request[40] = {1, 2, 3};
            std::uint8_t reply[263] = {};
            if (step.startsWith("wait ")) {
                now += std::chrono::milliseconds(step.mid(5).toInt());
            } else if (step == "exchange") {
                std::uint16_t length = sizeof reply;
                QCOMPARE(client.NCPExtensionRequest(handle, id, request, 10, reply, &length),
                         StatusCodes::Success);
            } else if (step == "failed exchange") {
                // A reply larger than the caller's buffer: the extension's request fails.
                std::uint16_t length = 16;
                QVERIFY(client.NCPExtensionRequest(handle, id, request, 40, reply, &length) !=
                        StatusCodes::Success);
            } else if (step == "load") {
                QVERIFY(client.NWSMLoadNLM(handle, "NOSUCH.NLM") != StatusCodes::Success);
            } else if (step == "unload") {
                QVERIFY(client.NWSMUnloadNLM(handle, "NOSUCH.NLM") != StatusCodes::Success);
            } else if (step == "reconnect") {
                QVERIFY(demo.Network().DropConnections("ATLAS"));
                // The next call finds the connection gone; choosing the server connects it again.
                std::uint32_t user = 0;
                client.GetConnInfo(handle, ClientLibrary::InfoUserId, 4, &user);
                handle = open(0);
            } else if (step == "same connection") {
                handle = open(0);
            } else if (step == "other connection") {
                handle = open(1);
            }
            QVERIFY2(handle != 0, qPrintable(step));
        }
        const std::uint64_t before = client.RoundTrips();
        std::uint32_t again = 0;
        QCOMPARE(lookUp(again), StatusCodes::Success);
        QCOMPARE(again, id);
        QCOMPARE(int(client.RoundTrips() - before), roundTrips);
    }
};

QTEST_GUILESS_MAIN(ExtensionMemoryLoopbackTest)
#include "ExtensionMemoryLoopbackTest.moc"
