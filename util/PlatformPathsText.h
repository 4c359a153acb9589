#pragma once

#include <QString>

#include <string>
#include <string_view>

// A path on this platform is a string of bytes, not of characters. These put such bytes into a text field and
// take them back unchanged: valid UTF-8 shows as its characters, and every other byte as a character of its
// own (U+DC80 to U+DCFF, which valid UTF-8 never yields) that turns back into that byte. So a directory name
// in Latin-1 survives a trip through the window and the settings file byte for byte.
namespace Platform {

QString PathText(std::string_view bytes);
// The inverse of PathText; any other character is written as UTF-8 (a lone surrogate as U+FFFD).
std::string PathBytes(const QString& text);

} // namespace Platform
