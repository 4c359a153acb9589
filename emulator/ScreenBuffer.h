#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace Emulator {

// One server console screen: 25 rows of 80 cells, each cell a character byte (code page 437) followed by
// an attribute byte, rows top to bottom and cells left to right, as the console module sends them.
// Besides placing text at a position it writes like a teletype at its cursor, scrolling when the cursor
// leaves the last row; the system console uses that, the monitor and the logger redraw whole rows.
class ScreenBuffer final {
public:
    static constexpr int Rows = 25;
    static constexpr int Columns = 80;
    static constexpr std::size_t RowBytes = Columns * 2;
    static constexpr std::uint8_t NormalAttribute = 0x07;  // light grey on black
    static constexpr std::uint8_t BrightAttribute = 0x0F;  // white on black
    static constexpr std::uint8_t InverseAttribute = 0x70; // black on light grey

    ScreenBuffer();

    // Blank cells (space, normal attribute) everywhere; cursor to the top left corner.
    void Clear();
    void ClearRow(int row);

    // Places text from (row, column), cut at the right edge; the cursor does not move.
    void PutText(int row, int column, std::string_view text, std::uint8_t attribute = NormalAttribute);
    void PutChar(int row, int column, std::uint8_t character, std::uint8_t attribute = NormalAttribute);

    // Writes at the cursor: '\n' starts a new row, every other byte fills one cell; a full row wraps.
    void Write(std::string_view text, std::uint8_t attribute = NormalAttribute);
    void NewLine();
    // Moves the cursor one cell left (not past the start of its row) and blanks that cell.
    void Backspace();
    void ScrollUp();

    int CursorRow() const { return cursorRow_; }
    int CursorColumn() const { return cursorColumn_; }
    void SetCursor(int row, int column);

    std::uint8_t CharAt(int row, int column) const;
    std::uint8_t AttributeAt(int row, int column) const;
    // The 80 character bytes of a row.
    std::string RowText(int row) const;
    // The 160 bytes of a row.
    std::span<const std::uint8_t> RowCells(int row) const;

private:
    static std::size_t Offset(int row, int column) {
        return static_cast<std::size_t>(row) * RowBytes + 2u * column;
    }

    std::array<std::uint8_t, Rows * RowBytes> cells_{};
    int cursorRow_ = 0;
    int cursorColumn_ = 0;
};

} // namespace Emulator
