#include "util/PlatformFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

constexpr mode_t PermissionBits = 07777;
constexpr mode_t WritePermissionBits = 0222;
constexpr mode_t NewFileMode = 0666; // narrowed by the umask, as for any new file
// Room left in a file name of 255 bytes for the dot, the unique part and ".tmp" around a destination's name.
constexpr std::size_t TemporaryNameRoom = 200;
constexpr int TemporaryNameAttempts = 64;

// What a destination may be when it is about to be replaced: nothing yet, or a regular file that has a write
// permission bit and that this process may write. Write permission bits are asked for themselves, because
// the system lets the superuser write a file without any.
CreateResult MayReplace(const std::string& target) {
    struct stat status {};
    if (::lstat(target.c_str(), &status) != 0)
        return errno == ENOENT ? CreateResult::Created : CreateResult::Refused;
    if (!S_ISREG(status.st_mode))
        return CreateResult::NotAFile;
    if ((status.st_mode & WritePermissionBits) == 0)
        return CreateResult::ReadOnly;
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0 ? CreateResult::Created
                                                                        : CreateResult::NoRights;
}

// What an errno of a failed create or write means to the user.
CreateResult ResultOfError(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return CreateResult::NoRights;
    case EFBIG:
    case ENOSPC:
    case EDQUOT:
        return CreateResult::NoRoom;
    default:
        return CreateResult::Refused;
    }
}

// The file that new contents for localPath replace: the path itself, or the file a symbolic link there
// leads to. Empty for a link that leads nowhere.
std::string ReplacedFile(const std::string& localPath) {
    struct stat status {};
    if (::lstat(localPath.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
        return localPath;
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(localPath.c_str(), nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// A name for the new contents beside target that no other writer uses at the same moment.
std::string TemporaryName(const std::string& target, int attempt) {
    static std::atomic<std::uint32_t> counter{0};
    const std::size_t slash = target.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name =
        (slash == std::string::npos ? target : target.substr(slash + 1)).substr(0, TemporaryNameRoom);
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::array<char, 48> unique{};
    std::snprintf(unique.data(), unique.size(), "%lx%lx%x%x", static_cast<unsigned long>(::getpid()),
                  static_cast<unsigned long>(now.tv_nsec), counter.fetch_add(1),
                  static_cast<unsigned>(attempt));
    return directory + "." + name + "." + unique.data() + ".tmp";
}

} // namespace

void IgnoreFileSizeSignal() {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) != 0)
        return;
    if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL)
        return; // the program handles it already
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

// --- reading ---

OpenResult LocalSourceFile::Open(const std::string& localPath, std::unique_ptr<SourceFile>& file) {
    file.reset();
    // Non-blocking, so that a named pipe under the name cannot hang the open; it is refused below.
    const int fd = ::open(localPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? OpenResult::Missing : OpenResult::Refused;
    auto opened = std::make_unique<LocalSourceFile>(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return OpenResult::Refused;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return OpenResult::Refused;
    file = std::move(opened);
    return OpenResult::Opened;
}

LocalSourceFile::~LocalSourceFile() {
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

std::ptrdiff_t LocalSourceFile::ReadBlock(char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::read(descriptor_, buffer + done, size - done);
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

bool LocalSourceFile::ReadModificationTime(FileTime& time) const {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0)
        return false;
    time.Seconds = static_cast<std::int64_t>(status.st_mtim.tv_sec);
    time.Nanoseconds = static_cast<std::int32_t>(status.st_mtim.tv_nsec);
    return true;
}

bool LocalSourceFile::ReadAttributes(FileAttributes& attributes) const {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0)
        return false;
    attributes.Mode = static_cast<std::uint32_t>(status.st_mode & PermissionBits);
    return true;
}

FileIdentity LocalSourceFile::Identity() const {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0)
        return {};
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// --- writing ---

CreateResult LocalReplacementFile::Create(const std::string& localPath,
                                          std::unique_ptr<ReplacementFile>& file) {
    file.reset();
    IgnoreFileSizeSignal();
    const std::string target = ReplacedFile(localPath);
    if (target.empty())
        return CreateResult::Refused;
    // Checked before anything is written: a rename would replace whatever is there.
    const CreateResult allowed = MayReplace(target);
    if (allowed != CreateResult::Created)
        return allowed;
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        std::string temporary = TemporaryName(target, attempt);
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, NewFileMode);
        if (fd >= 0) {
            file = std::make_unique<LocalReplacementFile>(target, std::move(temporary), fd);
            return CreateResult::Created;
        }
        if (errno != EEXIST)
            return ResultOfError(errno);
    }
    return CreateResult::Refused;
}

LocalReplacementFile::~LocalReplacementFile() {
    if (descriptor_ >= 0)
        ::close(descriptor_);
    if (!committed_)
        ::unlink(temporary_.c_str());
}

std::ptrdiff_t LocalReplacementFile::WriteBlock(const char* buffer, std::size_t size) {
    if (descriptor_ < 0)
        return -1;
    if (!MayWriteBlock(size)) {
        failure_ = CreateResult::Cancelled;
        return -1;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::write(descriptor_, buffer + done, size - done);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            // EFBIG past a file-size limit, ENOSPC, EIO: the block stays short.
            failure_ = ResultOfError(errno);
            return done == 0 ? -1 : static_cast<std::ptrdiff_t>(done);
        }
        if (count == 0)
            break;
        done += static_cast<std::size_t>(count);
    }
    return static_cast<std::ptrdiff_t>(done);
}

bool LocalReplacementFile::SetModificationTime(const FileTime& time) {
    if (descriptor_ < 0)
        return false;
    std::array<timespec, 2> times{};
    times[0].tv_nsec = UTIME_OMIT; // the access time stays as it is
    times[1].tv_sec = static_cast<time_t>(time.Seconds);
    times[1].tv_nsec = static_cast<long>(time.Nanoseconds);
    return ::futimens(descriptor_, times.data()) == 0;
}

bool LocalReplacementFile::SetAttributes(const FileAttributes& attributes) {
    return descriptor_ >= 0 &&
           ::fchmod(descriptor_, static_cast<mode_t>(attributes.Mode) & PermissionBits) == 0;
}

bool LocalReplacementFile::Commit() {
    if (descriptor_ < 0 || committed_)
        return false;
    // The contents reach the disk before the name does, so that a crash leaves the old file or the new one.
    const bool stored = ::fsync(descriptor_) == 0;
    if (!stored)
        failure_ = ResultOfError(errno);
    const bool closed = ::close(descriptor_) == 0;
    if (stored && !closed)
        failure_ = ResultOfError(errno);
    descriptor_ = -1;
    if (!stored || !closed)
        return false;
    // Asked again: the destination may have become read-only or something else since the start.
    if (const CreateResult allowed = MayReplace(target_); allowed != CreateResult::Created) {
        failure_ = allowed;
        return false;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        failure_ = ResultOfError(errno);
        return false;
    }
    committed_ = true;
    return true;
}

// --- names ---

bool IdentifyLocalFile(const std::string& localPath, FileIdentity& identity) {
    struct stat status {};
    if (::stat(localPath.c_str(), &status) != 0)
        return false;
    identity =
        FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
    return true;
}

bool WriteLocalAttributes(const std::string& localPath, const FileAttributes& attributes) {
    // A file's permission bits make no sense on a directory or a device node that happens to carry the
    // destination's name; those keep their own.
    struct stat status {};
    if (::stat(localPath.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    return ::chmod(localPath.c_str(), static_cast<mode_t>(attributes.Mode) & PermissionBits) == 0;
}

} // namespace Platform
