#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Emulator {

// A server's volumes as real directories, <volumesRoot>/<SERVER>/<VOLUME>, with SYS:SYSTEM as
// <volumesRoot>/<SERVER>/SYS/SYSTEM. The directories are created when the set is made (existing files are
// left alone); SYS is always a volume, the first one. Volume and file names are matched ignoring letter
// case. No operation throws: a directory that cannot be made leaves the set not Ready.
class Volumes final {
public:
    Volumes(const std::filesystem::path& volumesRoot, std::string_view serverName,
            const std::vector<std::string>& volumeNames);

    bool Ready() const { return ready_; }
    // Volume names, upper-cased, SYS first.
    const std::vector<std::string>& Names() const { return names_; }
    // The directory of the volume, or nothing for an unknown volume.
    std::optional<std::filesystem::path> Directory(std::string_view volumeName) const;
    std::filesystem::path SystemDirectory() const { return serverRoot_ / "SYS" / "SYSTEM"; }

    // Deletes every transfer temporary file (IsTransferTemporary) in the volumes, as left by a transfer
    // cut when an earlier run of the server ended; symbolic links are not followed. Returns how many went.
    std::size_t RemoveTransferTemporaries() const;
    // Whether name is that of the temporary file a transfer writes before renaming it over its destination:
    // "TS", six hexadecimal digits, ".TMP" (letter case ignored).
    static bool IsTransferTemporary(std::string_view name);

    // Whether SYS:SYSTEM holds a regular file of that name (letter case ignored).
    bool HasSystemFile(std::string_view fileName) const;
    // Writes the file into SYS:SYSTEM unless a file of that name (letter case ignored) is there already.
    bool WriteSystemFileIfMissing(std::string_view fileName, std::span<const std::uint8_t> bytes) const;

private:
    std::filesystem::path serverRoot_;
    std::vector<std::string> names_;
    bool ready_ = false;
};

} // namespace Emulator
