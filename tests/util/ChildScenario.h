#pragma once

// Scenarios on real and special files. RunInChild runs a scenario in a child process, so that a hang ends by
// an alarm, a fatal signal is reported instead of ending the test, limits and signal settings stay in the
// child, and the scenario can run as the unprivileged user "nobody" (permission bits do not stop the
// superuser). The scenario returns what went wrong, or nothing; it must not use Qt Test macros.

#include <array>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

inline constexpr uid_t NobodyId = 65534;

enum class ScenarioUser { Current, Nobody };

inline std::string RunInChild(ScenarioUser user, unsigned seconds,
                              const std::function<std::string()>& scenario) {
    std::array<int, 2> pipeEnds{};
    if (::pipe(pipeEnds.data()) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child < 0)
        return "no fork";
    if (child == 0) {
        ::close(pipeEnds[0]);
        ::alarm(seconds);
        std::string result = "cannot drop privileges";
        const bool dropped =
            user == ScenarioUser::Current || ::geteuid() != 0 ||
            (::setgroups(0, nullptr) == 0 && ::setgid(NobodyId) == 0 && ::setuid(NobodyId) == 0);
        if (dropped)
            result = scenario();
        const ssize_t written = ::write(pipeEnds[1], result.data(), result.size());
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::string result;
    std::array<char, 256> buffer{};
    ssize_t count = 0;
    while ((count = ::read(pipeEnds[0], buffer.data(), buffer.size())) > 0)
        result.append(buffer.data(), static_cast<std::size_t>(count));
    ::close(pipeEnds[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return "lost the child process";
    if (WIFSIGNALED(status))
        return WTERMSIG(status) == SIGALRM ? std::string("hung")
                                           : "killed by " + std::string(::strsignal(WTERMSIG(status)));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the child process failed";
    return result;
}

// Plain POSIX file helpers, usable in a child process. Read never blocks on a pipe; a missing file reads as
// "<missing>".
inline bool Write(const std::string& path, const std::string& contents, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
    const bool moded = ::fchmod(fd, mode) == 0;
    return ::close(fd) == 0 && written && moded;
}

inline std::string Read(const std::string& path) {
    std::string contents;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return "<missing>";
    std::array<char, 4096> buffer{};
    ssize_t count = 0;
    while ((count = ::read(fd, buffer.data(), buffer.size())) > 0)
        contents.append(buffer.data(), static_cast<std::size_t>(count));
    ::close(fd);
    return contents;
}
