#pragma once

#include "emulator/ConsoleScreen.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace Emulator {

// How a server's console module misbehaves, for tests of the workstation's side of the console messages.
enum class ConsoleFault {
    None,
    ShortReplies,      // every reply is cut to half its size (a one-byte reply to nothing)
    GarbledReplies,    // every reply has its size but pseudo-random bytes
    EndlessScreenList, // the screen after the last one is the first one again: the list never ends
    UnterminatedNames, // screen names padded with '.' to fill the whole 255-byte name field, no zero byte
};

// A server's console screens in list order, with the references and handles the console module issues
// for them, and for each connection the screen that its reads, keys and clears act on (the one of its
// latest select): two workstations watching two screens of one server never take each other's screen.
// References are non-zero and stay with their screen. A screen has one handle, issued by its first open
// and given again by every later open from any connection, so the handles never outnumber the screens
// however long a client keeps displaying; a removed screen's handle goes with it. Handles are never 0 or -1.
class ServerConsole final {
public:
    // Appends a screen to the list and returns its reference.
    std::uint32_t AddScreen(std::unique_ptr<ConsoleScreen> screen);
    void RemoveScreen(std::uint32_t reference);
    void RemoveAllScreens();

    std::size_t ScreenCount() const { return screens_.size(); }
    // The first screen of that name (exact), or null.
    ConsoleScreen* ScreenByName(std::string_view name);
    ConsoleScreen* ScreenByReference(std::uint32_t reference);
    // The reference of the screen after previous; previous 0 gives the first. 0 after the last screen and
    // for a reference that names no screen.
    std::uint32_t NextReference(std::uint32_t previous) const;
    std::uint32_t FirstReference() const;
    // 1-based position of a screen in the list, 0 when unknown.
    std::uint32_t Position(std::uint32_t reference) const;

    // The screen's handle (the same on every open), or -1 when the reference names no screen.
    std::int32_t Open(std::uint32_t reference);
    // How many handles are held: at most one per screen.
    std::size_t HandleCount() const { return handles_.size(); }
    // Makes the handle's screen the one the connection has selected; false for a handle never issued or whose
    // screen is gone.
    bool Select(std::uint32_t connection, std::int32_t handle);
    // The connection's selected screen, or null when it selected none or the screen was removed since.
    ConsoleScreen* Selected(std::uint32_t connection);
    // A connection that ends leaves no selection behind for the next one given its number.
    void ForgetConnection(std::uint32_t connection) { selected_.erase(connection); }

    void SetFault(ConsoleFault fault) { fault_ = fault; }
    ConsoleFault Fault() const { return fault_; }

private:
    struct Entry {
        std::uint32_t reference = 0;
        std::unique_ptr<ConsoleScreen> screen;
    };

    std::int32_t NewHandle();

    static constexpr std::int32_t FirstHandle = 0x0100;

    std::vector<Entry> screens_;
    std::map<std::int32_t, std::uint32_t> handles_; // handle -> screen reference
    std::uint32_t nextReference_ = 0x00010001;
    std::int32_t nextHandle_ = FirstHandle;
    std::map<std::uint32_t, std::uint32_t> selected_; // connection number -> reference of its selected screen
    ConsoleFault fault_ = ConsoleFault::None;
};

} // namespace Emulator
