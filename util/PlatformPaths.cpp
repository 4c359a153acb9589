#include "util/PlatformPaths.h"

#include "netclient/ClientLibrary.h"

#include <array>
#include <cstdint>

namespace Platform {

namespace {

// Room for the longest local directory the platform can name, with its terminator.
constexpr std::uint32_t VolumeDirectoryCapacity = 4096;

bool IsNetworkPath(const std::string& path) {
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

std::string ToForwardSlashes(std::string path) {
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

// True when some component of a '/'-separated path is "..".
bool ClimbsUp(const std::string& path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (path.compare(start, end - start, "..") == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// "\\SERVER\VOLUME[\rest]": the client names the volume's directory, rest goes below it.
bool NetworkToLocal(const std::string& path, std::string& localPath) {
    const std::size_t serverStart = 2;
    const std::size_t serverEnd = path.find('\\', serverStart);
    if (serverEnd == std::string::npos || serverEnd == serverStart)
        return false;
    const std::size_t volumeStart = serverEnd + 1;
    std::size_t volumeEnd = path.find('\\', volumeStart);
    if (volumeEnd == std::string::npos)
        volumeEnd = path.size();
    if (volumeEnd == volumeStart)
        return false;
    const std::string server = path.substr(serverStart, serverEnd - serverStart);
    const std::string volume = path.substr(volumeStart, volumeEnd - volumeStart);

    // The rest keeps its leading separator, so that "\\FS1\SYS\" maps to the volume directory with a
    // trailing '/', and "\\FS1\SYS" to the directory itself.
    const std::string rest = ToForwardSlashes(path.substr(volumeEnd));
    if (ClimbsUp(rest))
        return false;

    std::array<char, VolumeDirectoryCapacity> directory{};
    if (Client().GetVolumeDirectory(server.c_str(), volume.c_str(), directory.data(),
                                    VolumeDirectoryCapacity) != 0)
        return false;
    directory.back() = '\0';
    std::string local(directory.data());
    if (local.empty())
        return false;
    if (!rest.empty() && local.back() == '/')
        local.pop_back();
    localPath = local + rest;
    return true;
}

} // namespace

bool ToLocalPath(const std::string& path, std::string& localPath) {
    localPath.clear();
    // A zero byte would silently cut the name handed to the file system.
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    if (IsNetworkPath(path))
        return NetworkToLocal(path, localPath);
    localPath = ToForwardSlashes(path);
    return true;
}

} // namespace Platform
