#include "console/ScrollDetection.h"

#include <algorithm>

namespace ConsoleScroll {

bool IsBlank(const std::string& row) {
    return std::all_of(row.begin(), row.end(), [](char c) { return c == ' ' || c == '\0'; });
}

namespace {

std::size_t NonBlankRows(const ScreenLines& lines) {
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [](const std::string& row) { return !IsBlank(row); }));
}

// Whether current is previous moved up by shift rows (see ScrollDetector).
bool ShiftedBy(const ScreenLines& previous, const ScreenLines& current, std::size_t shift) {
    const std::size_t height = previous.size();
    bool anyText = false;
    for (std::size_t row = shift; row + 1 < height; ++row) {
        if (previous[row] != current[row - shift])
            return false;
        anyText = anyText || !IsBlank(previous[row]);
    }
    // The old last row counts when it arrived unchanged.
    const std::string& last = previous[height - 1];
    anyText = anyText || (!IsBlank(last) && last == current[height - 1 - shift]);
    return anyText;
}

// Whether a text row of previous, but its last (the prompt, which a console shows again), is in current.
bool SharesARow(const ScreenLines& previous, const ScreenLines& current) {
    return std::any_of(previous.begin(), previous.end() - 1, [&](const std::string& row) {
        return !IsBlank(row) && std::find(current.begin(), current.end(), row) != current.end();
    });
}

} // namespace

ScreenChange ScrollDetector::Compare(const ScreenLines& previous, const ScreenLines& current) {
    if (previous == current)
        return {ChangeKind::Same, 0};
    if (previous.size() != current.size() || previous.empty())
        return {ChangeKind::Redrawn, 0};
    if (NonBlankRows(current) <= 1 && NonBlankRows(previous) > 1)
        return {ChangeKind::Cleared, 0};
    for (std::size_t shift = 1; shift < previous.size(); ++shift)
        if (ShiftedBy(previous, current, shift))
            return {ChangeKind::Scrolled, shift};
    if (scrolls_ && NonBlankRows(previous) > 0 && !SharesARow(previous, current))
        return {ChangeKind::Scrolled, previous.size()};
    return {ChangeKind::Redrawn, 0};
}

ScreenChange ScrollDetector::Feed(const ScreenLines& current) {
    const ScreenChange change =
        previous_.empty() ? ScreenChange{ChangeKind::Redrawn, 0} : Compare(previous_, current);
    if (change.kind == ChangeKind::Scrolled)
        scrolls_ = true;
    previous_ = current;
    return change;
}

void ScrollDetector::Reset() {
    previous_.clear();
    scrolls_ = false;
}

} // namespace ConsoleScroll
