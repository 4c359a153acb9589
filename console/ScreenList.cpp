#include "console/ScreenList.h"

#include "console/ConsoleRequests.h"

#include <unordered_set>

namespace NCP_Ext {

void WalkScreenList(std::uint32_t connHandle, std::uint32_t extensionId, const ScreenVisitor& visit) {
    std::unordered_set<std::uint32_t> seen;
    std::uint32_t screenRef = 0;
    for (std::size_t walked = 0; walked < MaxScreenWalk; ++walked) {
        std::string screenName;
        screenRef = ListNextScreen(connHandle, extensionId, screenRef, screenName);
        if (screenRef == 0 || !seen.insert(screenRef).second)
            return;
        if (!visit(screenRef, screenName))
            return;
    }
}

} // namespace NCP_Ext
