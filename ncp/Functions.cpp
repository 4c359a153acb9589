#include "ncp/Functions.h"

#include <array>

namespace Ncp {

namespace {

constexpr std::array knownCalls{
    CallInfo{Calls::GetFileServerInformation, "Get File Server Information"},
    CallInfo{Calls::ConnectionInformation, "Get Connection Information"},
    CallInfo{Calls::GetLoginKey, "Get Login Key"},
    CallInfo{Calls::KeyedObjectLogin, "Keyed Object Login"},
    CallInfo{Calls::GetStationLoggedInfo, "Get Station's Logged Info"},
    CallInfo{Calls::GetBinderyObjectId, "Get Bindery Object ID"},
    CallInfo{Calls::GetBinderyObjectName, "Get Bindery Object Name"},
    CallInfo{Calls::CheckConsolePrivileges, "Check Console Privileges"},
    CallInfo{Calls::Logout, "Logout"},
    CallInfo{Calls::NegotiateBufferSize, "Negotiate Buffer Size"},
    CallInfo{Calls::ScanExtensions, "Scan NCP Extensions"},
    CallInfo{Calls::ExtensionInfoByName, "Get NCP Extension Information by Name"},
    CallInfo{Calls::ExtensionInfoByNumber, "Get NCP Extension Information by Number"},
    CallInfo{Calls::ExecuteExtension, "Execute NCP Extension"},
    CallInfo{Calls::CloseFile, "Close File"},
    CallInfo{Calls::ReadFile, "Read From File"},
    CallInfo{Calls::WriteFile, "Write to File"},
    CallInfo{Calls::OpenCreateFile, "Open/Create File or Subdirectory"},
    CallInfo{Calls::RenameOrMove, "Rename or Move a File or Subdirectory"},
    CallInfo{Calls::ModifyDosInformation, "Modify File or Subdirectory DOS Information"},
    CallInfo{Calls::DeleteFile, "Delete a File or Subdirectory"},
    CallInfo{Calls::BigPacketMaxSize, "Get Big Packet NCP Max Packet Size"},
    CallInfo{Calls::PingDirectoryServices, "Ping for NDS NCP"},
    CallInfo{Calls::DirectoryServicesFragment, "Send NDS Fragmented Request/Reply"},
    CallInfo{Calls::GetBinderyContext, "Return Bindery Context"},
    CallInfo{Calls::LoadNlm, "RPC Load an NLM"},
    CallInfo{Calls::UnloadNlm, "RPC Unload an NLM"},
};

} // namespace

RequestLayout LayoutOf(std::uint8_t function) {
    switch (function) {
    case 21:  // messages
    case 22:  // directories
    case 23:  // bindery and server
    case 36:  // extension information
    case 90:  // data migration
    case 114: // time synchronisation
    case 123: // server statistics
    case 131: // RPC
        return RequestLayout::LengthAndSubfunction;
    case 32:
    case 34:
    case 86:
    case 87:
    case 88:
    case 89:
    case 92:
    case 94:
    case 104:
    case 111:
        return RequestLayout::Subfunction;
    case 37:
        return RequestLayout::Extension;
    default:
        return RequestLayout::Plain;
    }
}

std::span<const CallInfo> KnownCalls() {
    return knownCalls;
}

std::string FunctionName(std::uint8_t function, std::optional<std::uint8_t> subfunction) {
    if (!HasSubfunction(function))
        subfunction.reset();
    std::string name = std::to_string(function);
    if (subfunction)
        name += "/" + std::to_string(*subfunction);
    for (const CallInfo& call : knownCalls)
        if (call.id == CallId{function, subfunction})
            return name + " " + std::string(call.name);
    return name + " Unknown";
}

} // namespace Ncp
