#pragma once

#include <string>
#include <string_view>
#include <vector>

// The text of a profile file in the Windows manner, held in memory: "[Section]" headings, "key=value" lines,
// section and key names compared without regard to case, values kept byte for byte. Lines that are neither
// (comments, blank lines, anything else) are kept as they are. The settings file (Settings.h) reads and
// writes its file through these; they touch no file themselves.
namespace NetUtil {

struct ProfileText {
    // A UTF-8 byte-order mark before the first line, kept aside and written again.
    bool byteOrderMark = false;
    // The file's first line break (LF, CR LF or a lone CR); every line is written back with it.
    std::string lineBreak = "\n";
    // The lines without their line breaks.
    std::vector<std::string> lines;
};

// Splits a file's contents at LF, CR LF and lone CR line breaks; a final line break starts no line.
ProfileText ParseProfile(std::string_view contents);
std::string RenderProfile(const ProfileText& profile);

// The value of key in section; false when the section or the key is missing.
bool FindProfileValue(const ProfileText& profile, const std::string& section, const std::string& key,
                      std::string& value);

// Replaces the value of key in section, adding the key and the section as needed. The value is stored without
// the characters a line cannot hold (CR, LF, zero bytes), which are removed, not cut at. False, with nothing
// changed, when the section or the key name is empty or cannot be held by a heading or a key.
bool SetProfileValue(ProfileText& profile, const std::string& section, const std::string& key,
                     const std::string& value);

// The value as a line can hold it: CR, LF and zero bytes removed.
std::string OnOneLine(std::string_view value);

} // namespace NetUtil
