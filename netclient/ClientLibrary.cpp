#include "netclient/ClientLibrary.h"

#include <cstdlib>

namespace {
ClientLibrary* boundClient = nullptr;
thread_local ClientLibrary* threadClient = nullptr;

ClientLibrary* CurrentClient() {
    return threadClient != nullptr ? threadClient : boundClient;
}
} // namespace

ClientLibrary& Client() {
    // Every entry point binds a client before it builds the window; reaching here without one is a
    // programming error that must not be papered over.
    ClientLibrary* client = CurrentClient();
    if (client == nullptr)
        std::abort();
    return *client;
}

void BindClient(ClientLibrary* client) {
    boundClient = client;
}

void BindClientForThisThread(ClientLibrary* client) {
    threadClient = client;
}

bool IsClientBound() {
    return CurrentClient() != nullptr;
}
