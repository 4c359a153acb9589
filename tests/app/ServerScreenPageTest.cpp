// The Server Screen page and page switching, through the real window on a scripted console module.

#include "ConsoleTrace.h"
#include "WindowFixture.h"

#include "app/widgets/RadioGroup.h"
#include "app/widgets/TabbedNotebook.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr std::uint32_t ConsoleExtensionId = 0x1234;

const QStringList InitialMemo{"", "", "[ Could not read server screen ]", "",
                              "[ The NCP extension NLM must be running on the server ]"};

struct ConsoleFixture : WindowFixture {
    FakeConsoleModule console;

    explicit ConsoleFixture(bool withExtension = true) {
        RecordingClient::ScriptedServer server;
        server.name = "FS5";
        server.majorVersion = 3; // no directory requests to wade through
        server.extensions.push_back({.id = 0x10, .name = "DSLOADER", .majorVersion = 1});
        if (withExtension)
            server.extensions.push_back({.id = ConsoleExtensionId, .name = "QV_EXT", .majorVersion = 1});
        Connect(server);
        client.ncpResponder = console.Responder();
    }

    // Opens the window and turns to the Server Screen page, then forgets the calls made so far.
    TMainForm& OpenOnScreens() {
        TMainForm& window = Open();
        window.TabbedNotebook1->setPageIndex(2);
        client.ClearCalls();
        return window;
    }

    QStringList Memo() const { return form->MemoConsole->toPlainText().split(QLatin1Char('\n')); }

    // Makes the window the active one, so that focus changes take effect.
    void Activate() {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
};

std::vector<std::string> Rows(const std::string& prefix) {
    std::vector<std::string> rows;
    for (int row = 0; row < 25; ++row)
        rows.push_back(prefix + " row " + std::to_string(row));
    return rows;
}

QString Padded(const QString& text) {
    return text.leftJustified(80, QLatin1Char(' '));
}

} // namespace

class ServerScreenPageTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void enteringThePageListsAndShowsTheFirstScreen() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console", Rows("console"));
        fixture.console.AddScreen("Monitor", Rows("monitor"));
        TMainForm& form = fixture.Open();
        fixture.client.ClearCalls();
        form.TabbedNotebook1->setPageIndex(2);

        QCOMPARE(form.TabbedNotebook1->pageIndex(), 2);
        QCOMPARE(form.RadioGroupScreens->items(), (QStringList{"System Console", "Monitor"}));
        QCOMPARE(form.RadioGroupScreens->itemIndex(), 0);
        // The policy's lookup, the page's lookup and list walk, then one display of the first screen.
        const QStringList expected =
            QStringList{"lookup", "lookup", "list 0", "list 1", "list 2"} + DisplayTrace(1, 101);
        QCOMPARE(ConsoleTrace(fixture.client), expected);
        const QStringList memo = fixture.Memo();
        QCOMPARE(memo.size(), 25);
        for (int row = 0; row < 25; ++row)
            QCOMPARE(memo[row], Padded(QStringLiteral("console row %1").arg(row)));
    }

    void oneDisplayCostsExactlyItsRequests_data() {
        QTest::addColumn<int>("entry");
        QTest::addRow("second screen") << 1;
        QTest::addRow("third screen") << 2;
    }

    void oneDisplayCostsExactlyItsRequests() {
        QFETCH(int, entry);
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console");
        fixture.console.AddScreen("Monitor");
        fixture.console.AddScreen("Logger Screen");
        TMainForm& form = fixture.OpenOnScreens();
        form.RadioGroupScreens->setItemIndex(entry);
        QCOMPARE(ConsoleTrace(fixture.client), DisplayTrace(entry + 1, 101 + entry));
        QCOMPARE(fixture.client.CallCount("NCPExtensionRequest"), entry + 1 + 7);
        for (const RecordingClient::Exchange& exchange : fixture.client.Exchanges())
            QCOMPARE(exchange.extensionId, ConsoleExtensionId);
    }

    void theTimerShowsTheSelectedScreenAgain() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console", {"before"});
        TMainForm& form = fixture.OpenOnScreens();
        fixture.console.screens[0].rows = {"after"};
        form.TimerScreenUpdate->setInterval(1);
        QTRY_COMPARE(fixture.Memo().value(0), Padded(QStringLiteral("after")));
        form.TimerScreenUpdate->setInterval(TMainForm::ScreenRefreshMilliseconds);
    }

    void aServerWithoutScreens() {
        ConsoleFixture fixture;
        TMainForm& form = fixture.OpenOnScreens();
        QCOMPARE(form.TabbedNotebook1->pageIndex(), 2);
        QCOMPARE(form.RadioGroupScreens->count(), 0);
        QCOMPARE(form.RadioGroupScreens->itemIndex(), -1);
        QCOMPARE(fixture.Memo(), InitialMemo);
    }

    void twoScreensOfTheSameNameShowTheFirst() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("Logger Screen", {"first"});
        fixture.console.AddScreen("Logger Screen", {"second"});
        TMainForm& form = fixture.OpenOnScreens();
        QCOMPARE(form.RadioGroupScreens->count(), 2);
        form.RadioGroupScreens->setItemIndex(1);
        QCOMPARE(ConsoleTrace(fixture.client), DisplayTrace(1, 101));
        QCOMPARE(fixture.Memo().value(0), Padded(QStringLiteral("first")));
    }

    void selectingTheSelectedEntrySendsNothing() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console");
        TMainForm& form = fixture.OpenOnScreens();
        form.RadioGroupScreens->setItemIndex(0);
        QVERIFY(fixture.client.Calls().empty());
    }

    void aFailedReadLeavesItsRowsOut() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console", Rows("r"));
        auto console = fixture.console.Responder();
        fixture.client.ncpResponder = [console](std::uint32_t conn, std::uint32_t id,
                                                const std::vector<std::uint8_t>& request,
                                                std::uint16_t capacity) {
            if (request == std::vector<std::uint8_t>{0x1C, 0x40, 10, 0, 0, 0})
                return RecordingClient::ExtensionReply{0x89FF, {}};
            return console(conn, id, request, capacity);
        };
        fixture.OpenOnScreens();
        QStringList expected;
        for (int row = 0; row < 25; ++row) {
            if (row < 10 || row > 14)
                expected << Padded(QStringLiteral("r row %1").arg(row));
        }
        QCOMPARE(fixture.Memo(), expected);
    }

    void cellsShowAsTheConsoleShowsThem() {
        ConsoleFixture fixture;
        std::string row("A\0B", 3);
        row += "\x0A\x0D\xC9\xCD\xBB\x7F\x82";
        fixture.console.AddScreen("Monitor", {row});
        TMainForm& form = fixture.OpenOnScreens();
        const QStringList memo = fixture.Memo();
        QCOMPARE(memo.size(), 25);
        QCOMPARE(form.MemoConsole->document()->blockCount(), 25);
        QCOMPARE(memo[0], Padded(QStringLiteral("A B◙♪╔═╗⌂é")));
        for (const QString& line : memo)
            QCOMPARE(line.size(), 80);
    }

    void typedKeysGoOutOneKeyWordEach() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console");
        TMainForm& form = fixture.OpenOnScreens();
        form.EditKey->setText(QStringLiteral("Aé€z")); // the euro sign is not on the server's code page

        QCOMPARE(fixture.console.keysReceived, (std::vector<std::uint16_t>{0x0041, 0x0082, 0x007A}));
        QCOMPARE(form.EditKey->text(), QString());
        const QStringList expected =
            QStringList{"lookup", "key 0041", "key 0082", "key 007a"} + DisplayTrace(1, 101);
        QCOMPARE(ConsoleTrace(fixture.client), expected);
    }

    void aLongPasteSendsTheFirst255Characters() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console");
        TMainForm& form = fixture.OpenOnScreens();
        QString pasted;
        for (int i = 0; i < 300; ++i)
            pasted += QLatin1Char(static_cast<char>('a' + i % 26));
        QApplication::clipboard()->setText(pasted);
        form.EditKey->paste();

        QCOMPARE(fixture.console.keysReceived.size(), size_t{255});
        QCOMPARE(fixture.console.keysReceived.back(), static_cast<std::uint16_t>('a' + 254 % 26));
        QCOMPARE(fixture.client.CallCount("NCPExtensionRequest"), 255 + 8);
        QCOMPARE(fixture.client.CallCount("GetNCPExtensionInfoByName"), 3);
        QCOMPARE(form.EditKey->text(), QString());
    }

    void withoutTheExtensionTypedTextStays() {
        ConsoleFixture fixture(false);
        TMainForm& form = fixture.Open();
        fixture.client.ClearCalls();
        form.EditKey->setText(QStringLiteral("x"));
        QCOMPARE(form.EditKey->text(), QStringLiteral("x"));
        QCOMPARE(ConsoleTrace(fixture.client), QStringList{"lookup"});
    }

    void buttonsSendTheirKeyThenShowTheScreen_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        QTest::addRow("ESC") << "ButtonESC"
                             << "key 001b";
        QTest::addRow("CR") << "ButtonCR"
                            << "key 000d";
        QTest::addRow("cursor up") << "SpeedButton2"
                                   << "key 4800";
        QTest::addRow("cursor down") << "SpeedButton1"
                                     << "key 5000";
        QTest::addRow("CLS") << "ButtonCLS"
                             << "clear";
    }

    void buttonsSendTheirKeyThenShowTheScreen() {
        QFETCH(QString, button);
        QFETCH(QString, message);
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console");
        TMainForm& form = fixture.OpenOnScreens();
        auto* control = form.findChild<QAbstractButton*>(button);
        QVERIFY(control != nullptr);
        fixture.Activate();
        form.MemoConsole->setFocus();
        QTest::mouseClick(control, Qt::LeftButton);
        QCOMPARE(ConsoleTrace(fixture.client), QStringList{message} + DisplayTrace(1, 101));
        QCOMPARE(QApplication::focusWidget(), form.EditKey); // typing goes on in the key field
    }

    void keysOfTheKeyFieldActLikeATerminal_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("wheel"); // a wheel turn instead of a key, when not 0
        QTest::addColumn<int>("startSize");
        QTest::addColumn<QString>("message"); // the one console message sent, if any
        QTest::addColumn<int>("size");        // the console text's pixel size afterwards
        const int none = Qt::NoModifier;
        const int ctrl = Qt::ControlModifier;
        QTest::addRow("Enter") << int(Qt::Key_Return) << none << 0 << 9 << "key 000d" << 9;
        QTest::addRow("keypad Enter")
            << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 0 << 9 << "key 000d" << 9;
        QTest::addRow("Backspace") << int(Qt::Key_Backspace) << none << 0 << 9 << "key 0008" << 9;
        QTest::addRow("Escape") << int(Qt::Key_Escape) << none << 0 << 9 << "key 001b" << 9;
        QTest::addRow("cursor up") << int(Qt::Key_Up) << none << 0 << 9 << "key 4800" << 9;
        QTest::addRow("cursor down") << int(Qt::Key_Down) << none << 0 << 9 << "key 5000" << 9;
        QTest::addRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier) << 0 << 9 << "" << 9;
        QTest::addRow("Ctrl+Up") << int(Qt::Key_Up) << ctrl << 0 << 9 << "" << 9;
        QTest::addRow("Ctrl+plus") << int(Qt::Key_Plus) << ctrl << 0 << 9 << "" << 10;
        QTest::addRow("Ctrl+Shift+plus")
            << int(Qt::Key_Plus) << int(Qt::ControlModifier | Qt::ShiftModifier) << 0 << 9 << "" << 10;
        QTest::addRow("Ctrl+=") << int(Qt::Key_Equal) << ctrl << 0 << 9 << "" << 10;
        QTest::addRow("Ctrl+minus") << int(Qt::Key_Minus) << ctrl << 0 << 9 << "" << 8;
        QTest::addRow("Ctrl+0 back to 9") << int(Qt::Key_0) << ctrl << 0 << 14 << "" << 9;
        QTest::addRow("Ctrl+minus at the smallest") << int(Qt::Key_Minus) << ctrl << 0 << 6 << "" << 6;
        QTest::addRow("Ctrl+plus at the largest") << int(Qt::Key_Plus) << ctrl << 0 << 36 << "" << 36;
        QTest::addRow("Ctrl+wheel away") << 0 << ctrl << 120 << 9 << "" << 10;
        QTest::addRow("Ctrl+wheel back") << 0 << ctrl << -120 << 9 << "" << 8;
        QTest::addRow("wheel alone") << 0 << none << -120 << 9 << "" << 9;
    }

    void keysOfTheKeyFieldActLikeATerminal() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, wheel);
        QFETCH(int, startSize);
        QFETCH(QString, message);
        QFETCH(int, size);
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console", Rows("r"));
        TMainForm& form = fixture.OpenOnScreens();
        QCOMPARE(form.MemoConsole->font().pixelSize(), 9);
        QFont font = form.MemoConsole->font();
        font.setPixelSize(startSize);
        form.MemoConsole->setFont(font);
        if (wheel == 0) {
            QTest::keyClick(form.EditKey, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
        } else {
            QWidget* viewport = form.MemoConsole->viewport();
            const QPointF at = viewport->rect().center();
            QWheelEvent turn(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, wheel), Qt::NoButton,
                             Qt::KeyboardModifiers(modifiers), Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &turn);
        }
        const QStringList sent =
            message.isEmpty() ? QStringList{} : QStringList{message} + DisplayTrace(1, 101);
        QCOMPARE(ConsoleTrace(fixture.client), sent);
        QCOMPARE(form.MemoConsole->font().pixelSize(), size);
        QCOMPARE(form.EditKey->text(), QString());
    }

    void aCharacterTheCodePageLacksIsRefused() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console");
        TMainForm& form = fixture.OpenOnScreens();
        const QColor normal = form.EditKey->palette().color(QPalette::Base);
        QTest::sendKeyEvent(QTest::Press, form.EditKey, Qt::Key_unknown, QStringLiteral("€"), Qt::NoModifier);

        QVERIFY(form.EditKey->palette().color(QPalette::Base) != normal); // the field flashes
        QCOMPARE(ConsoleTrace(fixture.client), QStringList{"lookup"});    // nothing sent, nothing shown
        QCOMPARE(form.EditKey->text(), QString());
        QTRY_COMPARE(form.EditKey->palette().color(QPalette::Base), normal);
    }

    void theConsoleScrollsOnlyWhenTheWindowIsTooSmall() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console", Rows(std::string(70, 'x')));
        TMainForm& form = fixture.OpenOnScreens();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!form.MemoConsole->horizontalScrollBar()->isVisible());
        QVERIFY(!form.MemoConsole->verticalScrollBar()->isVisible());
        form.resize(500, 300);
        QTRY_VERIFY(form.MemoConsole->horizontalScrollBar()->isVisible());
        QVERIFY(form.MemoConsole->verticalScrollBar()->isVisible());
    }

    void tabMovesAlongThePagesFocusOrder() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console");
        TMainForm& form = fixture.OpenOnScreens();
        fixture.Activate();
        form.RadioGroupScreens->findChild<QRadioButton*>()->setFocus();
        const QString memoText = form.MemoConsole->toPlainText();
        QStringList order;
        for (int step = 0; step < 6; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order.mid(0, 5),
                 (QStringList{"EditKey", "ButtonESC", "ButtonCR", "ButtonCLS", "MemoConsole"}));
        QVERIFY(order[5] != QStringLiteral("MemoConsole")); // Tab leaves the console text
        QCOMPARE(form.MemoConsole->toPlainText(), memoText);
    }

    void theButtonsSendWithTheIdLastStored() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console");
        TMainForm& form = fixture.OpenOnScreens();
        form.TabbedNotebook1->setPageIndex(1); // the extension scan reuses the console's record
        fixture.client.ClearCalls();
        form.ButtonESC->click();
        QCOMPARE(fixture.client.Exchanges().front().extensionId, ConsoleExtensionId); // the scan's last ID
    }

    void theMissingExtensionRefusesThePage_data() {
        QTest::addColumn<int>("fromPage");
        QTest::addRow("from Connections") << 0;
        QTest::addRow("from Extensions") << 1;
    }

    void theMissingExtensionRefusesThePage() {
        QFETCH(int, fromPage);
        ConsoleFixture fixture(false);
        TMainForm& form = fixture.Open();
        form.TabbedNotebook1->setPageIndex(fromPage);
        form.ListBoxNCPExtensions->addItem(QStringLiteral("stale line"));
        int ticksDuringBox = 0;
        fixture.boxes.whileOpen = [&] {
            const int before = fixture.client.CallCount("GetNCPExtensionInfoByName");
            form.TimerScreenUpdate->setInterval(1);
            // A loaded machine may hold the process off for longer than a few intervals: wait for the tick.
            QVERIFY(QTest::qWaitFor(
                [&] { return fixture.client.CallCount("GetNCPExtensionInfoByName") > before; }, 5000));
            form.TimerScreenUpdate->setInterval(TMainForm::ScreenRefreshMilliseconds);
            ticksDuringBox = fixture.client.CallCount("GetNCPExtensionInfoByName") - before;
        };
        QTest::mouseClick(form.TabbedNotebook1->tabBar(), Qt::LeftButton, {},
                          form.TabbedNotebook1->tabBar()->tabRect(2).center());

        QCOMPARE(fixture.boxes.texts(), QStringList{"NCP Extensions not loaded. Load QVEXT.NLM, first"});
        QCOMPARE(fixture.boxes.boxes()[0].caption, QStringLiteral("Fehler"));
        QCOMPARE(form.TabbedNotebook1->pageIndex(), fromPage);
        QCOMPARE(form.TabbedNotebook1->tabBar()->currentIndex(), fromPage);
        QCOMPARE(form.ListBoxNCPExtensions->count(), 1);
        QCOMPARE(form.ListBoxNCPExtensions->item(0)->text(), QStringLiteral("DSLOADER Rev 1.0.0"));
        QVERIFY(ticksDuringBox > 0);
    }

    // The refusal keeps its words; when the extension is not what is missing, the line below says what is.
    void theRefusalSaysWhatIsReallyMissing_data() {
        QTest::addColumn<uint>("lookupStatus");
        QTest::addColumn<QString>("detail");
        QTest::addRow("the extension is missing") << 0x89FEu << "";
        QTest::addRow("the connection is lost") << 0x8801u
                                                << "The connection to FS5 is lost, so the extension could "
                                                   "not be asked for. Choose FS5 again in the "
                                                   "server list, or press F5 (Reconnect), to connect again";
        QTest::addRow("nobody is logged in")
            << 0x897Du
            << "Nobody is logged in on the connection to FS5, and FS5 answers console requests only after a "
               "login: use Log in as… in the server list's menu";
        QTest::addRow("no console rights")
            << 0x89C6u
            << "The user on FS5 has no console operator rights: log in as a console operator with Log in as… "
               "in the server list's menu";
    }

    void theRefusalSaysWhatIsReallyMissing() {
        QFETCH(uint, lookupStatus);
        QFETCH(QString, detail);
        ConsoleFixture fixture;
        fixture.client.FailAlways("GetNCPExtensionInfoByName", lookupStatus);
        TMainForm& form = fixture.Open();
        QTest::mouseClick(form.TabbedNotebook1->tabBar(), Qt::LeftButton, {},
                          form.TabbedNotebook1->tabBar()->tabRect(2).center());
        QCOMPARE(fixture.boxes.texts(), QStringList{"NCP Extensions not loaded. Load QVEXT.NLM, first"});
        QCOMPARE(fixture.boxes.boxes()[0].detail, detail);
        QCOMPARE(form.TabbedNotebook1->pageIndex(), 0);
    }

    // However the page is reached, typing goes to Input at once.
    void enteringThePagePutsTheKeyboardInInput_data() {
        QTest::addColumn<QString>("route");
        QTest::addRow("click on the tab") << "click";
        QTest::addRow("Alt+S") << "accelerator";
        QTest::addRow("arrow key on the tab row") << "arrow";
        QTest::addRow("from code") << "code";
    }

    void enteringThePagePutsTheKeyboardInInput() {
        QFETCH(QString, route);
        ConsoleFixture fixture;
        TMainForm& form = fixture.Open();
        fixture.Activate();
        QTabBar* tabs = form.TabbedNotebook1->tabBar();
        form.TabbedNotebook1->setPageIndex(1);
        form.EditNLMName->setFocus();
        if (route == QStringLiteral("click"))
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
        else if (route == QStringLiteral("accelerator"))
            QTest::keyClick(&form, Qt::Key_S, Qt::AltModifier);
        else if (route == QStringLiteral("arrow")) {
            tabs->setFocus();
            QTest::keyClick(tabs, Qt::Key_Right);
        } else
            form.TabbedNotebook1->setPageIndex(2);
        QCOMPARE(form.TabbedNotebook1->pageIndex(), 2);
        QTRY_COMPARE(QApplication::focusWidget(), form.EditKey);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
        QTRY_VERIFY(fixture.client.CallCount("NCPExtensionRequest") > 0);
    }

    // The console's black text on a background of its own, whatever the desktop's palette.
    void theConsoleStaysReadableUnderADarkPalette() {
        const QPalette before = QApplication::palette();
        QPalette dark = before;
        for (const auto& [role, colour] : {std::pair{QPalette::Window, QColor(0x2b, 0x2b, 0x2b)},
                                           std::pair{QPalette::Base, QColor(0x1e, 0x1e, 0x1e)},
                                           std::pair{QPalette::Text, QColor(0xe0, 0xe0, 0xe0)},
                                           std::pair{QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0)}})
            dark.setColor(role, colour);
        QApplication::setPalette(dark);
        ConsoleFixture fixture;
        TMainForm& form = fixture.OpenOnScreens();
        const QImage shot = form.MemoConsole->viewport()->grab().toImage();
        QApplication::setPalette(before);
        const QColor background = shot.pixelColor(shot.width() - 3, shot.height() - 3);
        const QColor text = form.MemoConsole->palette().color(QPalette::Text);
        QCOMPARE(text, QColor(Qt::black));
        const auto luminance = [](const QColor& colour) {
            const auto channel = [](double value) {
                return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
                   0.0722 * channel(colour.blueF());
        };
        const double contrast = (luminance(background) + 0.05) / (luminance(text) + 0.05);
        QVERIFY2(contrast >= 7.0,
                 qPrintable(QStringLiteral("contrast %1:1 on %2").arg(contrast).arg(background.name())));
    }

    void withoutAnyServerThePageIsRefused() {
        WindowFixture fixture;
        TMainForm& form = fixture.Open();
        form.TabbedNotebook1->setPageIndex(2);
        QCOMPARE(fixture.boxes.texts(), QStringList{"NCP Extensions not loaded. Load QVEXT.NLM, first"});
        QCOMPARE(fixture.boxes.boxes()[0].detail,
                 QStringLiteral(
                     "No server is chosen: attach one with Attach a server… in the server list's menu"));
        QCOMPARE(form.TabbedNotebook1->pageIndex(), 0);
        QCOMPARE(fixture.client.CallsNamed("GetNCPExtensionInfoByName").front(),
                 std::string("GetNCPExtensionInfoByName(conn=0,name=QV_EXT)"));
    }

    void reenteringThePageShowsTheFirstScreenAgain() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console", {"one"});
        fixture.console.AddScreen("Monitor", {"two"});
        TMainForm& form = fixture.OpenOnScreens();
        form.RadioGroupScreens->setItemIndex(1);
        form.TabbedNotebook1->setPageIndex(0);
        form.TabbedNotebook1->setPageIndex(2);
        QCOMPARE(form.RadioGroupScreens->itemIndex(), 0);
        QCOMPARE(fixture.Memo().value(0), Padded(QStringLiteral("one")));
    }

    void closingShowsTheFirstScreenThenWritesThePath_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("displays");
        QTest::addRow("second screen selected") << 1 << 1;
        QTest::addRow("first screen selected") << 0 << 0;
    }

    void closingShowsTheFirstScreenThenWritesThePath() {
        QFETCH(int, selected);
        QFETCH(int, displays);
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console");
        fixture.console.AddScreen("Monitor");
        TMainForm& form = fixture.OpenOnScreens();
        form.RadioGroupScreens->setItemIndex(selected);
        fixture.client.ClearCalls();
        QVERIFY(form.close());
        QCOMPARE(ConsoleTrace(fixture.client), displays == 1 ? DisplayTrace(1, 101) : QStringList{});
        QCOMPARE(fixture.console.selectedScreen, 1u);
        QVERIFY(!fixture.SettingsText().empty());
    }

    void openAnsweringNoHandleChangesNothing_data() {
        QTest::addColumn<int>("handle");
        QTest::addRow("-1") << -1;
        QTest::addRow("0") << 0;
    }

    void openAnsweringNoHandleChangesNothing() {
        QFETCH(int, handle);
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console", {"text"});
        fixture.console.openHandleOverride = handle;
        fixture.OpenOnScreens();
        QCOMPARE(fixture.Memo(), InitialMemo);
        QCOMPARE(fixture.client.CallCount("NCPExtensionRequest"), 0);
    }

    void cyclicScreenReferencesEndTheWalk() {
        ConsoleFixture fixture;
        // A broken module: every screen names the first one as its successor, forever.
        fixture.client.ncpResponder = [](std::uint32_t, std::uint32_t,
                                         const std::vector<std::uint8_t>& request, std::uint16_t) {
            std::vector<std::uint8_t> reply(263, 0);
            if (request[0] == 0x19) {
                reply[0] = 5;
                const char name[] = "Loop";
                std::copy(name, name + 4, reply.begin() + 8);
            }
            return RecordingClient::ExtensionReply{0, reply};
        };
        TMainForm& form = fixture.Open();
        form.TabbedNotebook1->setPageIndex(2);
        QCOMPARE(form.RadioGroupScreens->items(), QStringList{"Loop"});
        QVERIFY(fixture.client.CallCount("NCPExtensionRequest") < 20);
    }

    void aConnectionDroppedDuringADisplayKeepsTheRowsRead() {
        ConsoleFixture fixture;
        fixture.console.AddScreen("System Console", Rows("r"));
        auto console = fixture.console.Responder();
        RecordingClient& client = fixture.client;
        fixture.client.ncpResponder = [console, &client](std::uint32_t conn, std::uint32_t id,
                                                         const std::vector<std::uint8_t>& request,
                                                         std::uint16_t capacity) {
            if (request[0] == 0x1C && request[2] == 10)
                client.FailAlways("NCPExtensionRequest", 0x8801); // from the next request on
            return console(conn, id, request, capacity);
        };
        fixture.OpenOnScreens();
        QCOMPARE(fixture.Memo().size(), 15);
        QCOMPARE(fixture.Memo().value(14), Padded(QStringLiteral("r row 14")));
    }
};

QTEST_MAIN(ServerScreenPageTest)
#include "ServerScreenPageTest.moc"
