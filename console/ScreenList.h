#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class ConsoleChannel;

// Walks a server's console screen list with list requests, from reference 0, passing each returned
// reference into the next request. visit() sees every screen in the server's order and returns false to
// stop the walk. The walk ends at the first reply with reference 0; a server module that repeats a
// reference or lists more than MaxScreenWalk screens is misbehaving, and the walk ends there too.
namespace NCP_Ext {

inline constexpr std::size_t MaxScreenWalk = 4096;

using ScreenVisitor = std::function<bool(std::uint32_t screenRef, const std::string& screenName)>;

void WalkScreenList(std::uint32_t connHandle, std::uint32_t extensionId, const ScreenVisitor& visit);
// The same walk over a channel; status receives the status of the last list request.
void WalkScreenList(ConsoleChannel& channel, std::uint32_t extensionId, const ScreenVisitor& visit,
                    std::uint16_t& status);

} // namespace NCP_Ext
