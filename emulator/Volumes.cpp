#include "emulator/Volumes.h"

#include "emulator/LocaleText.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

namespace Emulator {

Volumes::Volumes(const std::filesystem::path& volumesRoot, std::string_view serverName,
                 const std::vector<std::string>& volumeNames)
    : serverRoot_(volumesRoot / LocaleText::UpperAscii(serverName)) {
    names_.push_back("SYS");
    for (const std::string& name : volumeNames) {
        std::string upper = LocaleText::UpperAscii(name);
        if (!upper.empty() && std::find(names_.begin(), names_.end(), upper) == names_.end())
            names_.push_back(std::move(upper));
    }
    ready_ = !volumesRoot.empty();
    std::error_code error;
    for (const std::string& name : names_) {
        std::filesystem::create_directories(serverRoot_ / name, error);
        ready_ = ready_ && !error;
    }
    std::filesystem::create_directories(SystemDirectory(), error);
    ready_ = ready_ && !error;
}

std::optional<std::filesystem::path> Volumes::Directory(std::string_view volumeName) const {
    for (const std::string& name : names_)
        if (LocaleText::SameName(name, volumeName))
            return serverRoot_ / name;
    return std::nullopt;
}

bool Volumes::HasSystemFile(std::string_view fileName) const {
    std::error_code error;
    for (std::filesystem::directory_iterator entry(SystemDirectory(), error), end; !error && entry != end;
         entry.increment(error)) {
        if (LocaleText::SameName(entry->path().filename().string(), fileName) &&
            entry->is_regular_file(error))
            return true;
    }
    return false;
}

bool Volumes::WriteSystemFileIfMissing(std::string_view fileName, std::span<const std::uint8_t> bytes) const {
    if (HasSystemFile(fileName))
        return true;
    std::ofstream file(SystemDirectory() / std::string(fileName), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool Volumes::IsTransferTemporary(std::string_view name) {
    if (name.size() != 12 || LocaleText::UpperAscii(name.substr(0, 2)) != "TS" ||
        LocaleText::UpperAscii(name.substr(8)) != ".TMP")
        return false;
    return std::all_of(name.begin() + 2, name.begin() + 8,
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

std::size_t Volumes::RemoveTransferTemporaries() const {
    std::size_t removed = 0;
    for (const std::string& volume : names_) {
        std::error_code error;
        const auto directory = Directory(volume);
        if (!directory)
            continue;
        // Symbolic links are neither followed nor removed: a walk never leaves the volume.
        for (auto entry = std::filesystem::recursive_directory_iterator(*directory, error);
             !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
            if (entry->is_regular_file(error) && !entry->is_symlink(error) &&
                IsTransferTemporary(entry->path().filename().string()) &&
                std::filesystem::remove(entry->path(), error))
                ++removed;
        }
    }
    return removed;
}

} // namespace Emulator
