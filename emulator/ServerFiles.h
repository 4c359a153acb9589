#pragma once

#include "emulator/UniqueFd.h"
#include "emulator/Volumes.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace Emulator {

// A path as NCP file calls name it: a volume and the components below it ("SYS", {"SYSTEM", "QVEXT.NLM"}).
struct NetWarePath {
    std::string volume;
    std::vector<std::string> components;
};

// How a file is to be opened.
struct FileOpenMode {
    bool openExisting = true; // an existing file may be opened
    bool create = false;      // a missing file is created
    bool truncate = false;    // an existing file is emptied (replace)
    bool write = false;       // the handle writes; read otherwise
};

// What an open left behind: the completion byte, and on success the open descriptor.
struct OpenedFile {
    std::uint8_t completion = 0;
    UniqueFd fd;
    bool created = false;
    bool truncated = false;
};

// The files of one server's volumes as NCP file calls see them. Every path is resolved below its volume's
// directory one component at a time, each directory opened relative to the one before with O_NOFOLLOW, so
// nothing reaches outside the volume: "..", ".", empty components, separators inside a component and
// symbolic links anywhere on the way answer InvalidPath. Names match ignoring letter case (as on NetWare);
// a new file takes the name as given. Only regular files are opened (O_NONBLOCK|O_NOFOLLOW, then fstat).
// A file without any write permission bit is read-only: it is never written, replaced, renamed (from or
// over) or deleted, whoever runs the server (root included), because the check is made here and not left to
// the kernel; only a caller allowed to change the attribute may clear it. A file with more than one hard link
// is never written through or changed in place (another link may lie outside the volume): a replace gives the
// name a file of its own, other writes are refused. Rights (who may write where) are the caller's business;
// see NcpSession.
class ServerFiles final {
public:
    // Completion bytes of the file calls.
    static constexpr std::uint8_t NoDeletePrivilege = 0x8A;
    static constexpr std::uint8_t NoRenamePrivilege = 0x8B;
    static constexpr std::uint8_t NoSetPrivilege = 0x8C;
    static constexpr std::uint8_t FileExists = 0x92;
    static constexpr std::uint8_t NoWritePrivilege = 0x94;
    static constexpr std::uint8_t OutOfSpace = 0x96;
    static constexpr std::uint8_t NoSuchVolume = 0x98;
    static constexpr std::uint8_t RenameAcrossVolumes = 0x9A;
    static constexpr std::uint8_t InvalidPath = 0x9C;
    static constexpr std::uint8_t IoFailure = 0xFE;
    static constexpr std::uint8_t FileNotFound = 0xFF;

    // NetWare's read-only attribute bit (87/07).
    static constexpr std::uint32_t ReadOnlyAttribute = 0x01;

    explicit ServerFiles(const Volumes& volumes) : volumes_(volumes) {}

    OpenedFile Open(const NetWarePath& path, const FileOpenMode& mode) const;
    // Renames from over to (replacing a writable file of that name) within one volume.
    std::uint8_t Rename(const NetWarePath& from, const NetWarePath& to) const;
    std::uint8_t Delete(const NetWarePath& path) const;
    // Sets the modification time and/or the read-only attribute (other attribute bits are not kept).
    // mayChangeReadOnly: whether the caller may set or clear the read-only attribute (NoSetPrivilege to set
    // it, NoWritePrivilege for any change to a read-only file otherwise).
    std::uint8_t SetInformation(const NetWarePath& path,
                                std::optional<std::chrono::system_clock::time_point> modified,
                                std::optional<std::uint32_t> attributes, bool mayChangeReadOnly) const;

    // Whether the path names something inside SYS:SYSTEM (letter case ignored).
    static bool InSystemDirectory(const NetWarePath& path);

private:
    // The directory holding the path's last component, opened, and that component's name on disk.
    struct Parent {
        std::uint8_t completion = 0;
        UniqueFd directory;
        std::string name;
        std::string volume;
    };

    Parent ResolveParent(const NetWarePath& path) const;
    // The parent of a path that names a regular file, with the file's status; any other entry (or none)
    // leaves its completion in the result.
    Parent ResolveRegularFile(const NetWarePath& path, struct stat& status) const;
    // A new file of the parent's name, opened for writing.
    static void CreateNew(const Parent& parent, OpenedFile& opened);

    const Volumes& volumes_;
};

} // namespace Emulator
