#pragma once

#include "emulator/ConsoleScreen.h"

#include <cstddef>
#include <string>
#include <vector>

namespace Emulator {

class Server;

// The server's "System Console": the prompt "<SERVER>:" followed by the line being typed, echoed as it is
// typed; carriage return runs the line through the command interpreter (RunConsoleCommand) and prints its
// output below, scrolling at the bottom. Backspace (0x0008) deletes the last character, ESC (0x001B)
// empties the line, cursor up (0x4800) and down (0x5000) step through earlier lines. A clear empties the
// screen and draws the prompt with the line being typed at the top.
class SystemConsoleScreen final : public ConsoleScreen {
public:
    static constexpr std::uint16_t CursorUp = 0x4800;
    static constexpr std::uint16_t CursorDown = 0x5000;
    static constexpr std::size_t HistoryLimit = 50;

    explicit SystemConsoleScreen(Server& server);

    void HandleKey(std::uint16_t keyWord) override;
    void Clear() override;

    std::string Prompt() const;
    const std::string& InputLine() const { return input_; }
    const std::vector<std::string>& History() const { return history_; }

private:
    void TypeCharacter(char character);
    void Execute();
    void Recall(std::string text);
    void DrawPrompt();
    std::size_t InputLimit() const;

    Server& server_;
    std::string input_;
    std::vector<std::string> history_;
    std::size_t historyPosition_ = 0; // history_.size() while typing a fresh line
};

} // namespace Emulator
