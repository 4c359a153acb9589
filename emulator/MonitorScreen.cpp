#include "emulator/MonitorScreen.h"

#include "emulator/Server.h"
#include "emulator/TimeText.h"

#include <array>
#include <cstdio>

namespace Emulator {

namespace {
constexpr std::array<const char*, 8> Options{"Connection information",   "Disk information",
                                             "LAN/WAN information",      "System module information",
                                             "Lock file server console", "File open / lock activity",
                                             "Cache utilization",        "Exit"};

constexpr int InfoTop = 2;
constexpr int InfoBottom = 11;
constexpr int OptionsTop = 13;

// A well-mixed number from a time bucket and a salt (splitmix64), so each figure wanders on its own.
std::uint64_t Mix(std::uint64_t bucket, std::uint64_t salt) {
    std::uint64_t z = bucket * 0x9E3779B97F4A7C15ull + salt * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::string Field(const char* label, const std::string& value) {
    char text[40];
    std::snprintf(text, sizeof text, "%-24s%10s", label, value.c_str());
    return text;
}

std::string Number(std::uint64_t value) {
    return std::to_string(value);
}
} // namespace

MonitorScreen::MonitorScreen(Server& server) : ConsoleScreen("Monitor"), server_(server) {
    Refresh();
}

void MonitorScreen::DrawFrame(int top, int left, int bottom, int right, bool doubleLine,
                              const std::string& title) {
    ScreenBuffer& cells = MutableCells();
    const std::uint8_t horizontal = doubleLine ? 0xCD : 0xC4;
    const std::uint8_t vertical = doubleLine ? 0xBA : 0xB3;
    for (int column = left + 1; column < right; ++column) {
        cells.PutChar(top, column, horizontal);
        cells.PutChar(bottom, column, horizontal);
    }
    for (int row = top + 1; row < bottom; ++row) {
        cells.PutChar(row, left, vertical);
        cells.PutChar(row, right, vertical);
    }
    cells.PutChar(top, left, doubleLine ? 0xC9 : 0xDA);
    cells.PutChar(top, right, doubleLine ? 0xBB : 0xBF);
    cells.PutChar(bottom, left, doubleLine ? 0xC8 : 0xC0);
    cells.PutChar(bottom, right, doubleLine ? 0xBC : 0xD9);
    const int titleColumn = left + (right - left + 1 - static_cast<int>(title.size())) / 2;
    cells.PutText(top, titleColumn, title, ScreenBuffer::BrightAttribute);
}

void MonitorScreen::Refresh() {
    ScreenBuffer& cells = MutableCells();
    cells.Clear();
    const ServerConfig& config = server_.Config();
    const auto now = server_.Now();
    const auto seconds = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
    // Figures move every ten seconds, the up time every second.
    const std::uint64_t bucket = seconds / 10;

    char title[81];
    std::snprintf(title, sizeof title, " NetWare v%u.%02u Console Monitor%*s%s ",
                  static_cast<unsigned>(config.majorVersion), static_cast<unsigned>(config.minorVersion), 40,
                  "", config.name.c_str());
    cells.PutText(0, 0, std::string(ScreenBuffer::Columns, ' '), ScreenBuffer::InverseAttribute);
    cells.PutText(0, 0, title, ScreenBuffer::InverseAttribute);

    DrawFrame(InfoTop, 1, InfoBottom, 78, true, " Information For Server " + config.name + " ");
    const std::uint64_t originalCache = 2000u + 16u * config.maxConnections;
    const std::array<std::string, 8> left{
        Field("Utilization:", Number(2 + Mix(bucket, 1) % 38) + "%"),
        Field("Server up time:", TimeText::Uptime(now - server_.BootTime())),
        Field("Original cache buffers:", Number(originalCache)),
        Field("Total cache buffers:", Number(originalCache - 200 - Mix(bucket, 2) % 300)),
        Field("Dirty cache buffers:", Number(Mix(bucket, 3) % 40)),
        Field("Long term cache hits:", Number(90 + Mix(bucket, 4) % 10) + "%"),
        Field("Current disk requests:", Number(Mix(bucket, 5) % 6)),
        Field("Packet receive buffers:", Number(100 + Mix(bucket / 6, 6) % 50)),
    };
    const std::array<std::string, 8> right{
        Field("Current connections:", Number(server_.AttachedCount())),
        Field("Licensed connections:", Number(config.maxConnections)),
        Field("Open files:", Number(server_.OpenFileCount())),
        Field("Max service processes:", Number(40)),
        Field("Current service procs:", Number(4 + Mix(bucket, 8) % 12)),
        Field("Directory cache buffers:", Number(200 + Mix(bucket / 6, 9) % 120)),
        Field("Mounted volumes:", Number(config.volumes.size())),
        Field("Loaded modules:", Number(server_.LoadedModules().size())),
    };
    for (std::size_t i = 0; i < left.size(); ++i) {
        cells.PutText(InfoTop + 1 + static_cast<int>(i), 3, left[i]);
        cells.PutText(InfoTop + 1 + static_cast<int>(i), 41, right[i]);
    }

    const int optionsBottom = OptionsTop + static_cast<int>(Options.size()) + 1;
    DrawFrame(OptionsTop, 20, optionsBottom, 59, false, " Available Options ");
    for (std::size_t i = 0; i < Options.size(); ++i) {
        const int row = OptionsTop + 1 + static_cast<int>(i);
        const bool highlighted = i == highlighted_;
        const std::uint8_t attribute =
            highlighted ? ScreenBuffer::InverseAttribute : ScreenBuffer::NormalAttribute;
        char line[40];
        std::snprintf(line, sizeof line, " %-36s ", Options[i]);
        cells.PutText(row, 21, line, attribute);
        if (highlighted)
            cells.PutChar(row, 21, 0x10, attribute); // the pointer triangle of code page 437
    }

    cells.PutText(ScreenBuffer::Rows - 1, 0, std::string(ScreenBuffer::Columns, ' '),
                  ScreenBuffer::InverseAttribute);
    cells.PutText(ScreenBuffer::Rows - 1, 1,
                  "Cursor up and down choose an option.   " + TimeText::ClockTime(now) + " UTC",
                  ScreenBuffer::InverseAttribute);
}

void MonitorScreen::HandleKey(std::uint16_t keyWord) {
    if (keyWord == CursorUp && highlighted_ > 0)
        --highlighted_;
    else if (keyWord == CursorDown && highlighted_ + 1 < Options.size())
        ++highlighted_;
    Refresh();
}

} // namespace Emulator
