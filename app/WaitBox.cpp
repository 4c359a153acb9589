#include "app/WaitBox.h"

#include "util/PlatformFileSystem.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// How often a handler's end is looked for while it shows a message box of its own.
constexpr int HandlerEndPollMilliseconds = 20;
// How often a transfer turns the event loop: its blocks come far faster than a window needs to paint.
constexpr qint64 TransferTurnMilliseconds = 10;

// The user's input, which waits while a handler waits.
bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

QString Bytes(std::uint64_t count) {
    return QStringLiteral("%1 MiB").arg(static_cast<double>(count) / (1024.0 * 1024.0), 0, 'f', 1);
}

} // namespace

WaitBox::WaitBox(QWidget* window) : QObject(window), window_(window) {}

WaitBox::~WaitBox() {
    if (transferring_)
        Platform::WatchWrites({});
    QApplication::instance()->removeEventFilter(this);
}

QDialog* WaitBox::Box() const {
    return box_ != nullptr && box_->isVisible() ? box_.data() : nullptr;
}

void WaitBox::ExchangeStarted(std::string_view server, std::string_view call) {
    if (!exchanging_ && !transferring_ && !InsideWait())
        handlerLoopLevel_ = QThread::currentThread()->loopLevel();
    exchanging_ = true;
    sinceProgress_.start();
    if (transferring_)
        return; // the box goes on telling the transfer
    cancelled_ = false;
    server_ = QString::fromLatin1(server.data(), static_cast<qsizetype>(server.size()));
    call_ = QString::fromLatin1(call.data(), static_cast<qsizetype>(call.size()));
    waited_.start();
    if (Box() != nullptr)
        UpdateBox();
}

bool WaitBox::KeepWaiting() {
    if (!Cancelled())
        Turn();
    return !Cancelled();
}

bool WaitBox::Cancelled() const {
    // A transfer cancelled between blocks stops at the next one, which leaves the connection in order and
    // the server's temporary file removable; only an exchange that hangs is given up under it (its writes
    // are the file layer's, which the client does not announce, so a hang is a pause between blocks).
    return givingUp_ || (cancelled_ && (!transferring_ || sinceProgress_.elapsed() >= ShowAfterMilliseconds));
}

void WaitBox::ExchangeEnded() {
    exchanging_ = false;
    // Once the handler has ended (the next turn of the event loop outside a wait) the box goes and what was
    // held runs.
    QTimer::singleShot(0, this, &WaitBox::HideWhenIdle);
}

void WaitBox::TransferStarted(const QString& server, std::uint64_t total) {
    handlerLoopLevel_ = QThread::currentThread()->loopLevel();
    transferring_ = true;
    cancelled_ = false;
    server_ = server;
    call_ = QStringLiteral("CopyFile");
    total_ = total;
    written_ = 0;
    waited_.start();
    lastTurn_.start();
    sinceProgress_.start();
    Platform::WatchWrites([this](std::size_t size) {
        written_ += size;
        sinceProgress_.start();
        if (lastTurn_.elapsed() >= TransferTurnMilliseconds)
            Turn();
        return !cancelled_ && !givingUp_;
    });
}

void WaitBox::TransferEnded() {
    Platform::WatchWrites({});
    transferring_ = false;
    QTimer::singleShot(0, this, &WaitBox::HideWhenIdle);
}

void WaitBox::RunOutsideWaits(const QString& key, std::function<void()> work) {
    if (!InsideWait()) {
        work();
        return;
    }
    for (const HeldWork& held : heldWork_)
        if (held.key == key)
            return;
    heldWork_.push_back(HeldWork{key, std::move(work)});
}

void WaitBox::GiveUpAll(bool giveUp) {
    givingUp_ = giveUp;
}

void WaitBox::Turn() {
    if (waited_.elapsed() >= ShowAfterMilliseconds && Box() == nullptr && !givingUp_)
        ShowBox();
    if (Box() != nullptr)
        UpdateBox();
    ++turning_;
    // Before the box, the window's input stays in the queue; with the box, the box takes input and the
    // window's is held back by the filter.
    QCoreApplication::processEvents(Box() != nullptr ? QEventLoop::AllEvents
                                                     : QEventLoop::ExcludeUserInputEvents);
    --turning_;
    lastTurn_.start();
}

void WaitBox::ShowBox() {
    if (box_ == nullptr) {
        box_ = new QDialog(window_);
        box_->setObjectName(QStringLiteral("WaitBox"));
        box_->setWindowTitle(QStringLiteral("Tessaline"));
        auto* column = new QVBoxLayout(box_);
        text_ = new QLabel(box_);
        text_->setObjectName(QStringLiteral("WaitText"));
        seconds_ = new QLabel(box_);
        seconds_->setObjectName(QStringLiteral("WaitSeconds"));
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), box_);
        cancel->setObjectName(QStringLiteral("WaitCancel"));
        cancel->setDefault(true);
        auto* row = new QHBoxLayout;
        row->addStretch();
        row->addWidget(cancel);
        column->addWidget(text_);
        column->addWidget(seconds_);
        column->addLayout(row);
        connect(cancel, &QPushButton::clicked, box_, &QDialog::reject);
        // Escape, the button and the box's own close all cancel.
        connect(box_, &QDialog::rejected, this, [this] { cancelled_ = true; });
    }
    UpdateBox();
    QApplication::instance()->installEventFilter(this);
    box_->show();
    box_->raise();
    box_->activateWindow();
}

void WaitBox::UpdateBox() {
    const qint64 seconds = waited_.elapsed() / 1000;
    if (transferring_) {
        text_->setText(QStringLiteral("Copying to %1").arg(server_));
        const double rate = waited_.elapsed() > 0 ? static_cast<double>(written_) * 1000.0 /
                                                        static_cast<double>(waited_.elapsed())
                                                  : 0.0;
        seconds_->setText(QStringLiteral("%1 of %2, %3/s, %4 s")
                              .arg(Bytes(written_), Bytes(total_), Bytes(static_cast<std::uint64_t>(rate)))
                              .arg(seconds));
        return;
    }
    text_->setText(QStringLiteral("Waiting for %1: %2").arg(server_, call_));
    seconds_->setText(QStringLiteral("%1 s").arg(seconds));
}

void WaitBox::HideWhenIdle() {
    if (exchanging_ || transferring_ || InsideWait())
        return; // a later end of an exchange asks again
    if (box_ != nullptr)
        box_->hide();
    QApplication::instance()->removeEventFilter(this);
    // The handler may still be running, in a message box of its own: what was held waits for its end.
    if (QThread::currentThread()->loopLevel() > handlerLoopLevel_) {
        QTimer::singleShot(HandlerEndPollMilliseconds, this, &WaitBox::HideWhenIdle);
        return;
    }
    ReleaseHeldInput();
    RunHeld();
}

void WaitBox::RunHeld() {
    std::vector<HeldWork> held;
    held.swap(heldWork_);
    for (HeldWork& work : held)
        work.work();
}

void WaitBox::ReleaseHeldInput() {
    std::vector<HeldInput> held;
    held.swap(heldInput_);
    for (HeldInput& input : held)
        if (input.receiver != nullptr)
            QCoreApplication::postEvent(input.receiver, input.event.release());
}

bool WaitBox::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()) || Box() == nullptr)
        return false;
    // Input reaches the window through its QWindow first; what goes to the box passes.
    const bool toWindow = watched == window_->windowHandle() ||
                          (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == window_);
    if (!toWindow)
        return false;
    heldInput_.push_back(HeldInput{watched, std::unique_ptr<QEvent>(event->clone())});
    return true;
}
