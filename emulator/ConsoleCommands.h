#pragma once

#include <string>
#include <vector>

namespace Emulator {

class Server;

// What one command line of the system console does: the lines it prints, and whether it clears the
// screen first (CLS).
struct CommandResult {
    std::vector<std::string> lines;
    bool clearScreen = false;
};

// The system console's command interpreter: HELP, MODULES, VERSION, VOLUMES, CONFIG, TIME, CLS,
// LOAD <module> and UNLOAD <module>, letter case ignored. LOAD and UNLOAD change the server's modules and
// with them its registered extensions. Any other command gets "???  Unknown command ???"; an empty line
// prints nothing.
CommandResult RunConsoleCommand(Server& server, const std::string& line);

} // namespace Emulator
