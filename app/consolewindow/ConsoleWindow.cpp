#include "app/consolewindow/ConsoleWindow.h"

#include "app/ConsoleKeys.h"
#include "app/consolewindow/ConsoleView.h"
#include "app/consolewindow/ConsoleWorker.h"
#include "console/ConsoleLookup.h"
#include "netclient/ServerSession.h"
#include "util/DisplayTexts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QShortcut>
#include <QTextBlock>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr std::uint8_t KeyEscape = 27;
constexpr std::uint8_t KeyCarriageReturn = 13;

ConsoleScroll::ScreenLines LinesOf(const QByteArray& bytes) {
    ConsoleScroll::ScreenLines lines;
    for (qsizetype at = 0; at + 80 <= bytes.size(); at += 80)
        lines.emplace_back(bytes.constData() + at, 80);
    return lines;
}

QStringList Shown(const std::vector<std::string>& rows) {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(rows.size()));
    for (const std::string& row : rows)
        lines << RowText(row);
    return lines;
}

QString DefaultChooser(QWidget* parent, const QString& caption, const QString& name) {
    return QFileDialog::getSaveFileName(parent, caption, name);
}

// A file name from the window's title: letters, digits and '-' kept.
QString FileNameFor(const QString& server, const QString& screen, const QString& extension) {
    QString name = server + QLatin1Char('-') + screen;
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != u'-')
            c = u'-';
    return name + extension;
}

} // namespace

ConsoleWindow::ConsoleWindow(const ConsoleWindowPlace& place,
                             std::unique_ptr<NetClient::ServerSession> session,
                             std::chrono::milliseconds reconnectPause, QWidget* parent)
    : QWidget(parent, Qt::Window), server_(place.server), screen_(place.screen),
      refreshMilliseconds_(
          std::clamp(place.refreshMilliseconds, MinimumRefreshMilliseconds, MaximumRefreshMilliseconds)),
      paused_(place.paused), chooseFile_(&DefaultChooser) {
    setAttribute(Qt::WA_DeleteOnClose);
    // The main window alone ends the program; console windows close with it.
    setAttribute(Qt::WA_QuitOnClose, false);
    BuildControls(place);
    UpdateTitle();
    state_ = QStringLiteral("Connecting to %1…").arg(server_);
    stateLine_->setText(state_);

    thread_ = new QThread; // handed over when the window goes, see ~ConsoleWindow
    thread_->setObjectName(QStringLiteral("console ") + server_);
    worker_ = new ConsoleWorker(std::move(session), ServerBytes(screen_), reconnectPause);
    worker_->moveToThread(thread_);
    connect(worker_, &ConsoleWorker::ScreenRead, this, &ConsoleWindow::ScreenArrived);
    connect(worker_, &ConsoleWorker::ScreenNamesRead, this, &ConsoleWindow::NamesArrived);
    connect(worker_, &ConsoleWorker::ConnectionChanged, this, &ConsoleWindow::ConnectionChanged);
    connect(worker_, &ConsoleWorker::ReadFailed, this, [this](const QString& reason) {
        state_ = QStringLiteral("Cannot read %1: %2").arg(screen_, reason);
        stateLine_->setText(state_);
    });
    thread_->start();
    const int interval = EffectiveRefreshMilliseconds();
    ToWorker([interval](ConsoleWorker& worker) { worker.Start(interval); });
    if (!place.geometry.isEmpty())
        restoreGeometry(place.geometry);
}

ConsoleWindow::~ConsoleWindow() {
    StopLog();
    // Whatever the worker waits for is given up; its thread ends by itself, away from this one.
    worker_->Stop();
    ToWorker([](ConsoleWorker& worker) { worker.Shutdown(); });
    if (handOver_) {
        handOver_(thread_, worker_);
    } else {
        thread_->wait();
        delete worker_;
        delete thread_;
    }
}

void ConsoleWindow::ToWorker(std::function<void(ConsoleWorker&)> call) {
    ConsoleWorker* worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker, call = std::move(call)] { call(*worker); }, Qt::QueuedConnection);
}

