#pragma once

#include "emulator/Server.h"

#include <memory>
#include <string>
#include <vector>

namespace Emulator {

// How the demo attaches to a server: the user and password to log in with, or no login at all.
struct DemoAttachment {
    std::string userName;
    std::string password;
    bool logIn = true;
};

// One server of the demo network and how the demo attaches to it.
struct DemoServer {
    std::unique_ptr<Server> server;
    DemoAttachment attachment;
};

// The network the program runs on by default, for the demo server executable, the program's loopback demo
// and tests: ATLAS, a version-5 server with directory services and the console module loaded (users ADMIN,
// password "acme", a console operator, and GUEST, password "guest", without console rights); BOREAS, a
// version-4 server whose SYS:SYSTEM lacks QVEXT.NLM (JDOE, "sales", console operator); CASTOR, a bindery-only
// version-3 server (SUPERVISOR, "castor", console operator) that the demo attaches to without logging in.
// Passwords are kept as hashes only. The first server is the primary one. Volumes are real directories under
// volumesRoot (made absolute), created when missing.
std::vector<DemoServer> MakeDemoServers(const std::string& volumesRoot, Clock clock = {});

// Where the demo network keeps its volumes: under the user's data directory.
std::string DefaultVolumesRoot();

} // namespace Emulator
