#include "netclient/ClientLibrary.h"

#include <cstdlib>

namespace {
ClientLibrary* boundClient = nullptr;
}

ClientLibrary& Client() {
    // Every entry point binds a client before it builds the window; reaching here without one is a
    // programming error that must not be papered over.
    if (boundClient == nullptr)
        std::abort();
    return *boundClient;
}

void BindClient(ClientLibrary* client) { boundClient = client; }

bool IsClientBound() { return boundClient != nullptr; }
