#include "emulator/ServerConsole.h"

#include <algorithm>
#include <limits>

namespace Emulator {

std::uint32_t ServerConsole::AddScreen(std::unique_ptr<ConsoleScreen> screen) {
    const std::uint32_t reference = nextReference_;
    // Steps of 0x10000 keep references unlike small counters, so that a mix-up with handles shows.
    nextReference_ += 0x00010000;
    screens_.push_back(Entry{reference, std::move(screen)});
    return reference;
}

void ServerConsole::RemoveScreen(std::uint32_t reference) {
    std::erase_if(screens_, [reference](const Entry& entry) { return entry.reference == reference; });
    std::erase_if(handles_, [reference](const auto& handle) { return handle.second == reference; });
    std::erase_if(selected_, [reference](const auto& selection) { return selection.second == reference; });
}

void ServerConsole::RemoveAllScreens() {
    screens_.clear();
    handles_.clear();
    selected_.clear();
}

ConsoleScreen* ServerConsole::ScreenByName(std::string_view name) {
    for (Entry& entry : screens_)
        if (entry.screen->Name() == name)
            return entry.screen.get();
    return nullptr;
}

ConsoleScreen* ServerConsole::ScreenByReference(std::uint32_t reference) {
    for (Entry& entry : screens_)
        if (entry.reference == reference)
            return entry.screen.get();
    return nullptr;
}

std::uint32_t ServerConsole::FirstReference() const {
    return screens_.empty() ? 0 : screens_.front().reference;
}

std::uint32_t ServerConsole::NextReference(std::uint32_t previous) const {
    if (previous == 0)
        return FirstReference();
    const auto found = std::find_if(screens_.begin(), screens_.end(),
                                    [previous](const Entry& entry) { return entry.reference == previous; });
    if (found == screens_.end() || std::next(found) == screens_.end())
        return 0;
    return std::next(found)->reference;
}

std::uint32_t ServerConsole::Position(std::uint32_t reference) const {
    for (std::size_t i = 0; i < screens_.size(); ++i)
        if (screens_[i].reference == reference)
            return static_cast<std::uint32_t>(i + 1);
    return 0;
}

std::int32_t ServerConsole::Open(std::uint32_t reference) {
    if (ScreenByReference(reference) == nullptr)
        return -1;
    // A client opens the screen again before every display; each screen keeps the one handle it was given.
    for (const auto& [handle, screen] : handles_)
        if (screen == reference)
            return handle;
    const std::int32_t handle = NewHandle();
    handles_[handle] = reference;
    return handle;
}

std::int32_t ServerConsole::NewHandle() {
    // Handles of removed screens are free again, so the counter wraps and skips those still held (there are
    // never more than the screens).
    const auto after = [](std::int32_t handle) {
        return handle == std::numeric_limits<std::int32_t>::max() ? FirstHandle : handle + 1;
    };
    while (handles_.contains(nextHandle_))
        nextHandle_ = after(nextHandle_);
    const std::int32_t handle = nextHandle_;
    nextHandle_ = after(handle);
    return handle;
}

bool ServerConsole::Select(std::uint32_t connection, std::int32_t handle) {
    const auto found = handles_.find(handle);
    if (found == handles_.end() || ScreenByReference(found->second) == nullptr)
        return false;
    selected_[connection] = found->second;
    return true;
}

ConsoleScreen* ServerConsole::Selected(std::uint32_t connection) {
    const auto found = selected_.find(connection);
    return found == selected_.end() ? nullptr : ScreenByReference(found->second);
}

} // namespace Emulator
