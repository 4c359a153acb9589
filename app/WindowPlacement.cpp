#include "app/WindowPlacement.h"

#include "app/X11FrameExtents.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

WindowPlace CentredPlace(QSize outerSize, QMargins frame, QRect available) {
    const QPoint centred = available.topLeft() + QPoint((available.width() - outerSize.width()) / 2,
                                                        (available.height() - outerSize.height()) / 2);
    const QPoint inReach(std::max(centred.x(), available.left()), std::max(centred.y(), available.top()));
    const QSize client(outerSize.width() - frame.left() - frame.right(),
                       outerSize.height() - frame.top() - frame.bottom());
    return {inReach, client};
}

namespace {
QMargins FrameOf(const QWidget& window) {
    if (const std::optional<QMargins> stated = X11FrameExtents(window))
        return *stated;
    const QRect outer = window.frameGeometry();
    const QRect client = window.geometry();
    const QMargins frame(client.left() - outer.left(), client.top() - outer.top(),
                         outer.right() - client.right(), outer.bottom() - client.bottom());
    // While the window manager reparents the window the toolkit may see a frame smaller than the client
    // area: no frame known yet, rather than a window twice its size.
    if (frame.left() < 0 || frame.top() < 0 || frame.right() < 0 || frame.bottom() < 0)
        return {};
    return frame;
}
} // namespace

OuterSizePlacement::OuterSizePlacement(QWidget* window, QSize outerSize)
    : QObject(window), window_(window), outerSize_(outerSize) {
    window_->installEventFilter(this);
    framePoll_.setInterval(FramePollMilliseconds);
    connect(&framePoll_, &QTimer::timeout, this, &OuterSizePlacement::lookForFrame);
}

bool OuterSizePlacement::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        if (!placed_) {
            place(FrameOf(*window_));
            // Elsewhere the frame, if any, is known when the window is shown.
            if (OnX11())
                framePoll_.start();
        }
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::ActivationChange:
        lookForFrame();
        break;
    default:
        break;
    }
    return false;
}

void OuterSizePlacement::lookForFrame() {
    // The frame shows in no event of its own: the window manager only sets a property on the window.
    if (!placed_ || !frameCounted_.isNull() || !window_->isVisible())
        return;
    const QMargins frame = FrameOf(*window_);
    if (frame.isNull()) {
        if (++framePolls_ >= MaxFramePolls)
            framePoll_.stop(); // no window manager: the first placing stands
        return;
    }
    framePoll_.stop();
    place(frame);
}

void OuterSizePlacement::place(QMargins frame) {
    placed_ = true;
    frameCounted_ = frame;
    const QScreen* screen =
        window_->screen() != nullptr ? window_->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const WindowPlace place = CentredPlace(outerSize_, frame, screen->availableGeometry());
    // Placed by its client area: the toolkit's own idea of the frame may still be empty.
    window_->setGeometry(QRect(place.framePosition + QPoint(frame.left(), frame.top()), place.clientSize));
}
