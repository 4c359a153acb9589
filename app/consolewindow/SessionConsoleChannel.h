#pragma once

#include "console/ConsoleChannel.h"

namespace NetClient {
class ServerSession;
}

// The console extension reached over a session of its own (a console window's connection): the look-up by
// name (36/02) and the messages over function 37, straight on the session, without the client library's
// handles and shared state, so that it can run on any one thread.
class SessionConsoleChannel final : public ConsoleChannel {
public:
    explicit SessionConsoleChannel(NetClient::ServerSession& session) : session_(session) {}

    std::uint16_t LookUpConsole(std::uint32_t& extensionId) override;
    std::uint16_t Exchange(std::uint32_t extensionId, std::span<const std::uint8_t> request,
                           std::span<std::uint8_t> reply) override;

private:
    NetClient::ServerSession& session_;
};
