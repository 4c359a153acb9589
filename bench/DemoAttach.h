#pragma once

// The benchmarks' common start: the demo network served in the process, and a client attached to it.

#include "netclient/NcpClient.h"
#include "network/LoopbackDemo.h"

#include <cstdio>
#include <string>

namespace Bench {

// Serves the demo network with its volumes under directory/volumes and attaches client to every server.
// False, with the reason on standard error, when either fails.
inline bool ServeDemoAndAttach(LoopbackDemo& demo, NetClient::NcpClient& client, const std::string& directory,
                               Emulator::NcpServer::Options options = {}) {
    std::string error;
    if (!demo.Start(directory + "/volumes", error, options)) {
        std::fprintf(stderr, "demo network: %s\n", error.c_str());
        return false;
    }
    if (!demo.AttachClient(client).empty()) {
        std::fprintf(stderr, "the demo network did not attach\n");
        return false;
    }
    return true;
}

} // namespace Bench