void ConsoleWindow::BuildControls(const ConsoleWindowPlace& place) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QStringLiteral("ConsoleToolBar"));
    toolbar_->setFocusPolicy(Qt::NoFocus);
    screens_ = new QComboBox(toolbar_);
    screens_->setObjectName(QStringLiteral("ConsoleScreens"));
    screens_->setToolTip(QStringLiteral("The server's screen to watch"));
    screens_->addItem(screen_);
    screens_->setFocusPolicy(Qt::NoFocus);
    connect(screens_, &QComboBox::textActivated, this, &ConsoleWindow::ChooseScreen);
    toolbar_->addWidget(screens_);
    toolbar_->addSeparator();
    const auto addKey = [this](const QString& text, const QString& tip, std::uint16_t keyWord) {
        QAction* action = toolbar_->addAction(text, this, [this, keyWord] { SendKey(keyWord); });
        action->setToolTip(tip);
        action->setObjectName(QStringLiteral("Console") + text);
    };
    addKey(QStringLiteral("ESC"), QStringLiteral("Send Escape"), MakeKeyWord(KeyEscape, 0));
    addKey(QStringLiteral("CR"), QStringLiteral("Send Carriage Return"), MakeKeyWord(KeyCarriageReturn, 0));
    QAction* cls = toolbar_->addAction(QStringLiteral("CLS"), this, &ConsoleWindow::ClearServerScreen);
    cls->setToolTip(QStringLiteral("Clear the server screen"));
    cls->setObjectName(QStringLiteral("ConsoleCLS"));
    addKey(QStringLiteral("↑"), QStringLiteral("Send cursor up"), MakeKeyWord(0, ScanCodeCursorUp));
    addKey(QStringLiteral("↓"), QStringLiteral("Send cursor down"), MakeKeyWord(0, ScanCodeCursorDown));
    toolbar_->addSeparator();

    interval_ = new QDoubleSpinBox(toolbar_);
    interval_->setObjectName(QStringLiteral("ConsoleRefresh"));
    interval_->setToolTip(QStringLiteral("Seconds between refreshes"));
    interval_->setRange(MinimumRefreshMilliseconds / 1000.0, MaximumRefreshMilliseconds / 1000.0);
    interval_->setSingleStep(0.25);
    interval_->setDecimals(2);
    interval_->setSuffix(QStringLiteral(" s"));
    interval_->setValue(refreshMilliseconds_ / 1000.0);
    interval_->setFocusPolicy(Qt::ClickFocus);
    connect(interval_, &QDoubleSpinBox::valueChanged, this,
            [this](double seconds) { SetRefreshMilliseconds(static_cast<int>(seconds * 1000.0 + 0.5)); });
    toolbar_->addWidget(interval_);
    pause_ = toolbar_->addAction(QStringLiteral("Pause"));
    pause_->setObjectName(QStringLiteral("ConsolePause"));
    pause_->setCheckable(true);
    pause_->setChecked(place.paused);
    pause_->setToolTip(QStringLiteral("Refresh only every 10 seconds"));
    connect(pause_, &QAction::toggled, this, &ConsoleWindow::SetPaused);
    toolbar_->addSeparator();

    // The text's own actions live in a menu, so that the toolbar keeps to the keys and the refresh.
    menu_ = new QMenuBar(this);
    QMenu* consoleMenu = menu_->addMenu(QStringLiteral("&Console"));
    QAction* find = consoleMenu->addAction(QStringLiteral("&Find…"), this, [this] { ShowSearchBar(true); });
    find->setShortcut(QKeySequence::Find);
    QAction* copy = consoleMenu->addAction(QStringLiteral("&Copy"), this, &ConsoleWindow::CopyScreen);
    copy->setToolTip(QStringLiteral("Copy the selection, or the whole screen, as text"));
    consoleMenu->addSeparator();
    QAction* save =
        consoleMenu->addAction(QStringLiteral("&Save screen as…"), this, &ConsoleWindow::AskForSaveFile);
    save->setShortcut(QKeySequence::Save);
    logAction_ = consoleMenu->addAction(QStringLiteral("&Log to file…"), this, &ConsoleWindow::AskForLogFile);
    logAction_->setObjectName(QStringLiteral("ConsoleLog"));
    logAction_->setCheckable(true);
    consoleMenu->addSeparator();
    consoleMenu->addAction(QStringLiteral("C&lose"), this, &QWidget::close)->setShortcut(QKeySequence::Close);
    column->setMenuBar(menu_);
    for (QAction* action : toolbar_->actions())
        if (QWidget* button = toolbar_->widgetForAction(action))
            button->setFocusPolicy(Qt::NoFocus);
    column->addWidget(toolbar_);

    view_ = new ConsoleView([this](std::uint16_t keyWord) { SendKey(keyWord); }, this);
    view_->setObjectName(QStringLiteral("ConsoleText"));
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(ConsoleDefaultPixelSize + 3);
    view_->setFont(font);
    QPalette palette = view_->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    view_->setPalette(palette);
    view_->setMaximumBlockCount(static_cast<int>(Scrollback::DefaultLimit) + 25);
    column->addWidget(view_, 1);

    searchBar_ = new QWidget(this);
    auto* searchRow = new QHBoxLayout(searchBar_);
    searchRow->setContentsMargins(4, 2, 4, 2);
    searchRow->addWidget(new QLabel(QStringLiteral("Find:"), searchBar_));
    searchField_ = new QLineEdit(searchBar_);
    searchField_->setObjectName(QStringLiteral("ConsoleFindText"));
    searchRow->addWidget(searchField_, 1);
    auto* previous = new QToolButton(searchBar_);
    previous->setText(QStringLiteral("Previous"));
    previous->setObjectName(QStringLiteral("ConsoleFindPrevious"));
    auto* next = new QToolButton(searchBar_);
    next->setText(QStringLiteral("Next"));
    next->setObjectName(QStringLiteral("ConsoleFindNext"));
    searchRow->addWidget(previous);
    searchRow->addWidget(next);
    searchCount_ = new QLabel(searchBar_);
    searchCount_->setObjectName(QStringLiteral("ConsoleFindCount"));
    searchRow->addWidget(searchCount_);
    connect(searchField_, &QLineEdit::textChanged, this, &ConsoleWindow::FindText);
    connect(searchField_, &QLineEdit::returnPressed, this, [this] {
        if (QApplication::keyboardModifiers() & Qt::ShiftModifier)
            FindPrevious();
        else
            FindNext();
    });
    connect(next, &QToolButton::clicked, this, &ConsoleWindow::FindNext);
    connect(previous, &QToolButton::clicked, this, &ConsoleWindow::FindPrevious);
    auto* closeSearch = new QShortcut(QKeySequence(Qt::Key_Escape), searchField_);
    closeSearch->setContext(Qt::WidgetShortcut);
    connect(closeSearch, &QShortcut::activated, this, [this] { ShowSearchBar(false); });
    searchBar_->hide();
    column->addWidget(searchBar_);

    stateLine_ = new QLabel(this);
    stateLine_->setObjectName(QStringLiteral("ConsoleState"));
    stateLine_->setContentsMargins(4, 2, 4, 2);
    column->addWidget(stateLine_);

    view_->setFocus(Qt::OtherFocusReason);
    const QFontMetrics metrics(view_->font());
    resize(metrics.horizontalAdvance(QLatin1Char('M')) * 80 + 40, metrics.lineSpacing() * 25 + 110);
}

