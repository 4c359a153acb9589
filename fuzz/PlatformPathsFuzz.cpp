// The path layer under the copy, on any path: network paths of a volume whose directory holds links that
// stay inside, lead out, lead to the root or lead nowhere. Properties: a network path that maps ends inside
// the volume's real directory, without "..", and what it names (if anything) resolves inside as well; a
// refused path leaves no result; a local path only has its separators turned.

#include "FuzzSupport.h"

#include "tests/util/FakeVolumeClient.h"
#include "util/PlatformPaths.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::filesystem::path base;
std::string volumeRoot; // the real path of the volume's directory
std::unique_ptr<FakeVolumeClient> client;

std::string RealPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool Inside(const std::string& path) {
    return path == volumeRoot || path.starts_with(volumeRoot + "/");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    base = std::filesystem::temp_directory_path() / ("tessaline-paths-fuzz-" + std::to_string(::getpid()));
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(base, ignored);
    });
    const std::filesystem::path sys = base / "vol" / "SYS";
    std::filesystem::create_directories(sys / "SYSTEM" / "DEEP");
    std::filesystem::create_directories(base / "outside");
    std::filesystem::create_symlink("SYSTEM", sys / "IN");
    std::filesystem::create_symlink(base / "outside", sys / "OUT");
    std::filesystem::create_symlink("../../outside", sys / "SYSTEM" / "UP");
    std::filesystem::create_symlink("/", sys / "ROOT");
    std::filesystem::create_symlink(base / "gone", sys / "NOWHERE");
    std::filesystem::create_symlink(".", sys / "SELF");
    volumeRoot = RealPath(sys.string());
    client = std::make_unique<FakeVolumeClient>();
    client->AddVolume("FS1", "SYS", sys.string());
    BindClient(client.get());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz::Input input(data, size);
    const std::uint8_t choice = input.Byte();
    const auto rest = input.Rest();
    std::string path(rest.begin(), rest.end());
    // Most inputs go below the volume, so that the links are reached.
    if ((choice & 3) != 0)
        path = "\\\\FS1\\SYS\\" + path;

    std::string local = "left from before";
    const bool mapped = Platform::ToLocalPath(path, local);
    if (!mapped) {
        Fuzz::Require(local.empty(), "a refused path leaves no result");
        return 0;
    }
    Fuzz::Require(local.find('\0') == std::string::npos, "no zero byte reaches the file system");
    if (path.starts_with("\\\\")) {
        Fuzz::Require(Inside(local) || Inside(local.substr(0, local.size() - 1)), "the result lies inside");
        Fuzz::Require(local.find("/../") == std::string::npos && !local.ends_with("/.."), "no climbing up");
        struct stat status {};
        if (::lstat(local.c_str(), &status) == 0) {
            const std::string real = RealPath(local);
            Fuzz::Require(real.empty() || Inside(real), "what the result names lies inside");
        }
    } else {
        std::string turned = path;
        for (char& c : turned)
            if (c == '\\')
                c = '/';
        Fuzz::Require(local == turned, "a local path only has its separators turned");
    }
    return 0;
}
