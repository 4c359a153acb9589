#pragma once

#include <cstdint>
#include <string>

namespace NCP_Ext {

// The parts of one file name: Dir up to and including the last separator ('\', ':' or '/'), Name the
// file-name part cut before its first '.', Ext from its last '.' (dot included).
struct FilePath {
    std::string Dir;
    std::string Name;
    std::string Ext;
};

FilePath SplitFileName(const std::string& fileName);

// Gives a destination without a file name the source's base name and extension.
void CompleteDestName(const std::string& source, std::string& destination);

inline constexpr std::uint16_t CopyFailed = 0xFFFF;

// Copies source to destination (a file or a directory) in 4096-byte blocks, with the source's modification
// time (to the even second) and permission bits. 0 on success, CopyFailed on every failure.
std::uint16_t CopyFile(const std::string& source, const std::string& destination);

} // namespace NCP_Ext
