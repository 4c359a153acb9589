#include "netclient/Connections.h"

#include "netclient/ClientLibrary.h"
#include "netclient/SharedState.h"
#include "ncp/StatusCodes.h"
#include "util/BufferText.h"

#include <array>

namespace NetUtil {

namespace {

// One step of a connection scan. Stores the scan call's status in ScanStatus and returns true when it
// delivered a reference. After MaxConnectionScan references the scan is ended as the client itself ends
// one, with its end-of-scan status: a client that never stops answering must not hang the window.
bool NextConnRef(std::uint32_t& cursor, std::size_t& referencesSeen, std::uint32_t& connRef) {
    if (referencesSeen >= MaxConnectionScan) {
        ScanStatus = StatusCodes::NoMoreEntries;
        return false;
    }
    ScanStatus = Client().ScanConnRefs(&cursor, &connRef);
    if (ScanStatus != 0)
        return false;
    ++referencesSeen;
    return true;
}

} // namespace

void ListConnectedServers(std::vector<std::string>& serverNames) {
    std::uint32_t cursor = 0;
    std::size_t referencesSeen = 0;
    std::uint32_t connRef = 0;
    while (NextConnRef(cursor, referencesSeen, connRef)) {
        // A failed name lookup gives the empty name, which is skipped like a server without a name.
        std::string name;
        GetConnRefServerName(connRef, name, ClientLibrary::ServerNameSize);
        if (!name.empty())
            serverNames.push_back(name);
    }
}

void ListServerConnections(std::vector<ServerConnection>& connections) {
    std::uint32_t cursor = 0;
    std::size_t referencesSeen = 0;
    std::uint32_t connRef = 0;
    while (NextConnRef(cursor, referencesSeen, connRef)) {
        ServerConnection connection{connRef, {}, {}};
        if (GetConnRefServerName(connRef, connection.serverName, ClientLibrary::ServerNameSize) != 0)
            continue;
        std::array<char, ClientLibrary::ServerAddressSize> address{};
        if (Client().GetConnRefInfo(connRef, ClientLibrary::InfoServerAddress,
                                    ClientLibrary::ServerAddressSize, address.data()) == 0)
            connection.address = TextUpToZero(address.data(), address.size());
        connections.push_back(std::move(connection));
    }
}

std::uint16_t FindConnectionByServer(const std::string& serverName, std::uint32_t& connRef,
                                     std::uint32_t& connHandle) {
    return FindConnectionByReference(0, serverName, connRef, connHandle);
}

std::uint16_t FindConnectionByReference(std::uint32_t wantedRef, const std::string& serverName,
                                        std::uint32_t& connRef, std::uint32_t& connHandle) {
    connRef = 0;
    connHandle = 0;
    std::uint32_t cursor = 0;
    std::size_t referencesSeen = 0;
    std::uint32_t candidate = 0;
    while (NextConnRef(cursor, referencesSeen, candidate)) {
        if (wantedRef != 0 && candidate != wantedRef)
            continue;
        std::string name;
        GetConnRefServerName(candidate, name, ClientLibrary::ServerNameSize);
        if (name == serverName) {
            // The first match in scan order wins, whether its handle opens or not.
            connRef = candidate;
            ScanStatus =
                Client().OpenConnByReference(candidate, ClientLibrary::OpenModeLater, 0, &connHandle);
            break;
        }
    }
    return ScanStatus;
}

std::uint16_t GetConnRefServerName(std::uint32_t connRef, std::string& serverName, std::size_t maxLength) {
    std::array<char, ClientLibrary::ServerNameSize> buffer{};
    const std::uint16_t status = Client().GetConnRefInfo(connRef, ClientLibrary::InfoServerName,
                                                         ClientLibrary::ServerNameSize, buffer.data());
    if (status != 0) {
        serverName.clear();
        return status;
    }
    // A name that fills the buffer without a terminator ends at the buffer's end.
    serverName = TextUpToZero(buffer.data(), buffer.size()).substr(0, maxLength);
    return status;
}

std::uint16_t OpenConnByRef(std::uint32_t connRef, std::uint32_t& connHandle) {
    return Client().OpenConnByReference(connRef, ClientLibrary::OpenModeLater, 0, &connHandle);
}

} // namespace NetUtil
