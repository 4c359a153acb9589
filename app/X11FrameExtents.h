#pragma once

#include <QMargins>

#include <optional>

class QWidget;

// The frame that an X11 window manager has put around a top-level window, as it states it in the
// window's _NET_FRAME_EXTENTS property. Nothing when the window runs on another platform or no window
// manager has said so yet. (The toolkit's own frame margins are cached and can stay empty after the window
// manager has decorated the window.)
std::optional<QMargins> X11FrameExtents(const QWidget& window);

// Whether the program's windows are X11 windows, whose window manager may decorate them after they are shown.
bool OnX11();
