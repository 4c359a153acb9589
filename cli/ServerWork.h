#pragma once

#include "cli/CommandResult.h"
#include "netclient/Attachments.h"
#include "netclient/NcpClient.h"
#include "netclient/Passwords.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Ncp {
class PcapWriter;
}

// One server's share of a command: a client of its own attached to that server alone, bound for the calling
// thread, with the connection chosen as the Connections page chooses it (CurrentConn). Several servers run
// at once, each on a thread of its own, so --all and servers take about as long as the slowest server.
namespace Cli {

struct ServerConnection {
    const NetClient::Attachment& attachment;
    NetClient::NcpClient& client;
    std::uint32_t connRef = 0;
};

using ServerCommand = std::function<CommandResult(ServerConnection&)>;

struct ServerSetting {
    NetClient::PasswordSource* passwords = nullptr;       // read only; shared by the threads
    Ncp::PcapWriter* capture = nullptr;                   // shared; it serialises its writes
    NetClient::NcpClient::LocalVolumeDirectories volumes; // the in-process demo's volumes
    std::map<std::string, std::string> missingPasswords;  // server name -> why it has none
};

// Attaches to the one server and runs command on it; an attach that fails gives its failure (exit 4, or 5
// for a time-out) and runs nothing.
CommandResult RunOnServer(const NetClient::Attachment& attachment, const ServerSetting& setting,
                          const ServerCommand& command);

// The same on every attachment at once; the results in the attachments' order.
std::vector<CommandResult> RunOnServers(const std::vector<NetClient::Attachment>& attachments,
                                        const ServerSetting& setting, const ServerCommand& command);

} // namespace Cli
