#include "console/ScreenScroll.h"

#include <algorithm>

namespace NCP_Ext {

std::size_t CompleteRows(const std::vector<std::string>& rows) {
    const auto lastText =
        std::find_if(rows.rbegin(), rows.rend(), [](const std::string& row) { return !row.empty(); });
    const auto withText = static_cast<std::size_t>(rows.rend() - lastText);
    return withText == 0 ? 0 : withText - 1;
}

std::size_t ScrollShift(const std::vector<std::string>& before, const std::vector<std::string>& after,
                        std::size_t completeRows) {
    completeRows = std::min(completeRows, before.size());
    for (std::size_t shift = 0; shift < completeRows; ++shift) {
        const std::size_t kept = completeRows - shift;
        if (kept <= after.size() &&
            std::equal(before.begin() + static_cast<std::ptrdiff_t>(shift),
                       before.begin() + static_cast<std::ptrdiff_t>(completeRows), after.begin()))
            return shift;
    }
    return completeRows;
}

std::vector<std::string> NewLineTracker::Follow(const std::vector<std::string>& rows) {
    std::size_t next = 0;
    if (!previous_.empty()) {
        const std::size_t shift = ScrollShift(previous_, rows, CompleteRows(previous_));
        next = next_ > shift ? next_ - shift : 0;
    }
    const std::size_t complete = CompleteRows(rows);
    std::vector<std::string> fresh;
    for (std::size_t row = next; row < complete; ++row)
        fresh.push_back(rows[row]);
    previous_ = rows;
    next_ = std::max(next, complete);
    return fresh;
}

} // namespace NCP_Ext
