#include "util/SettingsProfile.h"

#include <cctype>

namespace NetUtil {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n' || c == '\0';
}

std::string Trimmed(std::string_view text) {
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && IsBlank(text[start]))
        ++start;
    while (end > start && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(start, end - start));
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The section's name when the line is a "[Section]" heading.
bool SectionHeading(const std::string& line, std::string& name) {
    const std::string text = Trimmed(line);
    if (text.size() < 2 || text.front() != '[')
        return false;
    const std::size_t close = text.find(']');
    if (close == std::string::npos)
        return false;
    name = Trimmed(std::string_view(text).substr(1, close - 1));
    return true;
}

// The key and the value (everything after the first '=', verbatim) of a "key=value" line.
bool KeyLine(const std::string& line, std::string& key, std::string& value) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos)
        return false;
    key = Trimmed(std::string_view(line).substr(0, equals));
    if (key.empty() || key.front() == ';')
        return false;
    value = line.substr(equals + 1);
    return true;
}

// Where the value of section/key lives: the line of the key, or (keyLine == npos) the place after the
// section's last non-blank line at which a new key goes, or (sectionLine == npos) no such section.
struct Location {
    std::size_t sectionLine = std::string::npos;
    std::size_t keyLine = std::string::npos;
    std::size_t insertAt = std::string::npos;
    std::string value;
};

Location Find(const std::vector<std::string>& lines, const std::string& section, const std::string& key) {
    Location location;
    std::size_t line = 0;
    std::string name;
    for (; line < lines.size(); ++line) {
        if (SectionHeading(lines[line], name) && SameName(name, section))
            break;
    }
    if (line == lines.size())
        return location;
    location.sectionLine = line;
    location.insertAt = line + 1;
    std::string lineKey;
    std::string value;
    for (++line; line < lines.size(); ++line) {
        if (SectionHeading(lines[line], name))
            break;
        if (!Trimmed(lines[line]).empty())
            location.insertAt = line + 1;
        if (KeyLine(lines[line], lineKey, value) && SameName(lineKey, key)) {
            location.keyLine = line;
            location.value = value;
            return location;
        }
    }
    return location;
}

// A name that reads back as itself: not empty, no line break, not the delimiter that ends it, and no
// blanks around it (they are trimmed away when read).
bool UsableName(const std::string& name, char delimiter) {
    if (name.empty() || Trimmed(name) != name)
        return false;
    for (const char c : name) {
        if (IsLineBreak(c) || c == delimiter)
            return false;
    }
    return true;
}

} // namespace

ProfileText ParseProfile(std::string_view contents) {
    ProfileText profile;
    if (contents.substr(0, ByteOrderMark.size()) == ByteOrderMark) {
        profile.byteOrderMark = true;
        contents.remove_prefix(ByteOrderMark.size());
    }
    bool breakSeen = false;
    std::size_t start = 0;
    while (start < contents.size()) {
        const std::size_t end = contents.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            profile.lines.emplace_back(contents.substr(start));
            break;
        }
        profile.lines.emplace_back(contents.substr(start, end - start));
        const std::size_t breakLength = contents.substr(end, 2) == "\r\n" ? 2 : 1;
        if (!breakSeen) {
            profile.lineBreak = std::string(contents.substr(end, breakLength));
            breakSeen = true;
        }
        start = end + breakLength;
    }
    return profile;
}

std::string RenderProfile(const ProfileText& profile) {
    std::string contents;
    if (profile.byteOrderMark)
        contents.append(ByteOrderMark);
    for (const std::string& line : profile.lines) {
        contents += line;
        contents += profile.lineBreak;
    }
    return contents;
}

bool FindProfileValue(const ProfileText& profile, const std::string& section, const std::string& key,
                      std::string& value) {
    const Location location = Find(profile.lines, section, key);
    if (location.keyLine == std::string::npos)
        return false;
    value = location.value;
    return true;
}

bool SetProfileValue(ProfileText& profile, const std::string& section, const std::string& key,
                     const std::string& value) {
    // Names that the line format cannot hold would come back as something else: a key line that starts
    // with ';' is a comment, one that starts with '[' may be a heading.
    if (!UsableName(section, ']') || !UsableName(key, '=') || key.front() == ';' || key.front() == '[')
        return false;
    std::vector<std::string>& lines = profile.lines;
    const std::string entry = key + "=" + OnOneLine(value);
    const Location location = Find(lines, section, key);
    if (location.keyLine != std::string::npos) {
        lines[location.keyLine] = entry;
    } else if (location.sectionLine != std::string::npos) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(location.insertAt), entry);
    } else {
        if (!lines.empty() && !Trimmed(lines.back()).empty())
            lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
    return true;
}

std::string OnOneLine(std::string_view value) {
    std::string kept;
    kept.reserve(value.size());
    for (const char c : value) {
        if (!IsLineBreak(c))
            kept.push_back(c);
    }
    return kept;
}

} // namespace NetUtil
