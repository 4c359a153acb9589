#pragma once

#include <cstdint>
#include <functional>
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

// Why a copy failed, for words a user can act on; the status stays CopyFailed whatever the reason.
enum class CopyProblem {
    None,
    SourceMissing,       // no file under the source's name
    SourceUnreadable,    // no permission to read it, not a regular file, or a read failed
    SameFile,            // the destination is the source itself
    NoRights,            // the destination's directory may not be written (on a server: the user's rights)
    SizeOrSpaceLimit,    // a file-size limit or a full volume stopped a write
    ReadOnlyDestination, // the destination file is read-only
    DestinationNotAFile, // a directory, pipe or device holds the destination's name
    ConnectionLost,      // the connection to the server went during the copy
    Cancelled,           // the user stopped the copy
    NoServer,            // no server is chosen to copy to
    Other,
};

// Copies source to destination (a file or a directory) in 4096-byte blocks, with the source's modification
// time (to the even second) and permission bits, through the file layer (Platform::FilesFor). The contents
// are written beside the destination and replace it only when every step succeeded, so a failed copy leaves
// an old destination as it was. 0 on success, CopyFailed on every failure, among them: the destination is
// the source itself (by any name), a read-only file (whoever runs the program), not a regular file, or
// a file-size limit stops a write.
std::uint16_t CopyFile(const std::string& source, const std::string& destination);
// The same, telling why it failed (None on success); progress, when given, is told the bytes written so far
// after each block.
using CopyProgress = std::function<void(std::uint64_t bytesWritten)>;
std::uint16_t CopyFile(const std::string& source, const std::string& destination, CopyProblem& problem,
                       const CopyProgress& progress = {});

} // namespace NCP_Ext
