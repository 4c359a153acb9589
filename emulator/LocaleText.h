#pragma once

#include <string>
#include <string_view>

// The workstation's text rules: the client locale's upper-casing of 8-bit text, and the case-insensitive
// comparison of server, volume and module names.
namespace Emulator::LocaleText {

// Upper-cases zero-terminated 8-bit text in place up to its first zero byte: ASCII letters and the Latin-1
// letters that have an upper-case form of the same code page (0xE0-0xFE except 0xF7). The length never
// changes. Returns text; a null pointer is returned as it is.
char* UpperCaseInPlace(char* text);

// The name with its ASCII letters upper-cased.
std::string UpperAscii(std::string_view name);

// Equal names, ASCII letter case ignored.
bool SameName(std::string_view left, std::string_view right);

} // namespace Emulator::LocaleText
