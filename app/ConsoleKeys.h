#pragma once

#include <Qt>

#include <cstdint>
#include <optional>

// How the Server Screen page's key field and console text act like a terminal: which keys go to the
// server's console as key words, and how the console text is zoomed. Plain routines, so the table is tested
// without a window.

// The key word a key sends when pressed in the key field: Enter CR (0x000D), Backspace the server's
// backspace (0x0008), Escape ESC (0x001B), cursor up and down 0x4800 and 0x5000, as the page's buttons
// send them. Nothing for other keys, or with Ctrl, Alt, Shift or Meta held.
std::optional<std::uint16_t> ConsoleKeyWord(int key, Qt::KeyboardModifiers modifiers);

enum class ZoomStep { In, Out, Reset };

// The console text's height in pixels: 9 at the start and after a reset, one pixel per step within 6 to 36.
inline constexpr int ConsoleDefaultPixelSize = 9;
inline constexpr int ConsoleSmallestPixelSize = 6;
inline constexpr int ConsoleLargestPixelSize = 36;
int ZoomedPixelSize(int currentPixelSize, ZoomStep step);

// Ctrl with plus (or '=', plus's unshifted key), minus or 0, on the main keys or the keypad.
std::optional<ZoomStep> ZoomStepForKey(int key, Qt::KeyboardModifiers modifiers);

// Ctrl with the mouse wheel: away from the user zooms in.
std::optional<ZoomStep> ZoomStepForWheel(int verticalAngleDelta, Qt::KeyboardModifiers modifiers);
