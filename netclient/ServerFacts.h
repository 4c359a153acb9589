#pragma once

#include <cstdint>
#include <string>

// What the Connections page shows about a server, read without a window: the user of the connection, the
// file-server information and, on servers of version 4 and later, the directory name and bindery context.
// For the command-line tool's info and servers.
namespace NetUtil {

struct ServerFacts {
    std::string userName;   // empty when it cannot be read
    std::string serverName; // the directory name when one was obtained, else the file-server name
    std::uint8_t majorVersion = 0;
    std::uint8_t minorVersion = 0;
    std::uint16_t maxConnections = 0;
    std::uint16_t connectionsInUse = 0;
    std::uint16_t volumeCount = 0;
    std::string binderyContext; // empty when none was obtained

    // The first failed call that the page reports in a box (0 and empty when none failed); the facts read
    // before it stay.
    std::uint32_t status = 0;
    std::string operation;
};

ServerFacts ReadServerFacts(std::uint32_t connRef, std::uint32_t connHandle);

// "v5.0" and "12 of 250 used", as the page's fields show them.
std::string VersionText(const ServerFacts& facts);
std::string ConnectionsText(const ServerFacts& facts);

} // namespace NetUtil
