#pragma once

#include <cstdint>

// Routines of the main window's module that the console pages share.

// Looks "QV_EXT" up on CurrentConn into ConsoleExt; true when found. Stores the status in LastStatus.
bool FindConsoleExtension();

// Scan code in the high byte, character in the low byte.
std::uint16_t MakeKeyWord(std::uint8_t character, std::uint8_t scanCode);

inline constexpr std::uint8_t ScanCodeCursorUp = 72;
inline constexpr std::uint8_t ScanCodeCursorDown = 80;
