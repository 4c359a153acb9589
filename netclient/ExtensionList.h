#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The lines of the Extensions page: one "%s Rev %d.%d.%d" per NCP extension registered on the server, in
// the server's order. The scan works in ConsoleExt and leaves its ending status in LastStatus; the end of
// the list and a failure look the same. A scan that repeats an ID or passes MaxExtensionScan entries is a
// misbehaving client and ends there.
inline constexpr std::size_t MaxExtensionScan = 4096;

std::vector<std::string> ScanNCPExtensionLines(std::uint32_t connHandle);

// The same scan, each extension's name and versions apart (the command-line tool's JSON).
struct ExtensionEntry {
    std::string name;
    std::uint8_t majorVersion = 0;
    std::uint8_t minorVersion = 0;
    std::uint8_t revision = 0;
};
std::vector<ExtensionEntry> ScanExtensionEntries(std::uint32_t connHandle);

std::string FormatExtensionLine(const std::string& name, std::uint8_t majorVersion, std::uint8_t minorVersion,
                                std::uint8_t revision);

// The module name as the client reads it: zero-terminated in a buffer of 255 characters. A longer name is
// cut to 254 characters so that its terminator always fits.
inline constexpr std::size_t ModuleNameBufferSize = 255;
std::string ModuleNameForClient(const std::string& name);
