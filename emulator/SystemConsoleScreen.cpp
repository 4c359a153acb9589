#include "emulator/SystemConsoleScreen.h"

#include "emulator/ConsoleCommands.h"
#include "emulator/Server.h"

#include <cstdio>

namespace Emulator {

SystemConsoleScreen::SystemConsoleScreen(Server& server) : ConsoleScreen("System Console"), server_(server) {
    const ServerConfig& config = server_.Config();
    char version[64];
    std::snprintf(version, sizeof version, "NetWare v%u.%02u revision %u",
                  static_cast<unsigned>(config.majorVersion), static_cast<unsigned>(config.minorVersion),
                  static_cast<unsigned>(config.revision));
    ScreenBuffer& cells = MutableCells();
    cells.Write("Tessaline emulated NetWare server " + config.name + "\n");
    cells.Write(std::string(version) + "\n");
    cells.Write("Type HELP for the console commands.\n\n");
    DrawPrompt();
}

std::string SystemConsoleScreen::Prompt() const {
    return server_.Name() + ":";
}

std::size_t SystemConsoleScreen::InputLimit() const {
    // The line stays on the prompt's row.
    const std::size_t prompt = Prompt().size();
    return prompt + 1 < ScreenBuffer::Columns ? ScreenBuffer::Columns - 1 - prompt : 0;
}

void SystemConsoleScreen::DrawPrompt() {
    MutableCells().Write(Prompt(), ScreenBuffer::BrightAttribute);
    MutableCells().Write(input_);
}

void SystemConsoleScreen::HandleKey(std::uint16_t keyWord) {
    const auto character = static_cast<std::uint8_t>(keyWord & 0xFF);
    const auto scanCode = static_cast<std::uint8_t>(keyWord >> 8);
    if (character == 0) {
        if (scanCode == (CursorUp >> 8) && historyPosition_ > 0)
            Recall(history_[--historyPosition_]);
        else if (scanCode == (CursorDown >> 8) && historyPosition_ < history_.size()) {
            ++historyPosition_;
            Recall(historyPosition_ < history_.size() ? history_[historyPosition_] : std::string());
        }
        return;
    }
    switch (character) {
    case 0x0D:
        Execute();
        break;
    case 0x08:
        if (!input_.empty()) {
            input_.pop_back();
            MutableCells().Backspace();
        }
        break;
    case 0x1B:
        Recall({});
        historyPosition_ = history_.size();
        break;
    default:
        if (character >= 0x20)
            TypeCharacter(static_cast<char>(character));
        break;
    }
}

void SystemConsoleScreen::TypeCharacter(char character) {
    if (input_.size() >= InputLimit())
        return;
    input_.push_back(character);
    MutableCells().Write(std::string_view(&character, 1));
}

void SystemConsoleScreen::Recall(std::string text) {
    for (std::size_t i = 0; i < input_.size(); ++i)
        MutableCells().Backspace();
    input_ = std::move(text);
    if (input_.size() > InputLimit())
        input_.resize(InputLimit());
    MutableCells().Write(input_);
}

void SystemConsoleScreen::Execute() {
    const std::string line = input_;
    input_.clear();
    if (line.find_first_not_of(' ') != std::string::npos && (history_.empty() || history_.back() != line)) {
        history_.push_back(line);
        if (history_.size() > HistoryLimit)
            history_.erase(history_.begin());
    }
    historyPosition_ = history_.size();

    MutableCells().NewLine();
    const CommandResult result = RunConsoleCommand(server_, line);
    if (result.clearScreen)
        MutableCells().Clear();
    for (const std::string& output : result.lines)
        MutableCells().Write(output + "\n");
    if (!result.lines.empty())
        MutableCells().NewLine();
    DrawPrompt();
}

void SystemConsoleScreen::Clear() {
    MutableCells().Clear();
    DrawPrompt();
}

} // namespace Emulator
