#include "emulator/NcpDispatch.h"

#include <algorithm>
#include <array>

namespace Emulator::NcpHandlers {

namespace {
using Ncp::Calls::CheckConsolePrivileges;
constexpr auto Anyone = Access::Anyone;
constexpr auto LoggedIn = Access::LoggedIn;

// Every function the servers answer, with who may call it. The file calls of function 87 and the NLM calls
// check rights themselves: a connection without console rights learns NoConsoleRights for SYS:SYSTEM and
// NLMs, whether it has logged in or not.
constexpr std::array Routes{
    Route{Ncp::Calls::GetFileServerInformation, Anyone, false, &GetFileServerInformation},
    Route{Ncp::Calls::ConnectionInformation, Anyone, false, &ConnectionInformation},
    Route{Ncp::Calls::GetLoginKey, Anyone, false, &GetLoginKey},
    Route{Ncp::Calls::KeyedObjectLogin, Anyone, false, &KeyedObjectLogin},
    Route{Ncp::Calls::GetStationLoggedInfo, Anyone, false, &GetStationLoggedInfo},
    Route{Ncp::Calls::GetBinderyObjectId, Anyone, false, &GetBinderyObjectId},
    Route{Ncp::Calls::GetBinderyObjectName, LoggedIn, false, &GetBinderyObjectName},
    Route{CheckConsolePrivileges, Anyone, false, &NcpHandlers::CheckConsolePrivileges},
    Route{Ncp::Calls::Logout, Anyone, false, &Logout},
    Route{Ncp::Calls::NegotiateBufferSize, Anyone, false, &NegotiateBufferSize},
    Route{Ncp::Calls::ScanExtensions, LoggedIn, false, &ScanExtensions},
    Route{Ncp::Calls::ExtensionInfoByName, LoggedIn, false, &ExtensionInfoByName},
    Route{Ncp::Calls::ExtensionInfoByNumber, LoggedIn, false, &ExtensionInfoByNumber},
    Route{Ncp::Calls::ExecuteExtension, LoggedIn, false, &ExecuteExtension},
    Route{Ncp::Calls::CloseFile, LoggedIn, false, &CloseFile},
    Route{Ncp::Calls::ReadFile, LoggedIn, false, &ReadFile},
    Route{Ncp::Calls::WriteFile, LoggedIn, false, &WriteFile},
    Route{Ncp::Calls::OpenCreateFile, Anyone, false, &OpenCreateFile},
    Route{Ncp::Calls::RenameOrMove, Anyone, false, &RenameOrMove},
    Route{Ncp::Calls::ModifyDosInformation, Anyone, false, &ModifyDosInformation},
    Route{Ncp::Calls::DeleteFile, Anyone, false, &DeleteFile},
    Route{Ncp::Calls::BigPacketMaxSize, Anyone, false, &BigPacketMaxSize},
    Route{Ncp::Calls::PingDirectoryServices, Anyone, true, &PingDirectoryServices},
    Route{Ncp::Calls::DirectoryServicesFragment, LoggedIn, true, &DirectoryServicesFragment},
    Route{Ncp::Calls::GetBinderyContext, Anyone, true, &GetBinderyContext},
    Route{Ncp::Calls::LoadNlm, Anyone, false, &LoadNlm},
    Route{Ncp::Calls::UnloadNlm, Anyone, false, &UnloadNlm},
};
} // namespace

const Route* FindRoute(const Ncp::CallId& call) {
    const auto found = std::find_if(Routes.begin(), Routes.end(),
                                    [&call](const Route& route) { return route.call == call; });
    return found == Routes.end() ? nullptr : &*found;
}

bool ServesFunction(std::uint8_t function) {
    return std::any_of(Routes.begin(), Routes.end(),
                       [function](const Route& route) { return route.call.function == function; });
}

} // namespace Emulator::NcpHandlers
