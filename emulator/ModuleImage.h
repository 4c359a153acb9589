#pragma once

#include <cstdint>
#include <span>

namespace Emulator {

// The file QVEXT.NLM of the emulated console module, byte for byte the same as emulator/data/QVEXT.NLM
// (which the build puts beside the executable as the transfer's source). The demo network writes it into
// the SYS:SYSTEM directory of the server that starts with the module loaded.
std::span<const std::uint8_t> ConsoleModuleImage();

// A placeholder module file for the other NLMs of the demo servers.
std::span<const std::uint8_t> PlaceholderModuleImage();

} // namespace Emulator
