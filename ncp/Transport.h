#pragma once

#include "ncp/PcapWriter.h"
#include "ncp/SpinPolicy.h"
#include "ncp/TcpFrame.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// The client's end of one NCP-over-TCP connection: a POSIX socket, connected with a time limit, that sends
// request frames and receives reply frames. Every routine returns a status (StatusCodes) and never throws;
// a peer that goes away never raises SIGPIPE. Once the stream cannot be trusted (time-out, malformed
// frame, reset) the transport closes itself and every later call answers ConnectionLost at once
// (InvalidConnection before it was ever connected).
// ClientConnection uses it; tests use it directly against loopback peers.
namespace Ncp {

class Transport final {
public:
    using Milliseconds = std::chrono::milliseconds;
    using Deadline = std::chrono::steady_clock::time_point;
    // Called while the transport waits; answers false to give the wait up (RequestTimedOut).
    using WaitTick = std::function<bool()>;

    // How often a wait calls its tick.
    static constexpr Milliseconds TickInterval{5};
    // How long a receive looks for the reply before it sleeps on the socket, by default; whether it looks
    // is the SpinPolicy's (unless told to look always).
    static constexpr std::chrono::microseconds DefaultSpinBeforeSleep{50};

    Transport() = default;
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Connects to host (an IPv4 address or a host name) and port within limit. Statuses: Success,
    // HostNotFound, ConnectionRefused, HostUnreachable, RequestTimedOut, InvalidParameter (already open).
    // A host name is resolved by the system resolver, under its own time limits.
    std::uint16_t Connect(const std::string& host, std::uint16_t port, Milliseconds limit);

    // Sends a whole encoded frame within limit. Statuses: Success, ConnectionLost, RequestTimedOut
    // (the peer does not take the bytes), SendFailed.
    std::uint16_t Send(std::span<const std::uint8_t> frame, Milliseconds limit);
    std::uint16_t Send(std::span<const std::uint8_t> frame, Deadline deadline);

    // Waits until deadline for the next reply frame (NCP type 0x3333), skipping frames of other types: busy
    // frames (0x9999) and unasked frames move no deadline, however many come. Statuses: Success,
    // RequestTimedOut (also when the tick gives up), ConnectionLost (closed or reset, also mid-frame),
    // MalformedReply (bad signature or length), BufferTooSmall (a frame longer than the bound).
    std::uint16_t ReceiveReply(Frame& reply, Milliseconds limit);
    std::uint16_t ReceiveReply(Frame& reply, Deadline deadline);

    // Whether the peer has closed or reset the connection, looked at without waiting and without taking any
    // bytes. Between exchanges nothing is due from a server, so an end of stream there means it is gone.
    bool PeerHasClosed() const;

    // Closes the socket (recording the end of the conversation in the capture). Safe to call twice.
    void Close();
    bool IsOpen() const { return socket_ >= 0; }

    // The largest frame accepted from now on (FrameBoundForBuffer of the negotiated buffer).
    void SetFrameBound(std::size_t bound);
    // The look for a reply before sleeping pays when a core is free for it; many transports sharing few
    // cores (a load test) set it to zero.
    void SetSpinBeforeSleep(std::chrono::microseconds spin, bool onlyWhileItPays = true) {
        spinBeforeSleep_ = spin;
        spinPolicy_.LookAlways(!onlyWhileItPays);
    }
    std::size_t FrameBound() const { return bound_; }
    // Every wait (connect, send, receive) calls tick every TickInterval from now on; empty: none.
    void SetWaitTick(WaitTick tick) { tick_ = std::move(tick); }

    // Records every frame sent and received from now on, with the connection's real addresses. The writer
    // must outlive the transport, or be unset (nullptr) first.
    void SetCapture(PcapWriter* capture) { capture_ = capture; }

    Endpoint LocalEndpoint() const { return local_; }
    Endpoint PeerEndpoint() const { return peer_; }

private:
    std::uint16_t Fail(std::uint16_t status); // closes, then answers status
    // Receives what has arrived into chunk, waiting until the deadline; a status when nothing can come.
    std::uint16_t ReceiveSome(std::span<std::uint8_t> chunk, Deadline deadline, std::size_t& received);
    // Waits for the socket to become readable or writable until deadline, calling the tick on the way.
    // Success, RequestTimedOut (also when the tick gives up), or ConnectionLost.
    std::uint16_t WaitFor(short events, Deadline deadline);
    // The tick's turn, when one is due: false when it gives the wait up.
    bool Tick();

    int socket_ = -1;
    bool everConnected_ = false;
    std::size_t bound_ = MaxFrameSize;
    PcapWriter* capture_ = nullptr;
    Endpoint local_;
    Endpoint peer_;
    std::vector<std::uint8_t> unread_; // bytes received beyond the last frame
    std::chrono::microseconds spinBeforeSleep_ = DefaultSpinBeforeSleep;
    SpinPolicy spinPolicy_;
    WaitTick tick_;
    Deadline nextTick_{};
};

} // namespace Ncp
