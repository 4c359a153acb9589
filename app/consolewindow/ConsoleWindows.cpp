#include "app/consolewindow/ConsoleWindows.h"

#include "app/consolewindow/ConsoleWorker.h"
#include "netclient/ServerSession.h"
#include "util/Settings.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QSettings>
#include <QThread>

namespace {
ConsoleWindows* program = nullptr;

const QString ReopenKey = QStringLiteral("Reopen");
const QString WindowsGroup = QStringLiteral("Windows");

// How long the end of the program waits for the threads of closed windows: their waits give up at once,
// so this is only a bound for a thread that cannot.
constexpr int ThreadEndMilliseconds = 3000;
} // namespace

ConsoleWindows::ConsoleWindows(SessionSource source, QObject* parent)
    : QObject(parent), source_(std::move(source)),
      settingsFile_(QString::fromStdString(NetUtil::SettingsDirectory()) +
                    QStringLiteral("/consolewindows.ini")) {
    if (program == nullptr)
        program = this;
    // The main window's close ends the program, and the toolkit then closes every other window: which
    // console windows were open is kept before that.
    connect(qApp, &QGuiApplication::lastWindowClosed, this, &ConsoleWindows::SaveOpenWindows);
}

ConsoleWindows::~ConsoleWindows() {
    for (const QPointer<ConsoleWindow>& window : windows_)
        delete window.data();
    const QDeadlineTimer deadline(ThreadEndMilliseconds);
    for (Ending& ending : ending_) {
        // A thread is never destroyed while it runs; one that outlives the bound ends with its exchange's
        // time limit.
        if (!ending.thread->wait(deadline)) {
            qWarning("a console window's thread is still waiting for its server");
            ending.thread->wait();
        }
        delete ending.worker;
        delete ending.thread;
    }
    if (program == this)
        program = nullptr;
}

ConsoleWindows* ConsoleWindows::Instance() {
    return program;
}

ConsoleWindow* ConsoleWindows::Open(const QString& server, const QString& screen) {
    ConsoleWindowPlace place;
    place.server = server;
    place.screen = screen;
    return Open(place);
}

ConsoleWindow* ConsoleWindows::Open(const ConsoleWindowPlace& place) {
    std::unique_ptr<NetClient::ServerSession> session = source_(place.server.toStdString());
    if (!session)
        return nullptr;
    auto* window = new ConsoleWindow(place, std::move(session), reconnectPause_);
    window->SetThreadHandOver([this](QThread* thread, ConsoleWorker* worker) { HandOver(thread, worker); });
    // After Log to file…, before the separator above Close.
    QMenu* menu = window->ConsoleMenu();
    auto* reopen = new QAction(QStringLiteral("&Reopen console windows at start"), menu);
    menu->insertAction(menu->actions().at(menu->actions().size() - 2), reopen);
    reopen->setObjectName(QStringLiteral("ConsoleReopen"));
    reopen->setCheckable(true);
    reopen->setChecked(ReopensAtStart());
    reopen->setToolTip(
        QStringLiteral("Open the console windows that are open when the program ends again at its "
                       "next start"));
    connect(reopen, &QAction::toggled, this, [this](bool on) {
        SetReopenAtStart(on);
        for (ConsoleWindow* other : Windows())
            if (auto* action = other->findChild<QAction*>(QStringLiteral("ConsoleReopen")))
                action->setChecked(on);
    });
    windows_.append(window);
    window->show();
    return window;
}

QList<ConsoleWindow*> ConsoleWindows::Windows() const {
    QList<ConsoleWindow*> open;
    for (const QPointer<ConsoleWindow>& window : windows_)
        if (!window.isNull())
            open.append(window.data());
    return open;
}

void ConsoleWindows::HandOver(QThread* thread, ConsoleWorker* worker) {
    ending_.push_back(Ending{thread, worker});
    connect(thread, &QThread::finished, this, &ConsoleWindows::Reap, Qt::QueuedConnection);
    Reap();
}

void ConsoleWindows::Reap() {
    windows_.removeIf([](const QPointer<ConsoleWindow>& window) { return window.isNull(); });
    std::erase_if(ending_, [](const Ending& ending) {
        if (!ending.thread->isFinished())
            return false;
        delete ending.worker;
        delete ending.thread;
        return true;
    });
}

bool ConsoleWindows::ReopensAtStart() const {
    return QSettings(settingsFile_, QSettings::IniFormat).value(ReopenKey, false).toBool();
}

void ConsoleWindows::SetReopenAtStart(bool reopen) {
    QSettings(settingsFile_, QSettings::IniFormat).setValue(ReopenKey, reopen);
}

void ConsoleWindows::SaveOpenWindows() const {
    // A fresh settings object each time: its error state sticks.
    QSettings settings(settingsFile_, QSettings::IniFormat);
    settings.remove(WindowsGroup);
    settings.beginWriteArray(WindowsGroup);
    int index = 0;
    for (const ConsoleWindow* window : Windows()) {
        const ConsoleWindowPlace place = window->Place();
        settings.setArrayIndex(index++);
        settings.setValue(QStringLiteral("Server"), place.server);
        settings.setValue(QStringLiteral("Screen"), place.screen);
        settings.setValue(QStringLiteral("Refresh"), place.refreshMilliseconds);
        settings.setValue(QStringLiteral("Paused"), place.paused);
        settings.setValue(QStringLiteral("Geometry"), place.geometry);
    }
    settings.endArray();
}

int ConsoleWindows::ReopenSaved() {
    if (!ReopensAtStart())
        return 0;
    std::vector<ConsoleWindowPlace> places;
    {
        QSettings settings(settingsFile_, QSettings::IniFormat);
        const int count = settings.beginReadArray(WindowsGroup);
        for (int i = 0; i < count; ++i) {
            settings.setArrayIndex(i);
            ConsoleWindowPlace place;
            place.server = settings.value(QStringLiteral("Server")).toString();
            place.screen = settings.value(QStringLiteral("Screen")).toString();
            place.refreshMilliseconds = settings.value(QStringLiteral("Refresh"), 1000).toInt();
            place.paused = settings.value(QStringLiteral("Paused"), false).toBool();
            place.geometry = settings.value(QStringLiteral("Geometry")).toByteArray();
            places.push_back(place);
        }
        settings.endArray();
    }
    int opened = 0;
    for (const ConsoleWindowPlace& place : places)
        if (!place.server.isEmpty() && Open(place) != nullptr)
            ++opened;
    return opened;
}
