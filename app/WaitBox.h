#pragma once

#include "netclient/WaitObserver.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QEvent;
class QLabel;
class QWidget;

// What the window does while one of its handlers waits for a server. The handler stays synchronous; while
// it waits, the window's event loop is turned every few milliseconds, so the window keeps painting, and the
// user's input to the window is held back until the handler ends. After ShowAfterMilliseconds a small box
// names the server and the call, counts the seconds and offers "Cancel" (Escape), which ends the exchange at
// once with the time-out's status. A transfer shows its progress in the same box, and Cancel stops it.
//
// Nothing that talks to a server runs inside a wait: the refresh timer's tick is held (RunOutsideWaits) and
// runs right after the handler, and a close of the window asked for during a wait cancels it and closes once
// the handler has ended.
class WaitBox final : public QObject, public NetClient::WaitObserver {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WaitBox)

public:
    static constexpr int ShowAfterMilliseconds = 500;

    // window: the main window, whose input is held back while the box is shown.
    explicit WaitBox(QWidget* window);
    ~WaitBox() override;

    void ExchangeStarted(std::string_view server, std::string_view call) override;
    bool KeepWaiting() override;
    void ExchangeEnded() override;

    // A copy of total bytes to server: its blocks are watched through the file layer until TransferEnded.
    void TransferStarted(const QString& server, std::uint64_t total);
    void TransferEnded();

    // Runs work at once, or, when asked inside a wait, right after the handler that waits has ended. Work
    // held meanwhile is kept once (a second tick of the same timer adds nothing).
    void RunOutsideWaits(const QString& key, std::function<void()> work);
    // Whether a wait is turning the event loop now (a handler is running underneath).
    bool InsideWait() const { return turning_ > 0; }
    // From now on every exchange is given up at once (the window is closing), or no longer (the close was
    // refused).
    void GiveUpAll(bool giveUp);

    // The box, while it is shown (for tests and the window's checks); null otherwise.
    QDialog* Box() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Turn();
    bool Cancelled() const;
    void ShowBox();
    void UpdateBox();
    void HideWhenIdle();
    void RunHeld();
    void ReleaseHeldInput();

    struct HeldWork {
        QString key;
        std::function<void()> work;
    };
    struct HeldInput {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };

    QWidget* window_;
    QPointer<QDialog> box_;
    QLabel* text_ = nullptr;
    QLabel* seconds_ = nullptr;
    QString server_;
    QString call_;
    QElapsedTimer waited_;        // since the exchange (or transfer) began
    QElapsedTimer sinceProgress_; // since the exchange under way began, or a transfer's last block
    QElapsedTimer lastTurn_;      // since the event loop was last turned
    bool exchanging_ = false;
    bool transferring_ = false;
    bool cancelled_ = false; // Cancel pressed: the exchange (or transfer) under way ends
    bool givingUp_ = false;
    int turning_ = 0;
    int handlerLoopLevel_ = 0; // the event loop's nesting in which the waiting handler runs
    std::uint64_t total_ = 0;
    std::uint64_t written_ = 0;
    std::vector<HeldWork> heldWork_;
    std::vector<HeldInput> heldInput_;
};
