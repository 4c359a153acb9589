#pragma once

#include <QChar>
#include <QString>

#include <cstdint>
#include <optional>

// The server's text console shows bytes in code page 437. These map a cell byte to the character a user
// sees there and a typed character back to its byte.
namespace CodePage437 {

// Byte 0 shows as a space; 0x01-0x1F and 0x7F as their glyphs (never as line breaks or control codes).
QChar ToUnicode(std::uint8_t byte);

// The byte of a character, or nothing when the code page lacks it.
std::optional<std::uint8_t> FromUnicode(QChar character);

// One 80-character line from a row of 160 bytes (character byte of each two-byte cell).
QString DecodeRow(const std::uint8_t* rowCells);

} // namespace CodePage437
