#pragma once

#include "app/consolewindow/ConsoleWindow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QThread;
class ConsoleWorker;

namespace NetClient {
class ServerSession;
}

// The program's console windows: opens them (each with a new session to its server, as the same user), keeps
// which are open, and takes over each closed window's worker thread until it has ended, so that closing a
// window never waits on its server. Which windows were open (server, screen, place, refresh) is written to
// consolewindows.ini in the settings directory when the main window closes, and they open again at the next start
// when the user asked for it there (Reopen, default off).
class ConsoleWindows final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConsoleWindows)

public:
    // A new session to the attached server of that name, not connected yet; null when none is attached.
    using SessionSource =
        std::function<std::unique_ptr<NetClient::ServerSession>(const std::string& serverName)>;

    explicit ConsoleWindows(SessionSource source, QObject* parent = nullptr);
    // Closes the windows still open, then waits for their threads (they give up their waits at once).
    ~ConsoleWindows() override;

    // The program's own, for the main window's ways of opening a console window; null when none.
    static ConsoleWindows* Instance();

    // Opens and shows a window on the server's screen (the first screen when screen is empty, known once the
    // list is read); null when the server is not attached.
    ConsoleWindow* Open(const QString& server, const QString& screen);
    ConsoleWindow* Open(const ConsoleWindowPlace& place);
    QList<ConsoleWindow*> Windows() const;
    // How long a window waits after a failed connect before it tries again (15 s; tests shorten it).
    void SetReconnectPause(std::chrono::milliseconds pause) { reconnectPause_ = pause; }

    // The remembered windows and the Reopen setting, in settingsFile (default: consolewindows.ini in the
    // settings directory).
    void SetSettingsFile(const QString& path) { settingsFile_ = path; }
    bool ReopensAtStart() const;
    void SetReopenAtStart(bool reopen);
    void SaveOpenWindows() const;
    // Opens the remembered windows when Reopen is on; how many opened.
    int ReopenSaved();

private:
    void HandOver(QThread* thread, ConsoleWorker* worker);
    void Reap();

    struct Ending {
        QThread* thread = nullptr;
        ConsoleWorker* worker = nullptr;
    };

    SessionSource source_;
    QString settingsFile_;
    QList<QPointer<ConsoleWindow>> windows_;
    std::vector<Ending> ending_;
    std::chrono::milliseconds reconnectPause_{15000};
};