void ConsoleWindow::UpdateTitle() {
    setWindowTitle(LiteralWindowTitle(server_ + QStringLiteral(": ") + screen_));
}

int ConsoleWindow::EffectiveRefreshMilliseconds() const {
    if (paused_ || isMinimized())
        return std::max(SlowRefreshMilliseconds, refreshMilliseconds_);
    return refreshMilliseconds_;
}

void ConsoleWindow::UpdateInterval() {
    const int interval = EffectiveRefreshMilliseconds();
    ToWorker([interval](ConsoleWorker& worker) { worker.SetInterval(interval); });
}

void ConsoleWindow::SetRefreshMilliseconds(int milliseconds) {
    refreshMilliseconds_ = std::clamp(milliseconds, MinimumRefreshMilliseconds, MaximumRefreshMilliseconds);
    UpdateInterval();
}

void ConsoleWindow::SetPaused(bool paused) {
    paused_ = paused;
    if (pause_->isChecked() != paused)
        pause_->setChecked(paused);
    UpdateInterval();
}

void ConsoleWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        UpdateInterval();
}

void ConsoleWindow::SendKey(std::uint16_t keyWord) {
    ToWorker([keyWord](ConsoleWorker& worker) { worker.SendKeys({keyWord}); });
}

void ConsoleWindow::ClearServerScreen() {
    ToWorker([](ConsoleWorker& worker) { worker.ClearScreen(); });
}

