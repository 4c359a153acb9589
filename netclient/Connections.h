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
