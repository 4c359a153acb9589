#include "emulator/LocaleText.h"

#include <algorithm>

namespace Emulator::LocaleText {

namespace {
unsigned char UpperLatin1(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 0x20);
    // à..þ map to À..Þ; ÷ (0xF7) has no letter case, and ß and ÿ have no upper-case form in Latin-1.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 0x20);
    return c;
}

char UpperAsciiChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
}
} // namespace

char* UpperCaseInPlace(char* text) {
    if (text == nullptr)
        return text;
    for (char* c = text; *c != '\0'; ++c)
        *c = static_cast<char>(UpperLatin1(static_cast<unsigned char>(*c)));
    return text;
}

std::string UpperAscii(std::string_view name) {
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperAsciiChar);
    return upper;
}

bool SameName(std::string_view left, std::string_view right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(),
                      [](char a, char b) { return UpperAsciiChar(a) == UpperAsciiChar(b); });
}

} // namespace Emulator::LocaleText
