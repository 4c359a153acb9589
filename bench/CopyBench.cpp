// The transfer's file copy (4096-byte blocks) against the system's cp on the same 64 MiB file, page cache
// warm for both. Prints the median of several rounds of each and their ratio, and, as the floor for any copy
// through one 4096-byte buffer, a bare read/write loop with such a buffer.

#include "util/FileCopy.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr std::size_t FileSize = 64u * 1024u * 1024u;
constexpr int Rounds = 7;

using Clock = std::chrono::steady_clock;

bool WriteSource(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::vector<char> chunk(1024 * 1024);
    std::uint32_t state = 12345;
    bool ok = true;
    for (std::size_t written = 0; written < FileSize && ok; written += chunk.size()) {
        for (char& c : chunk) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        ok = ::write(fd, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size());
    }
    return ::close(fd) == 0 && ok;
}

// Reads the whole file so that both contenders start from the page cache.
bool ReadThrough(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::vector<char> buffer(1024 * 1024);
    ssize_t count = 0;
    while ((count = ::read(fd, buffer.data(), buffer.size())) > 0) {
    }
    ::close(fd);
    return count == 0;
}

// The least a copy through one 4096-byte buffer must do: one read and one write per block.
bool BareLoop(const std::string& source, const std::string& destination) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::array<char, 4096> buffer{};
    bool ok = in >= 0 && out >= 0;
    ssize_t count = 0;
    while (ok && (count = ::read(in, buffer.data(), buffer.size())) > 0)
        ok = ::write(out, buffer.data(), static_cast<std::size_t>(count)) == count;
    ok = ok && count == 0;
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ok = ::close(out) == 0 && ok;
    return ok;
}

bool RunCp(const std::string& source, const std::string& destination) {
    std::string program = "cp";
    std::array<char*, 4> arguments{program.data(), const_cast<char*>(source.c_str()),
                                   const_cast<char*>(destination.c_str()), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, "cp", nullptr, nullptr, arguments.data(), environ) != 0)
        return false;
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

off_t SizeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

} // namespace

int main() {
    QTemporaryDir temporary;
    if (!temporary.isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    const std::string directory = QFile::encodeName(temporary.path()).toStdString();
    const std::string source = directory + "/SOURCE.NLM";
    if (!WriteSource(source) || !ReadThrough(source)) {
        std::fprintf(stderr, "cannot prepare %s\n", source.c_str());
        return 1;
    }

    enum class Contender { CopyFile, Cp, BareLoop };
    constexpr std::array<Contender, 3> contenders{Contender::CopyFile, Contender::Cp, Contender::BareLoop};
    constexpr std::array<const char*, 3> names{"CopyFile", "cp", "bare loop"};
    const std::array<std::string, 3> destinations{directory + "/COPY.NLM", directory + "/CP.NLM",
                                                  directory + "/BARE.NLM"};
    std::array<std::vector<double>, 3> times;
    for (int round = 0; round < Rounds; ++round) {
        // Each writes a new file each round; the order rotates so that none always goes first.
        for (const std::string& destination : destinations)
            ::unlink(destination.c_str());
        for (std::size_t turn = 0; turn < contenders.size(); ++turn) {
            const std::size_t which = (static_cast<std::size_t>(round) + turn) % contenders.size();
            const std::string& destination = destinations[which];
            const auto start = Clock::now();
            bool ok = false;
            switch (contenders[which]) {
            case Contender::CopyFile:
                ok = NCP_Ext::CopyFile(source, destination) == 0;
                break;
            case Contender::Cp:
                ok = RunCp(source, destination);
                break;
            case Contender::BareLoop:
                ok = BareLoop(source, destination);
                break;
            }
            const auto elapsed = Clock::now() - start;
            if (!ok || SizeOf(destination) != static_cast<off_t>(FileSize)) {
                std::fprintf(stderr, "%s failed\n", names[which]);
                return 1;
            }
            times[which].push_back(Milliseconds(elapsed));
        }
    }

    const double copyMedian = Median(times[0]);
    const double cpMedian = Median(times[1]);
    const double bareMedian = Median(times[2]);
    std::printf("file: 64 MiB in %s, %d rounds, page cache warm\n", directory.c_str(), Rounds);
    std::printf("CopyFile (4096-byte blocks): median %.1f ms\n", copyMedian);
    std::printf("cp:                          median %.1f ms\n", cpMedian);
    std::printf("bare 4096-byte loop:         median %.1f ms\n", bareMedian);
    std::printf("ratio CopyFile / cp:         %.2f (goal: at most 1.50)\n", copyMedian / cpMedian);
    std::printf("ratio CopyFile / bare loop:  %.2f\n", copyMedian / bareMedian);
    return 0;
}