void ConsoleWindow::ChooseScreen(const QString& screenName) {
    if (screenName == screen_)
        return;
    // Another screen is another console: its rows do not continue this one's scrollback.
    screen_ = screenName;
    detector_.Reset();
    UpdateTitle();
    const std::string name = ServerBytes(screenName);
    ToWorker([name](ConsoleWorker& worker) { worker.SetScreen(name); });
}

void ConsoleWindow::NamesArrived(const QStringList& names) {
    screens_->clear();
    screens_->addItems(names);
    if (!names.contains(screen_))
        screens_->addItem(screen_);
    screens_->setCurrentText(screen_);
}

void ConsoleWindow::ConnectionChanged(bool connected, const QString& reason, int retryInSeconds) {
    if (connected)
        state_ = QStringLiteral("Connected to %1 as its own connection").arg(server_);
    else
        state_ = QStringLiteral("Connection lost: %1 Trying again in %2 s; the last screen stays shown.")
                     .arg(reason)
                     .arg(retryInSeconds);
    stateLine_->setText(state_);
}

QString ConsoleWindow::StateText() const {
    return state_;
}

void ConsoleWindow::ScreenArrived(const QByteArray& bytes, const QString& screenName, quint64 roundTrips) {
    ++readCount_;
    roundTrips_ = roundTrips;
    if (screen_.isEmpty()) {
        screen_ = screenName;
        UpdateTitle();
    }
    if (screenName != screen_)
        return; // read before another screen was chosen
    const ConsoleScroll::ScreenLines screen = LinesOf(bytes);
    const ConsoleScroll::ScreenLines before = detector_.Previous();
    const ConsoleScroll::ScreenChange change = detector_.Feed(screen);
    if (state_.startsWith(QStringLiteral("Cannot read")) || state_.startsWith(QStringLiteral("Connecting"))) {
        state_ = QStringLiteral("Connected to %1 as its own connection").arg(server_);
        stateLine_->setText(state_);
    }
    if (change.kind == ConsoleScroll::ChangeKind::Same)
        return;
    std::vector<std::string> scrolledOut;
    if (change.kind == ConsoleScroll::ChangeKind::Scrolled)
        scrolledOut.assign(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(change.scrolledRows));
    scrollback_.Append(scrolledOut);
    if (change.kind == ConsoleScroll::ChangeKind::Cleared) {
        // What a clear took away never scrolls: the log keeps it all the same.
        std::vector<std::string> cleared;
        for (const std::string& row : before)
            if (!ConsoleScroll::IsBlank(row))
                cleared.push_back(row);
        log_.WriteRows(cleared);
    } else {
        log_.WriteRows(scrolledOut);
    }
    std::vector<std::string> rows(screen.begin(), screen.end());
    view_->ShowScreen(Shown(scrolledOut), Shown(rows));
    if (searchBar_->isVisible() && !search_.Needle().isEmpty())
        FindText(search_.Needle());
    Q_EMIT ScreenShown();
}

void ConsoleWindow::ShowSearchBar(bool shown) {
    searchBar_->setVisible(shown);
    if (shown) {
        searchField_->setFocus(Qt::ShortcutFocusReason);
        searchField_->selectAll();
        FindText(searchField_->text());
    } else {
        search_.Clear();
        Highlight();
        view_->setFocus(Qt::OtherFocusReason);
    }
}

void ConsoleWindow::FindText(const QString& text) {
    const ConsoleSearch::Match* current = search_.Current();
    const int fromLine =
        current != nullptr && search_.Needle() == text ? current->line : view_->document()->blockCount();
    search_.Search(view_->Lines(), text, fromLine);
    Highlight();
}

