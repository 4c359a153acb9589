#include "util/PlatformFile.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {
constexpr mode_t PermissionBits = 07777;
constexpr mode_t NewFileMode = 0666; // narrowed by the umask, as for any new file
} // namespace

bool ReadFileAttributes(const std::string& localPath, FileAttributes& attributes) {
    struct stat status {};
    if (::stat(localPath.c_str(), &status) != 0)
        return false;
    attributes.Mode = static_cast<std::uint32_t>(status.st_mode & PermissionBits);
    return true;
}

bool WriteFileAttributes(const std::string& localPath, const FileAttributes& attributes) {
    // A file's permission bits make no sense on a directory or a device node that happens to carry the
    // destination's name; those keep their own.
    struct stat status {};
    if (::stat(localPath.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    return ::chmod(localPath.c_str(), static_cast<mode_t>(attributes.Mode) & PermissionBits) == 0;
}

PlatformFile::~PlatformFile() {
    Close();
}

bool PlatformFile::OpenForReading(const std::string& localPath) {
    Close();
    // Non-blocking, so that a named pipe under the name cannot hang the open; it is refused below.
    const int fd = ::open(localPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    descriptor = fd;
    return true;
}

bool PlatformFile::CreateForWriting(const std::string& localPath) {
    Close();
    const int fd = ::open(localPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, NewFileMode);
    if (fd < 0)
        return false;
    descriptor = fd;
    return true;
}

std::ptrdiff_t PlatformFile::ReadBlock(char* buffer, std::size_t size) {
    if (descriptor < 0)
        return -1;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::read(descriptor, buffer + done, size - done);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (count == 0)
            break;
        done += static_cast<std::size_t>(count);
    }
    return static_cast<std::ptrdiff_t>(done);
}

std::ptrdiff_t PlatformFile::WriteBlock(const char* buffer, std::size_t size) {
    if (descriptor < 0)
        return -1;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::write(descriptor, buffer + done, size - done);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return done == 0 ? -1 : static_cast<std::ptrdiff_t>(done);
        }
        if (count == 0)
            break;
        done += static_cast<std::size_t>(count);
    }
    return static_cast<std::ptrdiff_t>(done);
}

bool PlatformFile::ReadModificationTime(FileTime& time) const {
    struct stat status {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0)
        return false;
    time.Seconds = static_cast<std::int64_t>(status.st_mtim.tv_sec);
    time.Nanoseconds = static_cast<std::int32_t>(status.st_mtim.tv_nsec);
    return true;
}

bool PlatformFile::SetModificationTime(const FileTime& time) {
    struct stat status {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    std::array<timespec, 2> times{};
    times[0].tv_nsec = UTIME_OMIT; // the access time stays as it is
    times[1].tv_sec = static_cast<time_t>(time.Seconds);
    times[1].tv_nsec = static_cast<long>(time.Nanoseconds);
    return ::futimens(descriptor, times.data()) == 0;
}

bool PlatformFile::Close() {
    if (descriptor < 0)
        return false;
    const int fd = descriptor;
    descriptor = -1;
    // After a failed close the descriptor is gone all the same on Linux; it must not be closed again.
    return ::close(fd) == 0;
}

} // namespace Platform
