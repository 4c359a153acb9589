#pragma once

#include "ncp/StatusCodes.h"

#include <cstdint>

// Server completion codes and the statuses the program reports for them. On the wire a server answers
// with one byte (0 = success); the program reports byte c as status 0x8900 | c, as NetWare's client
// libraries do. The requester's own failures (time-outs, refused or lost connections, malformed replies)
// are 0x88xx statuses in StatusCodes.
namespace Ncp {

// Completion bytes servers send and clients look for by name.
namespace Completion {
inline constexpr std::uint8_t Success = 0x00;
inline constexpr std::uint8_t BadLength = 0x7E;       // request fails the boundary check
inline constexpr std::uint8_t NoConsoleRights = 0xC6; // caller is no console operator
inline constexpr std::uint8_t PasswordExpired = 0xDF; // grace login: the login succeeded
inline constexpr std::uint8_t BadPassword = 0xDE;
inline constexpr std::uint8_t UnencryptedRefused = 0xD6; // plain-text login not allowed
inline constexpr std::uint8_t UnknownRequest = 0xFB;
inline constexpr std::uint8_t NoSuchObject = 0xFC;
inline constexpr std::uint8_t HardFailure = 0xFF;
} // namespace Completion

// The status for a completion byte: Success for 0, 0x8900 | code otherwise.
constexpr std::uint16_t StatusFromCompletion(std::uint8_t code) {
    return code == Completion::Success ? StatusCodes::Success : static_cast<std::uint16_t>(0x8900 | code);
}

// Whether status is a server's completion code (0x89xx).
constexpr bool IsServerStatus(std::uint16_t status) {
    return (status & 0xFF00) == 0x8900;
}

// The completion byte a server sends for status: 0 for Success, the low byte of a 0x89xx status, and
// HardFailure for any other status (a requester status has no meaning on the wire).
constexpr std::uint8_t CompletionFromStatus(std::uint16_t status) {
    if (status == StatusCodes::Success)
        return Completion::Success;
    return IsServerStatus(status) ? static_cast<std::uint8_t>(status & 0xFF) : Completion::HardFailure;
}

} // namespace Ncp
