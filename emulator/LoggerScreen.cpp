#include "emulator/LoggerScreen.h"

#include "emulator/Server.h"
#include "emulator/TimeText.h"

namespace Emulator {

LoggerScreen::LoggerScreen(Server& server) : ConsoleScreen("Logger Screen"), server_(server) {
    Refresh();
}

void LoggerScreen::Refresh() {
    ScreenBuffer& cells = MutableCells();
    cells.Clear();
    const auto& log = server_.EventLog();
    const std::uint64_t firstKept = server_.LoggedCount() - log.size();
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < log.size(); ++i)
        if (firstKept + i >= hiddenUpTo_)
            lines.push_back(TimeText::ClockTime(log[i].time) + "  " + log[i].text);
    const std::size_t first = lines.size() > ScreenBuffer::Rows ? lines.size() - ScreenBuffer::Rows : 0;
    for (std::size_t i = first; i < lines.size(); ++i)
        cells.PutText(static_cast<int>(i - first), 0, lines[i]);
}

void LoggerScreen::Clear() {
    hiddenUpTo_ = server_.LoggedCount();
    Refresh();
}

} // namespace Emulator
