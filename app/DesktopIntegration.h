#pragma once

#include <QIcon>

#include <string>

// How the program meets the desktop: its application id (the name of its .desktop file, its icon and its
// AppStream entry), its icon, and a clear word when there is no display to open a window on.
namespace Desktop {

inline constexpr const char* ApplicationId = "org.tessaline.Tessaline";

// The program's icon in every size it ships (16 to 256 pixels).
QIcon ProgramIcon();

// Call right before the QApplication is made: until DisplayOpened(), a display that cannot be opened ends
// the program with one line on stderr and exit status 1, instead of the toolkit's abort. The toolkit's
// other messages meanwhile are held back and passed on by DisplayOpened().
void ExpectDisplay(const char* programPath);

// Call right after the QApplication is made: passes held messages on, names the program's .desktop file
// and gives every window the program's icon.
void DisplayOpened();

// The one line said when no display can be opened; display and waylandDisplay are the environment's
// DISPLAY and WAYLAND_DISPLAY (null when unset).
std::string NoDisplayMessage(const std::string& programName, const char* display, const char* waylandDisplay);

} // namespace Desktop
