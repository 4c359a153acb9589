#include "app/consolewindow/ConsoleWindow.h"
#include "app/consolewindow/ConsoleView.h"
#include "app/consolewindow/ConsoleWindows.h"
#include "network/LoopbackDemo.h"
#include "netclient/NcpClient.h"
#include "util/Settings.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// The demo network on loopback, a client attached to it, and the program's console windows over it.
struct ConsoleFixture {
    QTemporaryDir volumes;
    QTemporaryDir settings;
    LoopbackDemo demo;
    NetClient::NcpClient client;
    std::unique_ptr<ConsoleWindows> windows;

    ConsoleFixture() {
        std::string error;
        if (!demo.Start(volumes.path().toStdString(), error) || !demo.AttachClient(client).empty())
            qFatal("demo network not attached: %s", error.c_str());
        NetUtil::SetSettingsDirectory(settings.path().toStdString());
        windows = std::make_unique<ConsoleWindows>(
            [this](const std::string& server) { return client.NewSessionFor(server); });
        windows->SetReconnectPause(300ms);
    }
    ~ConsoleFixture() { windows.reset(); }
    ConsoleFixture(const ConsoleFixture&) = delete;
    ConsoleFixture& operator=(const ConsoleFixture&) = delete;

    ConsoleWindow* Open(const QString& server, const QString& screen, int refreshMilliseconds = 250) {
        ConsoleWindowPlace place;
        place.server = server;
        place.screen = screen;
        place.refreshMilliseconds = refreshMilliseconds;
        return windows->Open(place);
    }
};

ConsoleView* View(ConsoleWindow* window) {
    return window->findChild<ConsoleView*>(QStringLiteral("ConsoleText"));
}

QStringList Screen(ConsoleWindow* window) {
    return View(window)->ScreenLines();
}

QString State(ConsoleWindow* window) {
    return window->findChild<QLabel*>(QStringLiteral("ConsoleState"))->text();
}

} // namespace

class ConsoleWindowLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Two windows watch two screens of one server, each on its own connection: the keys typed into each
    // reach its own screen, whatever the other window reads meanwhile.
    void keysReachTheirOwnScreen_data() {
        QTest::addColumn<QString>("intoLogger");
        QTest::addColumn<QString>("intoConsole");
        QTest::addColumn<QString>("promptLine");
        QTest::addRow("typed into the System Console's window") << ""
                                                                << "modules"
                                                                << "ATLAS:modules";
        QTest::addRow("typed into the Logger Screen's window first") << "zz"
                                                                     << "q"
                                                                     << "ATLAS:q";
    }
    void keysReachTheirOwnScreen() {
        QFETCH(QString, intoLogger);
        QFETCH(QString, intoConsole);
        QFETCH(QString, promptLine);
        ConsoleFixture fixture;
        ConsoleWindow* console = fixture.Open("ATLAS", "System Console");
        ConsoleWindow* logger = fixture.Open("ATLAS", "Logger Screen");
        QVERIFY(console != nullptr && logger != nullptr);
        QCOMPARE(console->windowTitle(), QString("ATLAS: System Console"));
        QCOMPARE(logger->windowTitle(), QString("ATLAS: Logger Screen"));
        QTRY_VERIFY_WITH_TIMEOUT(Screen(console).contains("ATLAS:"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!Screen(logger).isEmpty(), 20000);
        if (!intoLogger.isEmpty()) {
            QTest::keyClicks(View(logger), intoLogger);
            QTest::keyClick(View(logger), Qt::Key_Escape);
        }
        QTest::keyClicks(View(console), intoConsole);
        QTRY_VERIFY_WITH_TIMEOUT(Screen(console).contains(promptLine), 20000);
        QVERIFY(!Screen(logger).contains(promptLine));
    }

    // A lost connection is told in the window, which keeps its screen, and comes back by itself: at once
    // when the server answers again, after the pause between attempts when it refused.
    void lostConnectionComesBack_data() {
        QTest::addColumn<bool>("refuseFirst");
        QTest::addRow("server answers again") << false;
        QTest::addRow("server refuses, then answers") << true;
    }
    void lostConnectionComesBack() {
        QFETCH(bool, refuseFirst);
        ConsoleFixture fixture;
        ConsoleWindow* window = fixture.Open("ATLAS", "System Console");
        QTRY_VERIFY_WITH_TIMEOUT(Screen(window).contains("ATLAS:"), 20000);
        const QStringList shown = Screen(window);
        if (refuseFirst)
            fixture.demo.Network().FailFunction("ATLAS", "23/17", 0xFF);
        fixture.demo.Network().DropConnections("ATLAS");
        QTRY_VERIFY_WITH_TIMEOUT(State(window).startsWith("Connection lost"), 20000);
        QCOMPARE(Screen(window), shown);
        if (refuseFirst) {
            QTRY_VERIFY_WITH_TIMEOUT(State(window).contains("Trying again"), 20000);
            fixture.demo.Network().ClearFaults("ATLAS");
        }
        QTRY_VERIFY_WITH_TIMEOUT(State(window).startsWith("Connected"), 20000);
        QTest::keyClicks(View(window), "x");
        QTRY_VERIFY_WITH_TIMEOUT(Screen(window).contains("ATLAS:x"), 20000);
    }

    // Closing a window while its worker waits for a slow server returns at once; the worker's thread ends
    // by itself afterwards.
    void closingDuringAnExchange_data() {
        QTest::addColumn<int>("replyDelayMilliseconds");
        QTest::addRow("reply 2 s late") << 2000;
    }
    void closingDuringAnExchange() {
        QFETCH(int, replyDelayMilliseconds);
        ConsoleFixture fixture;
        ConsoleWindow* window = fixture.Open("ATLAS", "Monitor");
        QTRY_VERIFY_WITH_TIMEOUT(!Screen(window).isEmpty(), 20000);
        fixture.demo.Network().SetReplyDelay("ATLAS", std::chrono::milliseconds(replyDelayMilliseconds));
        QTest::keyClick(View(window), Qt::Key_Down); // an exchange starts at once
        QElapsedTimer closing;
        closing.start();
        window->close();
        QVERIFY(closing.elapsed() < replyDelayMilliseconds / 2);
        QTRY_VERIFY(fixture.windows->Windows().isEmpty());
    }
};

QTEST_MAIN(ConsoleWindowLoopbackTest)
#include "ConsoleWindowLoopbackTest.moc"
