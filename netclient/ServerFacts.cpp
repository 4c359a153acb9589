#include "netclient/ServerFacts.h"

#include "netclient/ClientLibrary.h"
#include "netclient/UserNames.h"
#include "util/BufferText.h"

namespace NetUtil {

ServerFacts ReadServerFacts(std::uint32_t connRef, std::uint32_t connHandle) {
    ServerFacts facts;
    UserNameBuffer userName{};
    GetConnRefUserName(connRef, userName);
    facts.userName = TextUpToZero(userName.data(), userName.size());

    char serverName[ClientLibrary::FileServerNameSize] = {};
    std::uint8_t revision = 0;
    std::uint16_t peakConnections = 0;
    std::uint8_t sftLevel = 0;
    std::uint8_t ttsLevel = 0;
    const std::uint16_t status = Client().NWGetFileServerInformation(
        connHandle, serverName, &facts.majorVersion, &facts.minorVersion, &revision, &facts.maxConnections,
        &peakConnections, &facts.connectionsInUse, &facts.volumeCount, &sftLevel, &ttsLevel);
    if (status != 0) {
        facts.status = status;
        facts.operation = "NWGetFileServerInformation";
        return facts;
    }
    facts.serverName = TextUpToZero(serverName, sizeof serverName);
    if (facts.majorVersion < 4)
        return facts;

    std::uint32_t context = ClientLibrary::NoContext;
    Client().NWDSCreateContextHandle(&context);
    if (context == ClientLibrary::NoContext) {
        facts.status = ClientLibrary::NoContext;
        facts.operation = "NWDSCreateContextHandle";
        return facts;
    }
    char serverDN[ClientLibrary::DSNameSize] = {};
    if (const std::uint32_t dnStatus = Client().NWDSGetServerDN(context, connHandle, serverDN);
        dnStatus == 0) {
        facts.serverName = TextUpToZero(serverDN, sizeof serverDN);
    } else {
        facts.status = dnStatus;
        facts.operation = "NWDSGetServerDN";
    }
    char binderyContext[ClientLibrary::DSNameSize] = {};
    if (Client().GetBinderyContext(context, connHandle, binderyContext) == 0)
        facts.binderyContext = TextUpToZero(binderyContext, sizeof binderyContext);
    Client().FreeContext(context);
    return facts;
}

std::string VersionText(const ServerFacts& facts) {
    return "v" + std::to_string(facts.majorVersion) + "." + std::to_string(facts.minorVersion);
}

std::string ConnectionsText(const ServerFacts& facts) {
    return std::to_string(facts.connectionsInUse) + " of " + std::to_string(facts.maxConnections) + " used";
}

} // namespace NetUtil
