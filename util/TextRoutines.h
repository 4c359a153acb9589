#pragma once

#include <cstddef>
#include <string>

// Text routines of the transfer's path building. Texts are 8-bit byte strings with a length and may hold
// zero bytes. Positions count from 1; 0 means not found.
namespace NetUtil {

// Upper-cases through the client's locale routine; text after an embedded zero byte is dropped.
std::string UpperCaseNet(const std::string& text);

// Position of the first occurrence of sought in searched, 0 when absent or when either is empty.
// Without caseSensitive both are compared through UpperCaseNet.
std::size_t FindText(const std::string& sought, const std::string& searched, bool caseSensitive);

// Replaces the non-overlapping occurrences of oldText, scanning from the right; inserted text is never
// examined again.
void ReplaceAll(std::string& text, const std::string& oldText, const std::string& newText, bool caseSensitive);

// "\" for an empty path; unchanged when it ends in '/', ':' or '\'; otherwise the path and "\".
std::string AddTrailingSeparator(const std::string& path);

// Module-internal helpers, declared for their tests.
char LastChar(const std::string& text);  // text must not be empty
std::string AddTrailingZero(const std::string& text);

} // namespace NetUtil
