#pragma once

#include "emulator/ConsoleScreen.h"

#include <cstddef>
#include <cstdint>

namespace Emulator {

class Server;

// The server's "Monitor": a general-information box drawn with code-page-437 frame characters, whose
// figures (utilisation, up time, cache buffers, disk requests, open files, ...) are computed from the
// server's clock at every read, so that two reads a minute apart differ and two reads at the same instant
// are equal; and a box of options that cursor up and down step through.
class MonitorScreen final : public ConsoleScreen {
public:
    static constexpr std::uint16_t CursorUp = 0x4800;
    static constexpr std::uint16_t CursorDown = 0x5000;

    explicit MonitorScreen(Server& server);

    void Refresh() override;
    void HandleKey(std::uint16_t keyWord) override;
    void Clear() override { Refresh(); }

    std::size_t HighlightedOption() const { return highlighted_; }

private:
    void DrawFrame(int top, int left, int bottom, int right, bool doubleLine, const std::string& title);

    Server& server_;
    std::size_t highlighted_ = 0;
};

} // namespace Emulator
