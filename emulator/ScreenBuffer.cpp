#include "emulator/ScreenBuffer.h"

#include <algorithm>

namespace Emulator {

ScreenBuffer::ScreenBuffer() {
    Clear();
}

void ScreenBuffer::Clear() {
    for (int row = 0; row < Rows; ++row)
        ClearRow(row);
    cursorRow_ = 0;
    cursorColumn_ = 0;
}

void ScreenBuffer::ClearRow(int row) {
    if (row < 0 || row >= Rows)
        return;
    for (int column = 0; column < Columns; ++column)
        PutChar(row, column, ' ');
}

void ScreenBuffer::PutChar(int row, int column, std::uint8_t character, std::uint8_t attribute) {
    if (row < 0 || row >= Rows || column < 0 || column >= Columns)
        return;
    cells_[Offset(row, column)] = character;
    cells_[Offset(row, column) + 1] = attribute;
}

void ScreenBuffer::PutText(int row, int column, std::string_view text, std::uint8_t attribute) {
    for (char c : text)
        PutChar(row, column++, static_cast<std::uint8_t>(c), attribute);
}

void ScreenBuffer::Write(std::string_view text, std::uint8_t attribute) {
    for (char c : text) {
        if (c == '\n') {
            NewLine();
            continue;
        }
        // The wrap is deferred to the next character, so that a full row followed by '\n' gives one new row.
        if (cursorColumn_ >= Columns)
            NewLine();
        PutChar(cursorRow_, cursorColumn_++, static_cast<std::uint8_t>(c), attribute);
    }
}

void ScreenBuffer::NewLine() {
    cursorColumn_ = 0;
    if (cursorRow_ + 1 >= Rows)
        ScrollUp();
    else
        ++cursorRow_;
}

void ScreenBuffer::Backspace() {
    if (cursorColumn_ == 0)
        return;
    --cursorColumn_;
    PutChar(cursorRow_, cursorColumn_, ' ');
}

void ScreenBuffer::ScrollUp() {
    std::copy(cells_.begin() + RowBytes, cells_.end(), cells_.begin());
    ClearRow(Rows - 1);
}

void ScreenBuffer::SetCursor(int row, int column) {
    cursorRow_ = std::clamp(row, 0, Rows - 1);
    cursorColumn_ = std::clamp(column, 0, Columns);
}

std::uint8_t ScreenBuffer::CharAt(int row, int column) const {
    return cells_[Offset(row, column)];
}

std::uint8_t ScreenBuffer::AttributeAt(int row, int column) const {
    return cells_[Offset(row, column) + 1];
}

std::string ScreenBuffer::RowText(int row) const {
    std::string text(Columns, ' ');
    for (int column = 0; column < Columns; ++column)
        text[static_cast<std::size_t>(column)] = static_cast<char>(CharAt(row, column));
    return text;
}

std::span<const std::uint8_t> ScreenBuffer::RowCells(int row) const {
    return std::span<const std::uint8_t>(cells_).subspan(static_cast<std::size_t>(row) * RowBytes, RowBytes);
}

} // namespace Emulator
