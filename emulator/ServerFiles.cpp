#include "emulator/ServerFiles.h"

#include "emulator/LocaleText.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace Emulator {

namespace {
constexpr int DirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr int FileFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
constexpr mode_t NewFileMode = 0644;
constexpr mode_t WriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// A component names one entry of one directory: never the directory itself or its parent, never a path.
bool ValidComponent(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?')
            return false;
    }
    return true;
}

// The entry of the directory whose name matches ignoring letter case (an exact match first); the name as
// given when there is none, which is what a file about to be created is called.
std::string EntryName(int directory, const std::string& wanted) {
    struct stat exact {};
    if (::fstatat(directory, wanted.c_str(), &exact, AT_SYMLINK_NOFOLLOW) == 0)
        return wanted;
    // A descriptor of its own: the directory stream must not move the offset of the one it was opened from.
    const int listing = ::openat(directory, ".", DirectoryFlags);
    if (listing < 0)
        return wanted;
    DIR* stream = ::fdopendir(listing);
    if (stream == nullptr) {
        ::close(listing);
        return wanted;
    }
    std::string found = wanted;
    while (const dirent* entry = ::readdir(stream)) {
        if (LocaleText::SameName(entry->d_name, wanted)) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(stream);
    return found;
}

bool ReadOnly(const struct stat& status) {
    return (status.st_mode & WriteBits) == 0;
}

// Whether the entry is absent (ENOENT), a regular file (status filled), or anything else.
enum class EntryKind { Missing, RegularFile, Other, Error };

EntryKind Inspect(int directory, const std::string& name, struct stat& status) {
    if (::fstatat(directory, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? EntryKind::Missing : EntryKind::Error;
    return S_ISREG(status.st_mode) ? EntryKind::RegularFile : EntryKind::Other;
}

std::uint8_t CompletionOf(EntryKind kind) {
    switch (kind) {
    case EntryKind::Missing:
        return ServerFiles::FileNotFound;
    case EntryKind::Other:
        return ServerFiles::InvalidPath;
    case EntryKind::Error:
        return ServerFiles::IoFailure;
    case EntryKind::RegularFile:
        break;
    }
    return 0;
}

// The descriptor still names the regular file inspected before it was opened.
bool SameRegularFile(int fd, const struct stat& before) {
    struct stat after {};
    return ::fstat(fd, &after) == 0 && S_ISREG(after.st_mode) && after.st_ino == before.st_ino &&
           after.st_dev == before.st_dev;
}
} // namespace

ServerFiles::Parent ServerFiles::ResolveParent(const NetWarePath& path) const {
    Parent parent;
    const auto volumeDirectory = volumes_.Directory(path.volume);
    if (!volumeDirectory) {
        parent.completion = NoSuchVolume;
        return parent;
    }
    parent.volume = LocaleText::UpperAscii(path.volume);
    if (path.components.empty()) {
        parent.completion = InvalidPath;
        return parent;
    }
    for (const std::string& component : path.components)
        if (!ValidComponent(component)) {
            parent.completion = InvalidPath;
            return parent;
        }
    parent.directory.Reset(::open(volumeDirectory->c_str(), DirectoryFlags));
    if (!parent.directory.Valid()) {
        parent.completion = IoFailure;
        return parent;
    }
    for (std::size_t i = 0; i + 1 < path.components.size(); ++i) {
        const std::string name = EntryName(parent.directory.Get(), path.components[i]);
        // O_NOFOLLOW|O_DIRECTORY: a symbolic link or a file on the way ends the walk here.
        UniqueFd next(::openat(parent.directory.Get(), name.c_str(), DirectoryFlags));
        if (!next.Valid()) {
            parent.completion = InvalidPath;
            return parent;
        }
        parent.directory = std::move(next);
    }
    parent.name = EntryName(parent.directory.Get(), path.components.back());
    return parent;
}

OpenedFile ServerFiles::Open(const NetWarePath& path, const FileOpenMode& mode) const {
    OpenedFile opened;
    Parent parent = ResolveParent(path);
    if (parent.completion != 0) {
        opened.completion = parent.completion;
        return opened;
    }
    const bool write = mode.write || mode.truncate || mode.create;
    struct stat status {};
    const EntryKind kind = Inspect(parent.directory.Get(), parent.name, status);
    if (kind == EntryKind::RegularFile) {
        if (!mode.openExisting && !mode.truncate) {
            opened.completion = FileExists;
            return opened;
        }
        if (write && ReadOnly(status)) {
            opened.completion = NoWritePrivilege;
            return opened;
        }
        if (write && status.st_nlink > 1) {
            // Another name of the same file may lie anywhere, also outside the volume: never write
            // through it. A replace gets a file of its own under this name; any other write is refused.
            if (!mode.truncate) {
                opened.completion = NoWritePrivilege;
                return opened;
            }
            if (::unlinkat(parent.directory.Get(), parent.name.c_str(), 0) != 0) {
                opened.completion = IoFailure;
                return opened;
            }
            CreateNew(parent, opened);
            opened.truncated = opened.created;
            opened.created = false;
            return opened;
        }
        opened.fd.Reset(
            ::openat(parent.directory.Get(), parent.name.c_str(), FileFlags | (write ? O_WRONLY : O_RDONLY)));
        if (!opened.fd.Valid() || !SameRegularFile(opened.fd.Get(), status)) {
            // Something else took the name between the look and the open.
            opened.completion = opened.fd.Valid() ? InvalidPath : IoFailure;
            opened.fd.Reset();
            return opened;
        }
        if (mode.truncate) {
            if (::ftruncate(opened.fd.Get(), 0) != 0) {
                opened.fd.Reset();
                opened.completion = IoFailure;
                return opened;
            }
            opened.truncated = true;
        }
        return opened;
    }
    if (kind != EntryKind::Missing || !mode.create) {
        opened.completion = CompletionOf(kind);
        return opened;
    }
    CreateNew(parent, opened);
    return opened;
}

void ServerFiles::CreateNew(const Parent& parent, OpenedFile& opened) {
    opened.fd.Reset(::openat(parent.directory.Get(), parent.name.c_str(),
                             FileFlags | O_WRONLY | O_CREAT | O_EXCL, NewFileMode));
    if (!opened.fd.Valid()) {
        opened.completion = errno == ENOSPC ? OutOfSpace : IoFailure;
        return;
    }
    opened.created = true;
}

std::uint8_t ServerFiles::Rename(const NetWarePath& from, const NetWarePath& to) const {
    const Parent source = ResolveParent(from);
    if (source.completion != 0)
        return source.completion;
    const Parent target = ResolveParent(to);
    if (target.completion != 0)
        return target.completion;
    if (source.volume != target.volume)
        return RenameAcrossVolumes;
    struct stat status {};
    if (const EntryKind kind = Inspect(source.directory.Get(), source.name, status);
        kind != EntryKind::RegularFile)
        return CompletionOf(kind);
    // Read Only implies Rename Inhibit: a read-only file keeps its name.
    if (ReadOnly(status))
        return NoRenamePrivilege;
    const EntryKind targetKind = Inspect(target.directory.Get(), target.name, status);
    if (targetKind == EntryKind::RegularFile && ReadOnly(status))
        return NoRenamePrivilege;
    if (targetKind == EntryKind::Other || targetKind == EntryKind::Error)
        return CompletionOf(targetKind);
    if (::renameat(source.directory.Get(), source.name.c_str(), target.directory.Get(),
                   target.name.c_str()) != 0)
        return IoFailure;
    return 0;
}

ServerFiles::Parent ServerFiles::ResolveRegularFile(const NetWarePath& path, struct stat& status) const {
    Parent parent = ResolveParent(path);
    if (parent.completion != 0)
        return parent;
    if (const EntryKind kind = Inspect(parent.directory.Get(), parent.name, status);
        kind != EntryKind::RegularFile)
        parent.completion = CompletionOf(kind);
    return parent;
}

std::uint8_t ServerFiles::Delete(const NetWarePath& path) const {
    struct stat status {};
    const Parent parent = ResolveRegularFile(path, status);
    if (parent.completion != 0)
        return parent.completion;
    if (ReadOnly(status))
        return NoDeletePrivilege;
    return ::unlinkat(parent.directory.Get(), parent.name.c_str(), 0) == 0 ? 0 : IoFailure;
}

std::uint8_t ServerFiles::SetInformation(const NetWarePath& path,
                                         std::optional<std::chrono::system_clock::time_point> modified,
                                         std::optional<std::uint32_t> attributes,
                                         bool mayChangeReadOnly) const {
    struct stat status {};
    const Parent parent = ResolveRegularFile(path, status);
    if (parent.completion != 0)
        return parent.completion;
    const bool readOnly = ReadOnly(status);
    const bool wantReadOnly = attributes ? (*attributes & ReadOnlyAttribute) != 0 : readOnly;
    // For anyone else a read-only file stays as it is: clearing the attribute would open the way to
    // replacing it.
    if (!mayChangeReadOnly && readOnly)
        return NoWritePrivilege;
    if (!mayChangeReadOnly && wantReadOnly)
        return NoSetPrivilege;
    // Times and modes belong to the file, not to a name: another link may lie outside the volume.
    if (status.st_nlink > 1)
        return NoWritePrivilege;
    // The change goes through a descriptor of the inspected file, so a link swapped in meanwhile is not
    // followed; a file whose owner may not read it is still opened for writing.
    UniqueFd fd(::openat(parent.directory.Get(), parent.name.c_str(), FileFlags | O_RDONLY));
    if (!fd.Valid())
        fd.Reset(::openat(parent.directory.Get(), parent.name.c_str(), FileFlags | O_WRONLY));
    if (!fd.Valid() || !SameRegularFile(fd.Get(), status))
        return IoFailure;
    if (modified) {
        const auto since = modified->time_since_epoch();
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
        const timespec times[2] = {
            {0, UTIME_OMIT},
            {static_cast<time_t>(seconds.count()),
             static_cast<long>(
                 std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count())}};
        if (::futimens(fd.Get(), times) != 0)
            return IoFailure;
    }
    if (wantReadOnly != readOnly) {
        const mode_t mode = wantReadOnly ? (status.st_mode & ~WriteBits) : (status.st_mode | S_IWUSR);
        if (::fchmod(fd.Get(), mode & 07777) != 0)
            return IoFailure;
    }
    return 0;
}

bool ServerFiles::InSystemDirectory(const NetWarePath& path) {
    return LocaleText::SameName(path.volume, "SYS") && path.components.size() >= 2 &&
           LocaleText::SameName(path.components.front(), "SYSTEM");
}

} // namespace Emulator
