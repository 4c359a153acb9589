#include "console/ScreenReader.h"

#include "console/ScreenList.h"
#include "netclient/SharedState.h"

#include <algorithm>

namespace NCP_Ext {

std::vector<std::string> ScreenNames(std::uint32_t connHandle, std::uint32_t extensionId) {
    std::vector<std::string> names;
    WalkScreenList(connHandle, extensionId, [&names](std::uint32_t, const std::string& screenName) {
        names.push_back(screenName);
        return true;
    });
    return names;
}

bool ReadNamedScreen(std::uint32_t connHandle, std::uint32_t extensionId, const std::string& screenName,
                     ScreenCells& screen) {
    std::uint32_t foundRef = 0;
    WalkScreenList(connHandle, extensionId, [&](std::uint32_t screenRef, const std::string& name) {
        if (name != screenName)
            return true;
        foundRef = screenRef;
        return false;
    });
    if (foundRef == 0)
        return false;

    std::int32_t screenHandle = 0;
    LastStatus = OpenScreen(connHandle, extensionId, foundRef, 0, screenHandle);
    if (screenHandle == -1 || screenHandle == 0)
        return false;
    LastStatus = SelectScreen(connHandle, extensionId, screenHandle);

    ScreenRowsBuffer rows{};
    for (std::size_t block = 0; block < screen.blockRead.size(); ++block) {
        LastStatus =
            ReadScreenRows(connHandle, extensionId, static_cast<std::uint32_t>(block * RowsPerRead), rows);
        screen.blockRead[block] = LastStatus == 0;
        if (LastStatus == 0)
            std::copy(rows.begin(), rows.end(),
                      screen.bytes.begin() + static_cast<std::ptrdiff_t>(block * RowsReplySize));
    }
    return true;
}

} // namespace NCP_Ext
