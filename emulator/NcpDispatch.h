#pragma once

#include "emulator/NcpHandlers.h"

namespace Emulator::NcpHandlers {

// Who may call a function.
enum class Access : std::uint8_t {
    Anyone,   // also before a login: server information, login key and login, object IDs, own station
    LoggedIn, // a logged-in user; handlers check console rights where a call needs them
};

// The largest reply data a request of a call that changes the server's state can bring, known before the
// call is carried out, so that a request whose reply would not fit the caller's reply buffer is refused
// before it takes effect.
using ReplyBound = std::size_t (*)(const Ncp::ParsedRequest&);

struct Route {
    Ncp::CallId call;
    Access access = Access::LoggedIn;
    bool directoryServices = false; // only on servers of major version 4 and later
    Handler handler = nullptr;
    ReplyBound changesState = nullptr; // null: the call changes nothing, its reply is checked once made
};

// The route of a call, or null for a function or subfunction this server does not answer.
const Route* FindRoute(const Ncp::CallId& call);
// Whether any call of the function has a route.
bool ServesFunction(std::uint8_t function);

} // namespace Emulator::NcpHandlers
