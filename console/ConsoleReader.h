#pragma once

#include "console/ScrollDetection.h"

#include <cstdint>
#include <string>
#include <vector>

class ConsoleChannel;

// Reads and drives one console screen of a server over a channel, with the same exchanges as the Server
// Screen page's display: the look-up of "QV_EXT", the list walk to the screen of that name, open, select, and
// the five reads of five rows. Keys and the clear go to the screen of the latest read, which the read
// selected on this channel's connection. Used on a console window's own thread, so it touches no state of
// the main window (no LastStatus, no ConsoleExt).
class ConsoleReader final {
public:
    // Statuses of the reader's own, beside the client's and the server's.
    static constexpr std::uint16_t ScreenNotFound = 0x89FC; // no screen of that name in the list
    static constexpr std::uint16_t NoScreenHandle = 0x89A1; // the open gave -1 or 0

    explicit ConsoleReader(ConsoleChannel& channel) : channel_(channel) {}

    // Reads the screen named screenName (exact, as the list gives it): 25 rows of 80 bytes, a byte 0 read
    // as a space. Answers 0, or the first failing status; screen is written only on success, so that a
    // failed read never shows half a screen.
    std::uint16_t Read(const std::string& screenName, ConsoleScroll::ScreenLines& screen);
    // The screens' names in list order (a look-up and the list walk).
    std::uint16_t ScreenNames(std::vector<std::string>& names);
    // One key word per key, to the screen of the latest read; the first failing status.
    std::uint16_t SendKeys(const std::vector<std::uint16_t>& keyWords);
    std::uint16_t Clear();
    // Whether a read selected its screen on the connection (keys and the clear go there).
    bool HasSelected() const { return selected_; }
    // The connection was made anew: nothing is selected on it.
    void Forget() { selected_ = false; }

private:
    std::uint16_t LookUp();

    ConsoleChannel& channel_;
    std::uint32_t extensionId_ = 0;
    bool selected_ = false;
};
