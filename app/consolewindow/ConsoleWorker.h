#pragma once

#include "console/ConsoleReader.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QTimer;
class SessionConsoleChannel;

namespace NetClient {
class ServerSession;
}

// The network side of one console window, living on the window's own thread: a connection of its own to
// the server (as the same user, with the password held for the session), over which it reads the watched
// screen at the window's pace and at once after each key, and sends keys and clears. It hands each screen
// read to the window through a queued signal; nothing of it ever runs on the window's thread, so a slow
// server or another window's traffic never stops a window.
//
// A lost connection is told once; the worker connects again by itself at most once every ReconnectPause.
// Stop (from any thread) makes it give up whatever it waits for and end its thread.
class ConsoleWorker final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConsoleWorker)

public:
    static constexpr std::chrono::milliseconds ReconnectPause{15000};

    ConsoleWorker(std::unique_ptr<NetClient::ServerSession> session, std::string screenName,
                  std::chrono::milliseconds reconnectPause = ReconnectPause);
    ~ConsoleWorker() override;

    // On the worker's thread (the window calls them through queued invocations):
    // Connects and reads, then reads every intervalMilliseconds.
    void Start(int intervalMilliseconds);
    void SetInterval(int intervalMilliseconds);
    void SetScreen(const std::string& screenName);
    // Keys are sent together, then the screen is read once.
    void SendKeys(const std::vector<std::uint16_t>& keyWords);
    void ClearScreen();
    void Refresh();
    // Ends the connection without waiting on the server, then the thread's event loop.
    void Shutdown();

    // From any thread: every wait of the connection gives up at once from now on.
    void Stop() { stopping_->store(true); }

    // The round trips of the connection so far (read on the worker's thread).
    std::uint64_t RoundTrips() const;

Q_SIGNALS:
    // A whole screen: 25 rows of 80 character bytes, top to bottom, and the connection's round trips so far.
    void ScreenRead(const QByteArray& screen, const QString& screenName, quint64 roundTrips);
    void ScreenNamesRead(const QStringList& names);
    // The connection is up (reason empty), or lost or refused, with the reason in words and the time of the
    // next attempt in seconds.
    void ConnectionChanged(bool connected, const QString& reason, int retryInSeconds);
    // A read failed on a connection that stays up (the screen or the console module gone).
    void ReadFailed(const QString& reason);

private:
    bool EnsureConnected();
    void SendPendingKeys();
    QString Reason(std::uint16_t status) const;
    // Seconds until the next connect may be tried.
    int RetrySeconds() const;

    std::unique_ptr<NetClient::ServerSession> session_;
    std::unique_ptr<SessionConsoleChannel> channel_;
    std::unique_ptr<ConsoleReader> reader_;
    std::string screenName_;
    QTimer* timer_ = nullptr;
    std::vector<std::uint16_t> pendingKeys_;
    bool pendingClear_ = false;
    bool flushScheduled_ = false;
    bool connected_ = false;
    bool namesSent_ = false;
    bool attempted_ = false;
    std::chrono::steady_clock::time_point lastAttempt_{};
    std::chrono::milliseconds reconnectPause_;
    std::shared_ptr<std::atomic<bool>> stopping_ = std::make_shared<std::atomic<bool>>(false);
};
