// The text routines of the transfer's paths, on any bytes, and the path text of the window's fields.
// Properties: a found position is the first occurrence; a replacement changes the length by whole
// replacements and never examines inserted text; upper-casing keeps the length up to the first zero byte;
// a separator is added only where none ends the path; path bytes come back from their text unchanged.

#include "FuzzSupport.h"

#include "tests/support/StubClient.h"
#include "util/PlatformPathsText.h"
#include "util/TextRoutines.h"

#include <cctype>

namespace {

std::string AsciiUpper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    StubClient client; // upper-cases ASCII letters, as a locale without others would
    ScopedClientBinding binding(client);
    Fuzz::Input input(data, size);
    const bool caseSensitive = (input.Byte() & 1) != 0;
    const std::string oldText = input.Text(8);
    const std::string newText = input.Text(8);
    const auto rest = input.Rest();
    const std::string text(rest.begin(), rest.end());

    const std::string upper = NetUtil::UpperCaseNet(text);
    Fuzz::Require(upper.size() == text.substr(0, text.find('\0')).size(), "upper-casing keeps the length");
    Fuzz::Require(upper.find('\0') == std::string::npos, "upper-cased text stops at the first zero byte");

    const std::size_t position = NetUtil::FindText(oldText, text, caseSensitive);
    if (caseSensitive) {
        const std::size_t first = oldText.empty() ? std::string::npos : text.find(oldText);
        Fuzz::Require(position == (first == std::string::npos ? 0 : first + 1),
                      "the first occurrence is found");
    } else {
        Fuzz::Require(position <= text.size(), "a position lies inside the text");
    }

    std::string replaced = text;
    NetUtil::ReplaceAll(replaced, oldText, newText, caseSensitive);
    if (oldText.empty() || oldText == newText) {
        Fuzz::Require(replaced == text, "nothing to replace changes nothing");
    } else {
        const auto difference = static_cast<long long>(replaced.size()) - static_cast<long long>(text.size());
        const auto step = static_cast<long long>(newText.size()) - static_cast<long long>(oldText.size());
        const long long replacements = step == 0 ? 0 : difference / step;
        Fuzz::Require(step == 0 ? difference == 0 : difference % step == 0, "whole replacements only");
        Fuzz::Require(replacements >= 0 &&
                          replacements <= static_cast<long long>(text.size() / oldText.size()),
                      "no more replacements than occurrences fit");
        if (caseSensitive && text.find(oldText) == std::string::npos)
            Fuzz::Require(replaced == text, "text without the old text stays");
        // Letters that upper-case alike make case-insensitive matches of the old text (compared up to its
        // first zero byte, as upper-casing stops there); with the old text absent even then, nothing changes.
        const std::string sought = AsciiUpper(oldText.substr(0, oldText.find('\0')));
        if (!caseSensitive && !sought.empty() && AsciiUpper(text).find(sought) == std::string::npos &&
            text.find('\0') == std::string::npos)
            Fuzz::Require(replaced == text, "text without the old text in any case stays");
    }

    const std::string separated = NetUtil::AddTrailingSeparator(text);
    const char last = separated.back();
    Fuzz::Require(last == '\\' || last == '/' || last == ':', "the path ends in a separator");
    Fuzz::Require(separated.compare(0, text.size(), text) == 0 && separated.size() <= text.size() + 1,
                  "only a separator is added");

    Fuzz::Require(Platform::PathBytes(Platform::PathText(text)) == text,
                  "path bytes come back from their text");
    return 0;
}
