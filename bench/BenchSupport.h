#pragma once

// Small pieces the benchmarks share: the median and spread of a series, the benchmark's temporary directory,
// a source file of random bytes, and waiting for a window to be on the screen.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace Bench {

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The median of a series with its lowest and highest value.
template <typename Value> struct Spread {
    Value median{};
    Value low{};
    Value high{};
};
template <typename Value> Spread<Value> SpreadOf(std::vector<Value> values) {
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

// The path of the benchmark's temporary directory, in the file system's bytes; empty, with the reason on
// standard error, when there is none.
inline std::string DirectoryOf(const QTemporaryDir& temporary) {
    if (!temporary.isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        return {};
    }
    return QFile::encodeName(temporary.path()).toStdString();
}

// A file of size bytes (a multiple of 1 MiB) that no compression or deduplication shortens.
inline bool WriteRandomFile(const std::string& path, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::vector<char> chunk(1024 * 1024);
    std::uint32_t state = 12345;
    bool ok = true;
    for (std::size_t written = 0; written < size && ok; written += chunk.size()) {
        for (char& c : chunk) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        ok = ::write(fd, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size());
    }
    return ::close(fd) == 0 && ok;
}

// Turns the event loop until the window is exposed; false after limit.
inline bool WaitUntilExposed(QWidget& window, std::chrono::seconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::processEvents();
    return true;
}

} // namespace Bench
