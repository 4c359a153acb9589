#include "netclient/UserNames.h"

#include "netclient/ClientLibrary.h"
#include "netclient/Connections.h"
#include "util/BufferText.h"
#include "util/ErrorReporting.h"


namespace NetUtil {

namespace {

// Writes text into the user-name buffer, zero-terminated, cut so that the terminator always fits.
void WriteUserName(UserNameBuffer& buffer, const std::string& text) {
    CopyToBuffer(text, buffer.data(), buffer.size());
}

} // namespace

void GetConnRefUserName(std::uint32_t connRef, UserNameBuffer& buffer) {
    // The handle serves this one lookup; like every handle of the program it is not closed.
    std::uint32_t connHandle = 0;
    if (OpenConnByRef(connRef, connHandle) == 0)
        GetConnUserName(connHandle, buffer);
}

std::uint16_t GetConnUserName(std::uint32_t connHandle, UserNameBuffer& buffer) {
    std::uint32_t objectId = 0;
    std::uint16_t status =
        Client().GetConnInfo(connHandle, ClientLibrary::InfoUserId, sizeof objectId, &objectId);
    if (status != 0)
        return status;
    if (objectId == 0) {
        WriteUserName(buffer, NotAuthenticated);
        return 0;
    }
    std::string name;
    status = GetObjectName(connHandle, objectId, name);
    if (status == 0)
        WriteUserName(buffer, name);
    return status;
}

std::uint16_t GetObjectName(std::uint32_t connHandle, std::uint32_t objectId, std::string& name) {
    // Directory services first; only the low 16 bits of its status decide, as everywhere in this routine.
    const std::uint32_t dsStatus = GetDSObjectName(connHandle, objectId, name);
    if ((dsStatus & 0xFFFFu) == 0)
        return 0;
    std::uint16_t objectType = 0;
    return GetBinderyObjectName(connHandle, objectId, objectType, name);
}

std::uint32_t GetDSObjectName(std::uint32_t connHandle, std::uint32_t objectId, std::string& name) {
    ClientLibrary& client = Client();
    const std::uint32_t context = client.NWDSCreateContext();
    if (context == ClientLibrary::NoContext) {
        // Nothing was made, so nothing is released.
        ReportError(ClientLibrary::NoContext, "NWDSCreateContext");
        return ClientLibrary::NoContext;
    }
    char buffer[ClientLibrary::DSObjectNameSize] = {};
    const std::uint32_t status = client.MapIdToDSName(context, connHandle, objectId, buffer);
    name = status == 0 ? TextUpToZero(buffer, sizeof buffer) : std::string();
    client.FreeContext(context);
    return status;
}

std::uint16_t GetBinderyObjectName(std::uint32_t connHandle, std::uint32_t objectId,
                                   std::uint16_t& objectType, std::string& name) {
    char buffer[ClientLibrary::BinderyNameSize] = {};
    const std::uint16_t status = Client().GetBinderyObjectNameById(connHandle, objectId, buffer, &objectType);
    name = status == 0 ? TextUpToZero(buffer, sizeof buffer) : std::string();
    return status;
}

} // namespace NetUtil
