#pragma once

#include "netclient/ParallelAttach.h"
#include "netclient/Passwords.h"

#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <chrono>

class QPushButton;
class QTableWidget;

// The small window that shows the servers of the attachments file being attached, before the main window
// opens: each server's name, address, what it is doing and the seconds so far. Skip leaves the chosen
// server out; Continue (or closing the window) goes on with the servers attached so far. It watches a
// ParallelAttach through a queued signal and asks the passwords on this, the window's, thread; it shows
// itself only when the servers are not all done within ShowDelay.
// Object names for tests: "StartupWindow", "ServerTable", "SkipButton", "ContinueButton".
class StartupWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartupWindow)

public:
    static constexpr std::chrono::milliseconds ShowDelay{100};

    StartupWindow(NetClient::ParallelAttach& run, NetClient::PasswordSource& passwords,
                  QWidget* parent = nullptr);
    ~StartupWindow() override;

    // Starts the run and returns when every server has ended, or Continue was chosen.
    void Run();

Q_SIGNALS:
    // Emitted on the run's threads; delivered queued.
    void RunChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Update();
    void Refresh();
    void SkipChosen();

    NetClient::ParallelAttach& run_;
    NetClient::PasswordSource& passwords_;
    QTableWidget* table_ = nullptr;
    QPushButton* skip_ = nullptr;
    QPushButton* continue_ = nullptr;
    QTimer clock_;
    QEventLoop loop_;
};

// The program's way of waiting for the start-up's attach (NetworkStartup::Settings::waitForAttach).
void WaitWithStartupWindow(NetClient::ParallelAttach& run, NetClient::PasswordSource& passwords);
