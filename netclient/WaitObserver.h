#pragma once

#include <string_view>

// What the thread that waits on a server is told of the wait, so that it can stay alive meanwhile (a window
// turns its event loop, shows who it waits for, offers to cancel). The client library tells it when one of
// its calls starts an exchange with a server and when the exchange ends, and calls KeepWaiting every few
// milliseconds while the exchange waits for the network (connecting, sending, receiving). All three are
// called on the thread that makes the call.
namespace NetClient {

class WaitObserver {
public:
    virtual ~WaitObserver() = default;

    // server: the server's name; call: the name of the client library's call.
    virtual void ExchangeStarted(std::string_view server, std::string_view call) = 0;
    // False gives the exchange up at once: the call answers RequestTimedOut, as after its time limit.
    virtual bool KeepWaiting() = 0;
    virtual void ExchangeEnded() = 0;
};

} // namespace NetClient
