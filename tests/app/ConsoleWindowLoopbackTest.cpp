#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/consolewindow/ConsoleView.h"
#include "app/consolewindow/ConsoleWindow.h"
#include "app/consolewindow/ConsoleWindows.h"
#include "app/widgets/RadioGroup.h"
#include "app/widgets/TabbedNotebook.h"
#include "netclient/ClientLibrary.h"
#include "netclient/ConnectionControl.h"
#include "netclient/NcpClient.h"
#include "netclient/SharedState.h"
#include "network/LoopbackDemo.h"
#include "tests/support/WhenShown.h"
#include "util/Settings.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
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

// A right click on a list entry, through the window as the platform delivers it; item is picked from the
// menu that opens.
void RightClickAndPick(QWidget* form, QWidget* entry, const QString& menuName, const QString& item) {
    WhenShown<QMenu>(menuName, [item](QMenu* menu) {
        for (QAction* action : menu->actions())
            if (action->text().remove(QLatin1Char('&')) == item) {
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        menu->close();
    });
    QTest::mouseClick(form->windowHandle(), Qt::RightButton, {}, entry->mapTo(form, entry->rect().center()));
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

    // Every way the main window opens a console window, and the window it opens.
    void openedFromTheMainWindow_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("title");
        QTest::addRow("double click on a screen") << "double click"
                                                  << "ATLAS: Logger Screen";
        QTest::addRow("the screen list's menu") << "screen menu"
                                                << "ATLAS: Monitor";
        QTest::addRow("Ctrl+N on the page: the selected screen") << "ctrl+n"
                                                                 << "ATLAS: System Console";
        QTest::addRow("the server list's menu: the first screen") << "server menu"
                                                                  << "ATLAS: System Console";
    }
    void openedFromTheMainWindow() {
        QFETCH(QString, way);
        QFETCH(QString, title);
        ConsoleFixture fixture;
        ResetSharedState();
        QtMessageBoxPresenter presenter;
        NetUtil::BindMessageBoxPresenter(&presenter);
        BindClient(&fixture.client);
        NetClient::BindConnectionControl(&fixture.client);
        {
            TMainForm form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            const auto screen = [&form](int entry) {
                return form.RadioGroupScreens->findChildren<QRadioButton*>().value(entry);
            };
            if (way == "server menu") {
                RightClickAndPick(&form, form.ServerList->findChildren<QRadioButton*>().value(0),
                                  "ServerListMenu", "Open console window");
            } else {
                form.TabbedNotebook1->setPageIndex(2);
                QTRY_COMPARE(form.RadioGroupScreens->count(), 3);
                if (way == "double click")
                    QTest::mouseDClick(screen(2), Qt::LeftButton);
                else if (way == "screen menu")
                    RightClickAndPick(&form, screen(1), "ScreenListMenu", "Open console window");
                else
                    QTest::keyClick(form.EditKey, Qt::Key_N, Qt::ControlModifier);
            }
            QTRY_COMPARE(fixture.windows->Windows().size(), 1);
            QTRY_COMPARE_WITH_TIMEOUT(fixture.windows->Windows().front()->windowTitle(), title, 20000);
        }
        NetClient::BindConnectionControl(nullptr);
        BindClient(nullptr);
        NetUtil::BindMessageBoxPresenter(nullptr);
    }

    // Closing a window while its worker waits for a slow or hung server returns at once; the worker gives
    // the exchange up, so that its thread ends (and the program with it) well within the time limit.
    void closingDuringAnExchange_data() {
        QTest::addColumn<int>("replyDelayMilliseconds");
        QTest::addRow("reply 2 s late") << 2000;
        QTest::addRow("hung server") << 60000;
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
        fixture.windows.reset();
        QVERIFY(closing.elapsed() < NetClient::DefaultTimeoutSeconds * 1000 / 2);
    }
};

QTEST_MAIN(ConsoleWindowLoopbackTest)
#include "ConsoleWindowLoopbackTest.moc"
