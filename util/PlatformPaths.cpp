#include "util/PlatformPaths.h"

#include "netclient/ClientLibrary.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

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

std::string RealPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool IsInside(const std::string& path, const std::string& root) {
    if (root == "/")
        return true;
    return path.compare(0, root.size(), root) == 0 &&
           (path.size() == root.size() || path[root.size()] == '/');
}

std::string Joined(const std::string& directory, const std::string& name) {
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

// The volume's directory with rest below it, every link on the way resolved, or false when the way leaves
// the volume's directory. Names that do not exist yet (the file a copy is about to make) are appended as
// they are; a name that exists but cannot be resolved (a link that leads nowhere) is refused.
bool ResolveInsideVolume(const std::string& volumeDirectory, const std::string& rest,
                         std::string& localPath) {
    const std::string root = volumeDirectory.empty() ? std::string() : RealPath(volumeDirectory);
    if (root.empty())
        return false;
    std::string resolved = root;
    bool missing = false;
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t end = rest.find('/', start);
        if (end == std::string::npos)
            end = rest.size();
        const std::string component = rest.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".")
            continue;
        const std::string next = Joined(resolved, component);
        if (missing) {
            resolved = next;
            continue;
        }
        // Resolved one step at a time, so that a link met on the way is followed before the next name.
        const std::string real = RealPath(next);
        if (real.empty()) {
            struct stat status {};
            if (::lstat(next.c_str(), &status) == 0 || errno != ENOENT)
                return false;
            missing = true;
            resolved = next;
            continue;
        }
        if (!IsInside(real, root))
            return false;
        resolved = real;
    }
    // A directory named with its trailing separator keeps it.
    if (!rest.empty() && rest.back() == '/' && resolved.back() != '/')
        resolved += '/';
    localPath = resolved;
    return true;
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
    return ResolveInsideVolume(directory.data(), rest, localPath);
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
