#include "util/PlatformFileSystem.h"

#include "util/PlatformFile.h"
#include "util/PlatformPaths.h"

namespace Platform {

namespace {

// Program paths turned into local ones (a server's volume through its local directory), then local files.
class LocalFileSystem final : public FileSystem {
public:
    OpenResult OpenForReading(const std::string& path, std::unique_ptr<SourceFile>& file) override {
        file.reset();
        std::string localPath;
        if (!ToLocalPath(path, localPath))
            return OpenResult::Refused;
        return LocalSourceFile::Open(localPath, file);
    }

    CreateResult CreateReplacement(const std::string& path, std::unique_ptr<ReplacementFile>& file) override {
        file.reset();
        std::string localPath;
        if (!ToLocalPath(path, localPath))
            return CreateResult::Refused;
        return LocalReplacementFile::Create(localPath, file);
    }

    bool Identify(const std::string& path, FileIdentity& identity) override {
        std::string localPath;
        return ToLocalPath(path, localPath) && IdentifyLocalFile(localPath, identity);
    }

    bool WriteAttributes(const std::string& path, const FileAttributes& attributes) override {
        std::string localPath;
        return ToLocalPath(path, localPath) && WriteLocalAttributes(localPath, attributes);
    }
};

FileSystem* networkFiles = nullptr;

bool IsNetworkPath(const std::string& path) {
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

} // namespace

FileSystem& LocalFiles() {
    static LocalFileSystem files;
    return files;
}

FileSystem& FilesFor(const std::string& path) {
    if (networkFiles != nullptr && IsNetworkPath(path))
        return *networkFiles;
    return LocalFiles();
}

void BindNetworkFiles(FileSystem* files) {
    networkFiles = files;
}

namespace {
WriteWatcher& Watcher() {
    static WriteWatcher watcher;
    return watcher;
}
} // namespace

void WatchWrites(WriteWatcher watcher) {
    Watcher() = std::move(watcher);
}

bool MayWriteBlock(std::size_t size) {
    return !Watcher() || Watcher()(size);
}

} // namespace Platform
