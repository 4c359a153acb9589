#pragma once

#include "emulator/DemoNetwork.h"
#include "emulator/NcpServer.h"
#include "netclient/AttachFailures.h"
#include "netclient/Attachments.h"
#include "netclient/NcpClient.h"
#include "netclient/Passwords.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The demo network inside this process: its servers (ATLAS, BOREAS, CASTOR) answer NCP over TCP on
// 127.0.0.1, each on a port the system chooses, and the client attaches to them as to any server. Used by the
// program when no attachments file exists (or with --demo), by the benchmarks, and by the client's tests.
class LoopbackDemo final {
public:
    LoopbackDemo() = default;
    ~LoopbackDemo(); // stops serving before the servers go
    LoopbackDemo(const LoopbackDemo&) = delete;
    LoopbackDemo& operator=(const LoopbackDemo&) = delete;

    // Builds the servers with their volumes under volumesRoot and starts serving. False, with the reason in
    // error, when nothing could be served.
    bool Start(const std::string& volumesRoot, std::string& error, Emulator::NcpServer::Options options = {});

    // How the demo attaches to each server, in the demo's order (ATLAS first, the primary connection):
    // 127.0.0.1 and the server's port, the demo user (none for CASTOR).
    std::vector<NetClient::Attachment>
    Attachments(std::uint32_t timeoutSeconds = NetClient::DefaultTimeoutSeconds) const;
    // The demo passwords, so that the demo attaches without asking.
    NetClient::FixedPasswords Passwords() const;
    // Attaches the client to every demo server with the demo passwords, and tells it where the demo's
    // volumes are on this machine, so that a copy can tell when its destination is its source. The servers
    // that could not be attached (none, normally).
    std::vector<NetClient::AttachFailure> AttachClient(NetClient::NcpClient& client);
    // Tells the client where the demo's volumes are (see AttachClient).
    void ShareVolumes(NetClient::NcpClient& client);
    // The local directory of a demo server's volume (names case-insensitive), or nothing: the demo's volumes
    // are directories on this machine (NcpClient::SetLocalVolumeDirectories).
    std::optional<std::string> VolumeDirectory(std::string_view serverName, std::string_view volumeName);

    Emulator::NcpServer& Network() { return *ncp_; }
    // The server of that name (letter case ignored), or null.
    Emulator::Server* FindServer(std::string_view name);

private:
    std::vector<Emulator::DemoServer> servers_;
    std::unique_ptr<Emulator::NcpServer> ncp_;
};
