#pragma once

#include "emulator/ScreenBuffer.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Emulator {

// One of a server's console screens as the console module reaches it: a name, 25 x 80 cells, keys and a
// clear. ServerConsole holds the screens; the system console, the monitor and the logger derive from it.
class ConsoleScreen {
public:
    explicit ConsoleScreen(std::string name) : name_(std::move(name)) {}
    virtual ~ConsoleScreen() = default;
    ConsoleScreen(const ConsoleScreen&) = delete;
    ConsoleScreen& operator=(const ConsoleScreen&) = delete;

    const std::string& Name() const { return name_; }

    // Brings the cells up to date before they are read (screens whose figures move with time redraw here).
    virtual void Refresh() {}
    // A key word: character code in the low byte, keyboard scan code in the high byte.
    virtual void HandleKey(std::uint16_t keyWord) { static_cast<void>(keyWord); }
    virtual void Clear() { cells_.Clear(); }

    const ScreenBuffer& Cells() const { return cells_; }

protected:
    ScreenBuffer& MutableCells() { return cells_; }

private:
    std::string name_;
    ScreenBuffer cells_;
};

// A screen that shows fixed lines and ignores keys: for screens of modules this program does not act out,
// and for tests that need screens with particular names or contents.
class TextScreen final : public ConsoleScreen {
public:
    TextScreen(std::string name, const std::vector<std::string>& lines) : ConsoleScreen(std::move(name)) {
        for (int row = 0; row < ScreenBuffer::Rows && row < static_cast<int>(lines.size()); ++row)
            MutableCells().PutText(row, 0, lines[static_cast<std::size_t>(row)]);
    }
};

} // namespace Emulator
