#pragma once

#include <chrono>
#include <string>

// How the server's console screens write times (always UTC, English names, independent of any locale).
namespace Emulator::TimeText {

// "15:04:05"
std::string ClockTime(std::chrono::system_clock::time_point time);
// "Wednesday, May 15, 2024  3:04:05 pm UTC"
std::string DateAndTime(std::chrono::system_clock::time_point time);
// Days, hours, minutes and seconds: "3:04:05:06"; a negative span counts as 0.
std::string Uptime(std::chrono::system_clock::duration span);

} // namespace Emulator::TimeText
