#include "util/Settings.h"

#include "util/PlatformFile.h"
#include "util/SettingsProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>

// The settings file: one profile file per name, read and written whole on each call. Only a regular file is
// read or replaced, without ever blocking on what the name leads to, and only up to MaxSettingsFileSize;
// anything else reads as a missing file and is never replaced.
namespace NetUtil {

namespace {

std::string settingsDirectoryOverride;

enum class LoadResult { Loaded, Missing, Failed };

// The file's text and, when it exists, its permission bits (kept when it is rewritten).
LoadResult LoadProfile(const std::string& path, ProfileText& profile, Platform::FileAttributes& attributes,
                       bool& exists) {
    profile = ProfileText{};
    exists = false;
    std::unique_ptr<Platform::SourceFile> file;
    const Platform::OpenResult opened = Platform::LocalSourceFile::Open(path, file);
    if (opened == Platform::OpenResult::Missing)
        return LoadResult::Missing;
    if (opened != Platform::OpenResult::Opened)
        return LoadResult::Failed;
    exists = file->ReadAttributes(attributes);
    // One byte more than allowed tells a file that is too large from one that just fits.
    std::string contents(MaxSettingsFileSize + 1, '\0');
    const std::ptrdiff_t count = file->ReadBlock(contents.data(), contents.size());
    if (count < 0 || static_cast<std::size_t>(count) > MaxSettingsFileSize)
        return LoadResult::Failed;
    contents.resize(static_cast<std::size_t>(count));
    profile = ParseProfile(contents);
    return LoadResult::Loaded;
}

bool StoreProfile(const std::string& path, const ProfileText& profile,
                  const Platform::FileAttributes* attributes) {
    if (!QDir().mkpath(QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absolutePath()))
        return false;
    // Written beside the file and renamed over it, so that a failure leaves the old file whole.
    std::unique_ptr<Platform::ReplacementFile> file;
    if (Platform::LocalReplacementFile::Create(path, file) != Platform::CreateResult::Created)
        return false;
    const std::string contents = RenderProfile(profile);
    if (file->WriteBlock(contents.data(), contents.size()) != static_cast<std::ptrdiff_t>(contents.size()))
        return false;
    if (attributes != nullptr && !file->SetAttributes(*attributes))
        return false;
    return file->Commit();
}

} // namespace

std::string SettingsDirectory() {
    if (!settingsDirectoryOverride.empty())
        return settingsDirectoryOverride;
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
               .toStdString() +
           "/Tessaline";
}

void SetSettingsDirectory(const std::string& directory) {
    settingsDirectoryOverride = directory;
}

std::string SettingsFilePath(const std::string& fileName) {
    if (fileName.find('/') != std::string::npos)
        return fileName;
    const bool hasExtension = fileName.find('.') != std::string::npos;
    return SettingsDirectory() + "/" + fileName + (hasExtension ? "" : ".INI");
}

std::string ReadSetting(const std::string& fileName, const std::string& section, const std::string& key,
                        const std::string& defaultValue) {
    ProfileText profile;
    Platform::FileAttributes attributes;
    bool exists = false;
    if (LoadProfile(SettingsFilePath(fileName), profile, attributes, exists) != LoadResult::Loaded)
        return defaultValue;
    std::string value;
    return FindProfileValue(profile, section, key, value) ? value : defaultValue;
}

bool WriteSetting(const std::string& fileName, const std::string& section, const std::string& key,
                  const std::string& value) {
    const std::string path = SettingsFilePath(fileName);
    ProfileText profile;
    Platform::FileAttributes attributes;
    bool exists = false;
    // A file that is there but cannot be read whole is not replaced by one that lacks its other lines.
    if (LoadProfile(path, profile, attributes, exists) == LoadResult::Failed)
        return false;
    if (!SetProfileValue(profile, section, key, value))
        return false;
    return StoreProfile(path, profile, exists ? &attributes : nullptr);
}

} // namespace NetUtil
