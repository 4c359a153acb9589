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
// time (to the even second) and permission bits, through the file layer (Platform::FilesFor). The contents
// are written beside the destination and replace it only when every step succeeded, so a failed copy leaves
// an old destination as it was. 0 on success, CopyFailed on every failure, among them: the destination is
// the source itself (by any name), a read-only file (whoever runs the program), not a regular file, or
// a file-size limit stops a write.
std::uint16_t CopyFile(const std::string& source, const std::string& destination);

} // namespace NCP_Ext
