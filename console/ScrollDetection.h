#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Tells from two successive reads of a console screen whether the screen scrolled up, and by how many rows,
// so that the rows that left its top can be kept (a console window's scrollback, the command line's watch).
namespace ConsoleScroll {

// The rows of one screen read, top to bottom: 80 character bytes each (code page 437, 0 read as a space).
using ScreenLines = std::vector<std::string>;

enum class ChangeKind {
    Same,     // nothing changed
    Scrolled, // the rows moved up by scrolledRows; the new rows came in at the bottom
    Cleared,  // the screen was emptied (at most one row left, a prompt): nothing scrolled
    Redrawn,  // changed in place, or into something that is not the old screen moved up
};

struct ScreenChange {
    ChangeKind kind = ChangeKind::Same;
    std::size_t scrolledRows = 0; // 1 to the screen's height when kind is Scrolled
};

// Compares each screen read with the one before it. A scroll by s rows shows as the old rows s and below,
// except the old last row (the line being typed may have changed before it moved up), standing at the top
// of the new screen, with at least one of them not blank; the smallest such s is taken. A screen that has
// scrolled before and now shares no row with the previous read has scrolled by a whole screen or more
// (the rows beyond one screen were never seen); a screen that never scrolled is taken as redrawn.
class ScrollDetector final {
public:
    ScreenChange Compare(const ScreenLines& previous, const ScreenLines& current);

    // Compare with the previous screen given to Feed, which the detector keeps. The first screen is Redrawn.
    ScreenChange Feed(const ScreenLines& current);
    const ScreenLines& Previous() const { return previous_; }
    // Forgets the previous screen and whether the screen scrolls (another screen is watched).
    void Reset();

private:
    ScreenLines previous_;
    bool scrolls_ = false;
};

// Whether a row holds nothing but blanks.
bool IsBlank(const std::string& row);

} // namespace ConsoleScroll
