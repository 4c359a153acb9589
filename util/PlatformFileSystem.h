#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The file layer under the file copy: what the copy needs from a file system, as an interface, so that the
// copy stays the same whether a path names a local file or a file on a server's volume.
//
// Paths are the program's own: "\\SERVER\VOLUME\rest" names a file on a server's volume, anything else is a
// local path with '\' or '/' separators. LocalFiles() handles both, reaching a server's volume through the
// local directory that the client reports for it (Platform::ToLocalPath). A network implementation that
// talks to the server itself takes the network paths over once it is bound with BindNetworkFiles().
// Every operation reports failure by its result; nothing throws.
namespace Platform {

// The attributes a copy carries over: the permission bits of the file's mode. A file without any write
// permission bit is what other systems call read-only.
struct FileAttributes {
    std::uint32_t Mode = 0;
};

// A last-modification time in seconds and nanoseconds since the epoch.
struct FileTime {
    std::int64_t Seconds = 0;
    std::int32_t Nanoseconds = 0;
};

// Which file a name leads to, as one file system tells it (device and inode for local files): two names of
// the same FileSystem with equal identities lead to the same file, whatever links lie between.
struct FileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Entry = 0;
    bool operator==(const FileIdentity&) const = default;
};

enum class OpenResult { Opened, Missing, Refused };
// ReadOnly: the destination is a regular file without any write permission bit. NotAFile: something else
// holds the name. NoRights: the directory or the file may not be written. NoRoom: a size or space limit.
// ConnectionLost: the server that holds the file cannot be reached. Refused: any other reason.
// Cancelled: the user stopped the writes (see WatchWrites).
enum class CreateResult { Created, ReadOnly, Refused, NotAFile, NoRights, NoRoom, ConnectionLost, Cancelled };

// An existing regular file open for reading.
class SourceFile {
public:
    virtual ~SourceFile() = default;
    // Reads until size bytes have arrived or the file ends; the count read, or -1 on a failure.
    virtual std::ptrdiff_t ReadBlock(char* buffer, std::size_t size) = 0;
    virtual bool ReadModificationTime(FileTime& time) const = 0;
    virtual bool ReadAttributes(FileAttributes& attributes) const = 0;
    virtual FileIdentity Identity() const = 0;
};

// New contents for a destination, written into a file of their own beside it. Only Commit puts them in the
// destination's place, replacing an old file in one step; until then the old file stays as it was, and a
// replacement that goes without a successful Commit removes what it wrote.
class ReplacementFile {
public:
    virtual ~ReplacementFile() = default;
    // Writes all size bytes unless a failure stops it; the count written, or -1 when nothing could be.
    virtual std::ptrdiff_t WriteBlock(const char* buffer, std::size_t size) = 0;
    virtual bool SetModificationTime(const FileTime& time) = 0;
    virtual bool SetAttributes(const FileAttributes& attributes) = 0;
    // Stores the contents and puts them in place; false, with the destination as it was, when any step fails
    // or the destination has meanwhile become something that must not be replaced.
    virtual bool Commit() = 0;
    // Why the last failed write or Commit failed, in CreateResult's terms (Refused when not known).
    virtual CreateResult Failure() const { return CreateResult::Refused; }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens an existing regular file, without ever blocking on what the name leads to; Missing when there is
    // no such file, Refused for anything else that cannot be read as a regular file.
    virtual OpenResult OpenForReading(const std::string& path, std::unique_ptr<SourceFile>& file) = 0;

    // Starts new contents for path. ReadOnly for a read-only file (no write permission bit: never replaced,
    // whoever runs the program); Refused when path leads to something other than a regular file (a
    // directory, a pipe, a device), to a file the program may not write, or when the new file cannot be made.
    virtual CreateResult CreateReplacement(const std::string& path,
                                           std::unique_ptr<ReplacementFile>& file) = 0;

    // The identity of the file the name leads to; false when there is none.
    virtual bool Identify(const std::string& path, FileIdentity& identity) = 0;

    // Sets attributes on the regular file of that name; anything else under the name is left alone.
    virtual bool WriteAttributes(const std::string& path, const FileAttributes& attributes) = 0;
};

// The local file system, for local paths and for server volumes reached through local directories.
FileSystem& LocalFiles();

// The file system that handles path: the bound network implementation for a network path when one is bound,
// otherwise LocalFiles().
FileSystem& FilesFor(const std::string& path);

// Network paths go to files (not owned) from now on; null gives them back to LocalFiles().
void BindNetworkFiles(FileSystem* files);

// Told of each block handed to a replacement file of any file system, before it is written: the progress of
// a copy, for a window that shows it. Answering false refuses the block (the write fails, and so the copy).
using WriteWatcher = std::function<bool(std::size_t size)>;
// Blocks are told to watcher from now on; an empty one ends the watch.
void WatchWrites(WriteWatcher watcher);
// What every ReplacementFile asks before it writes a block: true when nobody watches.
bool MayWriteBlock(std::size_t size);

} // namespace Platform
