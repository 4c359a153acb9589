#pragma once

#include "emulator/ConsoleScreen.h"

#include <cstdint>

namespace Emulator {

class Server;

// The server's "Logger Screen": the latest entries of the server's event log (module loads and unloads,
// console commands), one per row with its time, newest at the bottom. A clear hides the entries logged so
// far; later ones appear again.
class LoggerScreen final : public ConsoleScreen {
public:
    explicit LoggerScreen(Server& server);

    void Refresh() override;
    void Clear() override;

private:
    Server& server_;
    std::uint64_t hiddenUpTo_ = 0; // entries logged before this count are not shown
};

} // namespace Emulator
