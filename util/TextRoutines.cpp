#include "util/TextRoutines.h"

#include "netclient/ClientLibrary.h"

namespace NetUtil {

char LastChar(const std::string& text) {
    return text.back();
}

std::string AddTrailingZero(const std::string& text) {
    if (text.empty())
        return std::string(1, '\0');
    if (LastChar(text) != '\0')
        return text + '\0';
    return text;
}

std::string UpperCaseNet(const std::string& text) {
    // The client's routine works in place on zero-terminated text, so it gets a private copy that carries
    // its own terminator inside its length.
    std::string copy = AddTrailingZero(text);
    const char* upperCased = Client().UpperCaseText(copy.data());
    return std::string(upperCased);
}

std::size_t FindText(const std::string& sought, const std::string& searched, bool caseSensitive) {
    if (!caseSensitive)
        return FindText(UpperCaseNet(sought), UpperCaseNet(searched), true);
    if (sought.empty() || searched.empty())
        return 0;
    const std::size_t offset = searched.find(sought);
    return offset == std::string::npos ? 0 : offset + 1;
}

void ReplaceAll(std::string& text, const std::string& oldText, const std::string& newText,
                bool caseSensitive) {
    if (FindText(oldText, text, caseSensitive) == 0)
        return;
    if (oldText == newText)
        return;
    // Positions count from 1 and run below 1 while scanning, hence signed arithmetic.
    const auto oldLength = static_cast<std::ptrdiff_t>(oldText.size());
    std::ptrdiff_t i = static_cast<std::ptrdiff_t>(text.size()) - oldLength + 1;
    if (i < 1)
        return;
    while (i >= 1) {
        const auto start = static_cast<std::size_t>(i - 1);
        if (FindText(oldText, text.substr(start), caseSensitive) == 1) {
            const std::size_t after = start + oldText.size();
            text =
                text.substr(0, start) + newText + (after < text.size() ? text.substr(after) : std::string());
            i = i - oldLength + 1;
            // Stop as soon as no occurrence is left at or before the next position to be examined.
            const auto first = static_cast<std::ptrdiff_t>(FindText(oldText, text, caseSensitive));
            if (first == 0)
                return;
            if (i <= first)
                return;
        }
        i = i - 1;
    }
}

std::string AddTrailingSeparator(const std::string& path) {
    if (path.empty())
        return "\\";
    const char last = LastChar(path);
    if (last == '/' || last == ':' || last == '\\')
        return path;
    return path + '\\';
}

} // namespace NetUtil
