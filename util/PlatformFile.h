#pragma once

#include "util/PlatformFileSystem.h"

#include <memory>
#include <string>

// Local files on local paths (POSIX): the files under LocalFiles() and under the settings file. A name is
// taken as it is; '\' is an ordinary character here.
namespace Platform {

// A file-size limit (ulimit -f) must make a write fail, not end the program: unless the program handles the
// signal that the system sends for it, it is ignored from now on, process-wide, so that the write returns
// EFBIG instead. Every routine here that writes calls it first, so any program or test that writes through
// this layer is covered.
void IgnoreFileSizeSignal();

// An existing regular file open for reading.
class LocalSourceFile final : public SourceFile {
public:
    // Never blocks on the name: a named pipe or a device under it is Refused without waiting for a writer.
    static OpenResult Open(const std::string& localPath, std::unique_ptr<SourceFile>& file);

    explicit LocalSourceFile(int ownedDescriptor) : descriptor_(ownedDescriptor) {}
    ~LocalSourceFile() override;
    LocalSourceFile(const LocalSourceFile&) = delete;
    LocalSourceFile& operator=(const LocalSourceFile&) = delete;

    std::ptrdiff_t ReadBlock(char* buffer, std::size_t size) override;
    bool ReadModificationTime(FileTime& time) const override;
    bool ReadAttributes(FileAttributes& attributes) const override;
    FileIdentity Identity() const override;

private:
    int descriptor_ = -1;
};

// New contents for a local file, written into a hidden file beside it (".NAME.<unique>.tmp") and renamed
// over it on Commit. A symbolic link as the destination is followed: the file it leads to is replaced and
// the link stays.
class LocalReplacementFile final : public ReplacementFile {
public:
    // See FileSystem::CreateReplacement for what is refused.
    static CreateResult Create(const std::string& localPath, std::unique_ptr<ReplacementFile>& file);

    LocalReplacementFile(std::string target, std::string temporary, int ownedDescriptor)
        : target_(std::move(target)), temporary_(std::move(temporary)), descriptor_(ownedDescriptor) {}
    ~LocalReplacementFile() override;
    LocalReplacementFile(const LocalReplacementFile&) = delete;
    LocalReplacementFile& operator=(const LocalReplacementFile&) = delete;

    std::ptrdiff_t WriteBlock(const char* buffer, std::size_t size) override;
    bool SetModificationTime(const FileTime& time) override;
    bool SetAttributes(const FileAttributes& attributes) override;
    bool Commit() override;
    CreateResult Failure() const override { return failure_; }

private:
    std::string target_;
    std::string temporary_;
    int descriptor_ = -1;
    bool committed_ = false;
    CreateResult failure_ = CreateResult::Refused;
};

// Device and inode of what the name leads to (links followed).
bool IdentifyLocalFile(const std::string& localPath, FileIdentity& identity);
// Sets the permission bits of a regular file of that name; anything else under the name is left alone.
bool WriteLocalAttributes(const std::string& localPath, const FileAttributes& attributes);

} // namespace Platform
