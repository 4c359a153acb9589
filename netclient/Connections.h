#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The workstation's connections: the server list, the lookup of a server's connection, opening handles.
namespace NetUtil {

// A workstation never holds more references than this; a scan that goes on longer is a broken client.
// Both scans stop after this many references as if the client had ended the scan: ScanStatus then holds the
// client's end-of-scan status (StatusCodes::NoMoreEntries), and a lookup that found nothing returns it.
inline constexpr std::size_t MaxConnectionScan = 10000;

// Appends the server name of every connection reference, in scan order; empty names are skipped.
void ListConnectedServers(std::vector<std::string>& serverNames);

// One of the workstation's connections as the window's server list holds it.
struct ServerConnection {
    std::uint32_t connRef = 0;
    std::string serverName; // the bytes the server reported, possibly none
    std::string address;    // where the workstation reaches the server ("host:port"); empty when unknown
};

// Every reference in scan order whose server name can be read, with that name and the server's address. A
// server that reports an empty name is listed too, so that it can be shown and chosen.
void ListServerConnections(std::vector<ServerConnection>& connections);

// Finds one listed connection and opens a handle on it (mode 2): the reference wantedRef, as long as its
// server still reports serverName. Servers reporting the same name are told apart this way, where a lookup
// by name always finds the first. Outputs and result as FindConnectionByServer.
std::uint16_t FindConnectionByReference(std::uint32_t wantedRef, const std::string& serverName,
                                        std::uint32_t& connRef, std::uint32_t& connHandle);

// Finds the first reference whose server name equals serverName exactly (case and length count) and opens a
// handle on it (mode 2). Both outputs are 0 until a match is found. Returns ScanStatus: 0 when found and
// opened, the open's status when the match could not be opened (connRef then holds the match), otherwise the
// status that ended the scan.
std::uint16_t FindConnectionByServer(const std::string& serverName, std::uint32_t& connRef,
                                     std::uint32_t& connHandle);

// The server name of a reference, cut to maxLength; empty on failure. A name that fills the client's
// 255-byte buffer without a terminator ends at the buffer's end.
std::uint16_t GetConnRefServerName(std::uint32_t connRef, std::string& serverName, std::size_t maxLength);

std::uint16_t OpenConnByRef(std::uint32_t connRef, std::uint32_t& connHandle);

} // namespace NetUtil
