#pragma once

#include "console/ConsoleRequests.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Reading one console screen by name, as the Server Screen page shows it and the command-line tool prints
// it: the walk to the screen of that name, its open and select, and its 25 rows in five reads.
namespace NCP_Ext {

// One screen's cells (character byte, attribute byte) and which of its five-row blocks came back; a block
// whose read failed stays zero-filled.
struct ScreenCells {
    std::array<std::uint8_t, ScreenRows * BytesPerRow> bytes{};
    std::array<bool, ScreenRows / RowsPerRead> blockRead{};

    const std::uint8_t* Row(std::size_t row) const { return bytes.data() + row * BytesPerRow; }
    bool RowRead(std::size_t row) const { return blockRead[row / RowsPerRead]; }
};

// The screens' names in the server's order.
std::vector<std::string> ScreenNames(std::uint32_t connHandle, std::uint32_t extensionId);

// Walks the list to the first screen named screenName, opens it (option 0) and, when the open gives a handle
// other than -1 and 0, selects it and reads its rows 0, 5, 10, 15 and 20. The open, the select and each
// read leave their status in LastStatus. False when no screen has that name or the open gave no handle:
// nothing is selected or read then.
bool ReadNamedScreen(std::uint32_t connHandle, std::uint32_t extensionId, const std::string& screenName,
                     ScreenCells& screen);

} // namespace NCP_Ext
