#include "console/ConsoleLookup.h"

#include "netclient/ClientLibrary.h"
#include "netclient/SharedState.h"

#include <cstring>

namespace {
// The console extension's name as it is laid into ConsoleExt: a length byte that counts the characters and
// their terminator (7), the six characters, the zero byte.
constexpr char ConsoleExtensionName[] = "QV_EXT";
constexpr std::size_t ConsoleExtensionNameBytes = sizeof ConsoleExtensionName; // with the terminator
} // namespace

bool FindConsoleExtension() {
    ConsoleExt.id = 0;
    ConsoleExt.name[0] = static_cast<char>(ConsoleExtensionNameBytes);
    std::memcpy(&ConsoleExt.name[1], ConsoleExtensionName, ConsoleExtensionNameBytes);

    // The client reads the characters after the length byte as zero-terminated text.
    LastStatus = Client().GetNCPExtensionInfoByName(CurrentConn, &ConsoleExt.name[1], &ConsoleExt.id,
                                                    &ConsoleExt.majorVersion, &ConsoleExt.minorVersion,
                                                    &ConsoleExt.revision, ConsoleExt.queryData);
    return LastStatus == 0;
}

std::uint16_t MakeKeyWord(std::uint8_t character, std::uint8_t scanCode) {
    return static_cast<std::uint16_t>(scanCode * 256u + character);
}