void ConsoleWindow::FindNext() {
    search_.Next();
    Highlight();
}

void ConsoleWindow::FindPrevious() {
    search_.Previous();
    Highlight();
}

void ConsoleWindow::Highlight() {
    QList<QTextEdit::ExtraSelection> selections;
    const ConsoleSearch::Match* current = search_.Current();
    // Every place found is marked; the view is kept quick by marking at most the first thousand.
    constexpr std::size_t MaxMarked = 1000;
    const auto mark = [&](const ConsoleSearch::Match& match, const QColor& colour) {
        const QTextBlock block = view_->document()->findBlockByNumber(match.line);
        if (!block.isValid())
            return;
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(block);
        selection.cursor.setPosition(block.position() + match.column);
        selection.cursor.setPosition(block.position() + match.column + match.length, QTextCursor::KeepAnchor);
        selection.format.setBackground(colour);
        selections.append(selection);
    };
    for (std::size_t i = 0; i < std::min(search_.Matches().size(), MaxMarked); ++i)
        mark(search_.Matches()[i], QColor(255, 240, 120));
    if (current != nullptr) {
        mark(*current, QColor(255, 150, 50));
        QTextCursor at(view_->document()->findBlockByNumber(current->line));
        at.setPosition(at.position() + current->column);
        view_->setTextCursor(at);
        view_->ensureCursorVisible();
    }
    view_->setExtraSelections(selections);
    if (search_.Needle().isEmpty())
        searchCount_->clear();
    else if (current == nullptr)
        searchCount_->setText(QStringLiteral("not found"));
    else
        searchCount_->setText(
            QStringLiteral("%1 of %2").arg(search_.CurrentIndex() + 1).arg(search_.Matches().size()));
}

void ConsoleWindow::CopyScreen() {
    const QString selected = view_->textCursor().selectedText().replace(QChar(0x2029), QLatin1Char('\n'));
    // The clipboard holds Unicode text; pasted into a file or a terminal it is UTF-8.
    QApplication::clipboard()->setText(selected.isEmpty() ? view_->ScreenLines().join(QLatin1Char('\n'))
                                                          : selected);
}

bool ConsoleWindow::SaveScreenAs(const QString& path, QString& error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        error = file.errorString();
        return false;
    }
    for (const std::string& row : detector_.Previous())
        file.write(RowText(row).toUtf8() + '\n');
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool ConsoleWindow::StartLog(const QString& path, QString& error) {
    StopLog();
    const bool started = log_.Open(path, windowTitle(), error);
    logAction_->setChecked(started);
    logAction_->setToolTip(
        started ? QStringLiteral("Logging to %1; click to stop").arg(path)
                : QStringLiteral("Log every row that scrolls, and the last screen, to a file"));
    return started;
}

void ConsoleWindow::StopLog() {
    if (log_.IsOpen())
        log_.Finish(detector_.Previous());
    if (logAction_ != nullptr)
        logAction_->setChecked(false);
}

void ConsoleWindow::AskForSaveFile() {
    const QString path = chooseFile_(this, QStringLiteral("Save screen as"),
                                     FileNameFor(server_, screen_, QStringLiteral(".txt")));
    QString error;
    if (!path.isEmpty() && !SaveScreenAs(path, error))
        stateLine_->setText(QStringLiteral("Could not save %1: %2").arg(path, error));
}

void ConsoleWindow::AskForLogFile() {
    if (log_.IsOpen()) {
        StopLog();
        return;
    }
    const QString path = chooseFile_(this, QStringLiteral("Log to file"),
                                     FileNameFor(server_, screen_, QStringLiteral(".log")));
    QString error;
    if (path.isEmpty())
        logAction_->setChecked(false);
    else if (!StartLog(path, error))
        stateLine_->setText(QStringLiteral("Could not log to %1: %2").arg(path, error));
}

QMenu* ConsoleWindow::ConsoleMenu() const {
    return menu_->actions().front()->menu();
}

ConsoleWindowPlace ConsoleWindow::Place() const {
    return ConsoleWindowPlace{server_, screen_, refreshMilliseconds_, paused_, saveGeometry()};
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
    StopLog();
    event->accept();
}
