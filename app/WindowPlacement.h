#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QTimer>

class QWidget;

// Where a window of a given outer size (its frame included) goes on the screen: its frame centred on the
// available area, or at that area's top-left corner where the window is the larger, so that its title bar
// stays in reach; its client area is the outer size less the frame.
struct WindowPlace {
    QPoint framePosition;
    QSize clientSize;
    bool operator==(const WindowPlace&) const = default;
};
WindowPlace CentredPlace(QSize outerSize, QMargins frame, QRect available);

// Gives a top-level window its outer size and centres it by its frame when it is first shown. The window
// manager's frame is known only after it has decorated the shown window, so for a short while after showing
// the window looks for a frame, and is placed again once when one appears that the first placing did not
// count. Moves and resizes by the user are left alone.
class OuterSizePlacement final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OuterSizePlacement)

public:
    OuterSizePlacement(QWidget* window, QSize outerSize);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place(QMargins frame);
    void lookForFrame();

    // How long after showing the window a frame is looked for: 10 s, for a busy window manager.
    static constexpr int FramePollMilliseconds = 40;
    static constexpr int MaxFramePolls = 250;

    QWidget* window_ = nullptr;
    QSize outerSize_;
    bool placed_ = false;
    QMargins frameCounted_;
    QTimer framePoll_;
    int framePolls_ = 0;
};
