#include "emulator/NcpDispatch.h"

#include <algorithm>
#include <array>

namespace Emulator::NcpHandlers {

namespace {
using Ncp::Calls::CheckConsolePrivileges;
constexpr auto Anyone = Access::Anyone;
constexpr auto LoggedIn = Access::LoggedIn;

template <std::size_t Size> std::size_t Fixed(const Ncp::ParsedRequest&) {
    return Size;
}
constexpr std::size_t OpenCreateReplySize = 6; // handle, action, reserved: no information is returned
constexpr std::size_t LoginKeySize = 8;
constexpr std::size_t BufferSizeReplySize = 2;
constexpr std::size_t RpcReplySize = 4;

// Every function the servers answer, with who may call it. The file calls of function 87 and the NLM calls
// check rights themselves: a connection without console rights learns NoConsoleRights for SYS:SYSTEM and
// NLMs, whether it has logged in or not.
constexpr std::array Routes{
    Route{Ncp::Calls::GetFileServerInformation, Anyone, false, &GetFileServerInformation},
    Route{Ncp::Calls::ConnectionInformation, Anyone, false, &ConnectionInformation},
    Route{Ncp::Calls::GetLoginKey, Anyone, false, &GetLoginKey, &Fixed<LoginKeySize>},
    Route{Ncp::Calls::KeyedObjectLogin, Anyone, false, &KeyedObjectLogin, &Fixed<0>},
    Route{Ncp::Calls::GetStationLoggedInfo, Anyone, false, &GetStationLoggedInfo},
    Route{Ncp::Calls::GetBinderyObjectId, Anyone, false, &GetBinderyObjectId},
    Route{Ncp::Calls::GetBinderyObjectName, LoggedIn, false, &GetBinderyObjectName},
    Route{CheckConsolePrivileges, Anyone, false, &NcpHandlers::CheckConsolePrivileges},
    Route{Ncp::Calls::Logout, Anyone, false, &Logout, &Fixed<0>},
    Route{Ncp::Calls::NegotiateBufferSize, Anyone, false, &NegotiateBufferSize, &Fixed<BufferSizeReplySize>},
    Route{Ncp::Calls::ScanExtensions, LoggedIn, false, &ScanExtensions},
    Route{Ncp::Calls::ExtensionInfoByName, LoggedIn, false, &ExtensionInfoByName},
    Route{Ncp::Calls::ExtensionInfoByNumber, LoggedIn, false, &ExtensionInfoByNumber},
    Route{Ncp::Calls::ExecuteExtension, LoggedIn, false, &ExecuteExtension, &ExecuteExtensionReplyBound},
    Route{Ncp::Calls::CloseFile, LoggedIn, false, &CloseFile, &Fixed<0>},
    Route{Ncp::Calls::ReadFile, LoggedIn, false, &ReadFile},
    Route{Ncp::Calls::WriteFile, LoggedIn, false, &WriteFile, &Fixed<0>},
    Route{Ncp::Calls::OpenCreateFile, Anyone, false, &OpenCreateFile, &Fixed<OpenCreateReplySize>},
    Route{Ncp::Calls::RenameOrMove, Anyone, false, &RenameOrMove, &Fixed<0>},
    Route{Ncp::Calls::ModifyDosInformation, Anyone, false, &ModifyDosInformation, &Fixed<0>},
    Route{Ncp::Calls::DeleteFile, Anyone, false, &DeleteFile, &Fixed<0>},
    Route{Ncp::Calls::BigPacketMaxSize, Anyone, false, &BigPacketMaxSize},
    Route{Ncp::Calls::PingDirectoryServices, Anyone, true, &PingDirectoryServices},
    Route{Ncp::Calls::DirectoryServicesFragment, LoggedIn, true, &DirectoryServicesFragment},
    Route{Ncp::Calls::GetBinderyContext, Anyone, true, &GetBinderyContext},
    Route{Ncp::Calls::LoadNlm, Anyone, false, &LoadNlm, &Fixed<RpcReplySize>},
    Route{Ncp::Calls::UnloadNlm, Anyone, false, &UnloadNlm, &Fixed<RpcReplySize>},
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
