#include "console/ScreenList.h"

#include "console/ConsoleRequests.h"

#include <unordered_set>

namespace NCP_Ext {

namespace {

// The walk itself, over whichever list request next() makes.
void Walk(const std::function<std::uint32_t(std::uint32_t, std::string&)>& next, const ScreenVisitor& visit) {
    std::unordered_set<std::uint32_t> seen;
    std::uint32_t screenRef = 0;
    for (std::size_t walked = 0; walked < MaxScreenWalk; ++walked) {
        std::string screenName;
        screenRef = next(screenRef, screenName);
        if (screenRef == 0 || !seen.insert(screenRef).second)
            return;
        if (!visit(screenRef, screenName))
            return;
    }
}

} // namespace

void WalkScreenList(std::uint32_t connHandle, std::uint32_t extensionId, const ScreenVisitor& visit) {
    Walk([&](std::uint32_t previous,
             std::string& name) { return ListNextScreen(connHandle, extensionId, previous, name); },
         visit);
}

void WalkScreenList(ConsoleChannel& channel, std::uint32_t extensionId, const ScreenVisitor& visit,
                    std::uint16_t& status) {
    status = 0;
    Walk([&](std::uint32_t previous,
             std::string& name) { return ListNextScreen(channel, extensionId, previous, name, status); },
         visit);
}

} // namespace NCP_Ext
