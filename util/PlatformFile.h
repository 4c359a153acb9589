#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The file operations under the file copy, on local paths (see Platform::ToLocalPath). Every operation
// reports failure by its result; nothing throws.
namespace Platform {

// The attributes a copy carries over: the permission bits of the file's mode. A file without write
// permission is what other systems call read-only.
struct FileAttributes {
    std::uint32_t Mode = 0;
};

// The attributes of the file of that name.
bool ReadFileAttributes(const std::string& localPath, FileAttributes& attributes);
// Sets the attributes on a regular file of that name; anything else under the name is left alone.
bool WriteFileAttributes(const std::string& localPath, const FileAttributes& attributes);

// The last-modification time of an open file, in seconds and nanoseconds since the epoch.
struct FileTime {
    std::int64_t Seconds = 0;
    std::int32_t Nanoseconds = 0;
};

// One open file, closed when the object goes (or earlier by Close). Not copyable.
class PlatformFile final {
public:
    PlatformFile() = default;
    ~PlatformFile();
    PlatformFile(const PlatformFile&) = delete;
    PlatformFile& operator=(const PlatformFile&) = delete;

    // Opens an existing regular file for reading; a directory, a device or a missing file fails.
    bool OpenForReading(const std::string& localPath);
    // Creates the file, or truncates an existing one, for reading and writing.
    bool CreateForWriting(const std::string& localPath);

    bool IsOpen() const { return descriptor >= 0; }

    // Reads until size bytes have arrived or the file ends; the count read, or -1 on a failure.
    std::ptrdiff_t ReadBlock(char* buffer, std::size_t size);
    // Writes all size bytes unless a failure stops it; the count written, or -1 when nothing could be.
    std::ptrdiff_t WriteBlock(const char* buffer, std::size_t size);

    bool ReadModificationTime(FileTime& time) const;
    // Sets the time on a regular file; other kinds of file (devices) keep theirs.
    bool SetModificationTime(const FileTime& time);

    // False when the file was not open or the system reports a failure on closing (data not stored).
    bool Close();

private:
    int descriptor = -1;
};

} // namespace Platform
