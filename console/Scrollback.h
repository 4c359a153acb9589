#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

// The rows that scrolled off the top of a watched console screen, oldest first, up to a bound: when more
// arrive, the oldest go. Rows are kept as the screen's bytes without their trailing blanks (a console row is
// mostly blanks, and short rows stay inside std::string's own storage).
class Scrollback final {
public:
    static constexpr std::size_t DefaultLimit = 10000;

    explicit Scrollback(std::size_t limit = DefaultLimit) : limit_(limit == 0 ? 1 : limit) {}

    // Appends rows in order; answers how many of the oldest rows went to make room.
    std::size_t Append(const std::vector<std::string>& rows);
    void Clear() { rows_.clear(); }

    std::size_t Size() const { return rows_.size(); }
    std::size_t Limit() const { return limit_; }
    // Row index, 0 the oldest kept.
    const std::string& Row(std::size_t index) const { return rows_[index]; }
    // The bytes the rows take beyond the object itself (what a window's history costs).
    std::size_t MemoryBytes() const;

private:
    std::size_t limit_;
    std::deque<std::string> rows_;
};

// A row without its trailing blanks.
std::string TrimmedRow(const std::string& row);
