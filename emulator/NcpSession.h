#pragma once

#include "emulator/NcpHandlers.h"
#include "emulator/Server.h"
#include "emulator/ServerFaults.h"

#include <cstdint>
#include <span>
#include <vector>

namespace Emulator {

// What a session makes of one request packet.
struct SessionOutcome {
    std::vector<std::uint8_t> reply; // the reply packet (without the TCP frame header); empty: none
    bool close = false;              // end the connection (after sending the reply, if any)
};

// One service connection to a server, as NcpServer keeps one per TCP connection, without any socket so that
// tests and fuzzers can drive it with bytes alone. It checks each request packet's type, sequence and
// connection numbers, answers faults injected for the server, routes the call through the dispatch table,
// and keeps the connection's state: its number, login key and user, the negotiated buffer size, its open
// files and a fragmented function-37 message in progress.
//
// Packets that leave the stream untrustworthy end the connection without a reply: anything before the
// create-connection request, a wrong sequence number (the first request after create carries 1, then +1
// modulo 256), a wrong connection number, an unknown packet type. A destroy-connection request is answered
// and then ends it. Everything else is answered: an unknown function or subfunction with 0xFB, a request
// whose length word or data is malformed with 0x7E, a function that needs a login with 0x7D, and a reply
// whose data would not fit the caller's stated reply buffer with 0x7E and no data; a call that changes the
// server is refused so before it takes effect.
//
// The session detaches from the server and closes its files when it goes.
class NcpSession final {
public:
    static constexpr std::uint16_t DefaultMaxBufferSize = 16384;

    NcpSession(Server& server, ServerFaults& faults, std::uint16_t maxBufferSize = DefaultMaxBufferSize);
    ~NcpSession();
    NcpSession(const NcpSession&) = delete;
    NcpSession& operator=(const NcpSession&) = delete;

    // Handles one request packet (what follows the TCP frame header). replyCapacity is the largest reply
    // data the caller takes (the request frame's reply-buffer field: the data after the reply header, as a
    // real NetWare client fills it); 0 means it said nothing.
    SessionOutcome Handle(std::span<const std::uint8_t> packet, std::uint32_t replyCapacity = 0);

    // 0 until the create-connection request.
    std::uint16_t ConnectionNumber() const { return connection_.number; }
    std::uint32_t UserId() const { return connection_.userId; }
    std::uint16_t BufferSize() const { return connection_.bufferSize; }
    std::size_t OpenFileCount() const { return connection_.openFiles.size(); }

private:
    SessionOutcome Create(const Ncp::ParsedRequest& request);
    SessionOutcome Destroy(const Ncp::ParsedRequest& request);
    SessionOutcome Serve(const Ncp::ParsedRequest& request, std::uint32_t replyCapacity);
    NcpHandlers::Answer Dispatch(const Ncp::ParsedRequest& request, std::uint32_t replyCapacity);
    std::vector<std::uint8_t> ReplyPacket(const Ncp::RequestHeader& request,
                                          const NcpHandlers::Answer& answer) const;
    void Detach();

    ServerFaults& faults_;
    NcpHandlers::Connection connection_;
    std::uint8_t expectedSequence_ = 0;
};

} // namespace Emulator
