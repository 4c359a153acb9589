#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Follows a console screen from one read to the next and tells which of its lines are new, as `tail -f`
// does for a file, for anything that shows a console as a stream of lines (the command-line tool's watch and
// run). A screen is its rows top to bottom as text with trailing blanks removed.
//
// The last row that holds text is the one the console is still writing (its prompt and the line being
// typed), so it is held back until a row below it is written or it scrolls up. Between two reads the screen
// may have scrolled: the shift is the smallest one that keeps every complete row of the earlier read in
// place in the later one; when none fits (the screen was cleared or replaced), every row counts as new.
namespace NCP_Ext {

// How many rows the screen scrolled up between before and after, comparing before's first completeRows
// rows; completeRows when none of them is left.
std::size_t ScrollShift(const std::vector<std::string>& before, const std::vector<std::string>& after,
                        std::size_t completeRows);

// The number of rows up to and including the last one that holds text, minus that one: the rows that are
// complete.
std::size_t CompleteRows(const std::vector<std::string>& rows);

class NewLineTracker final {
public:
    // The rows of this read that were not given out before and are complete: on the first read every
    // complete row.
    std::vector<std::string> Follow(const std::vector<std::string>& rows);

private:
    std::vector<std::string> previous_;
    std::size_t next_ = 0; // the first row of previous_ not given out yet
};

} // namespace NCP_Ext
