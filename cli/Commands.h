#pragma once

#include "cli/CommandResult.h"
#include "cli/ServerWork.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The commands that act on one server, each run by RunOnServer on that server's own client, through the
// routines the window's pages use: the extension scan, the NLM calls, the console requests and the copy.
namespace Cli {

CommandResult Info(ServerConnection& server);
CommandResult Extensions(ServerConnection& server);
CommandResult LoadOrUnload(ServerConnection& server, const std::string& moduleName, bool load);
CommandResult Screens(ServerConnection& server);

struct ScreenOptions {
    std::string screen; // empty: the first screen
    bool raw = false;   // the screen's bytes, not UTF-8 text
};
CommandResult Show(ServerConnection& server, const ScreenOptions& options);

// The key words and clears that send types: each character of text on the console's code page, with the
// escapes \r (Enter), \e (Escape), \b (Backspace) and \\, then the named keys (up, down, esc, cr, cls).
struct ScreenKey {
    bool clear = false;
    std::uint16_t keyWord = 0;
};
// False, with the reason in problem, for an unknown escape or a character the code page lacks.
bool KeysToSend(const std::string& text, const std::vector<std::string>& keyNames,
                std::vector<ScreenKey>& keys, std::string& problem);
CommandResult Send(ServerConnection& server, const ScreenOptions& options,
                   const std::vector<ScreenKey>& keys);

struct RunOptions {
    std::string command;
    std::chrono::milliseconds settle{1000}; // how long the screen must stay as it is
    std::chrono::milliseconds limit{10000}; // the longest wait; then exit status 5
};
// The screen the console commands are typed on.
inline constexpr const char* SystemConsoleName = "System Console";
CommandResult Run(ServerConnection& server, const RunOptions& options);

struct WatchOptions {
    std::string screen;
    std::chrono::milliseconds interval{1000};
    const std::atomic<bool>* stop = nullptr;           // set when the user interrupts
    std::function<void(const std::string& line)> emit; // each new line, as it appears
};
CommandResult Watch(ServerConnection& server, const WatchOptions& options);

struct CopyOptions {
    std::string source; // empty: QVEXT.NLM from the saved transfer path
    std::function<void(std::uint64_t written, std::int64_t total)> progress;
};
CommandResult Copy(ServerConnection& server, const CopyOptions& options);

// One line of the servers command for a server that was attached and read.
CommandResult ServerLine(ServerConnection& server);

} // namespace Cli
