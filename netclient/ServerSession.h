#pragma once

#include "ncp/ClientConnection.h"
#include "netclient/Attachments.h"
#include "netclient/ExtensionLookupMemory.h"
#include "netclient/NcpCall.h"
#include "netclient/Passwords.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Ncp {
class PcapWriter;
}

// The client's link to one attached server: a service connection over TCP, negotiated and (when the
// attachment names a user) logged in with the keyed bindery login, and what the server said of itself.
// When the TCP connection is lost, Reconnect opens a new one and logs in again with the password kept for
// the session (it never asks for one). Revive does so on behalf of a call, by the reconnect rules: at most
// one attempt per call, and none within ReconnectPause of a failed attempt or of a call that timed out, so
// that a dead or hung server costs one time limit, not one per call. Each successful connect starts a new
// generation (for what remembers things of one connection).
namespace NetClient {

class ServerSession final {
public:
    ServerSession(Attachment attachment, Ncp::PcapWriter* capture);
    ~ServerSession();
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    // Attaching, in three steps: Open connects, creates the service connection, negotiates the buffer and
    // reads what the server says of itself (23/17, which needs no login); LogIn logs in with the keyed
    // bindery login (a grace login, 0xDF, is a success) and keeps the password for Reconnect; Finish makes
    // the connection usable. Each answers 0, a requester status or the server's status of the failed step.
    std::uint16_t Open();
    std::uint16_t LogIn(const SecretText& password);
    void Finish();
    // Connects again after the connection was lost, logging in with the kept password when there is a user
    // (NoPasswordHeld when none is kept), whenever asked.
    std::uint16_t Reconnect();
    // Makes the session ready for one call: Success when its connection is open (a connection the server
    // closed meanwhile counts as lost); otherwise one Reconnect, unless the pause after a failure runs:
    // then InvalidConnection at once. Only for a session that was attached (Finish) once.
    std::uint16_t Revive();
    static constexpr std::chrono::seconds ReconnectPause{15};
    // Every wait of the session's connections calls tick from now on (see Ncp::ClientConnection).
    void SetWaitTick(Ncp::Transport::WaitTick tick);
    // Destroys the service connection; the session can connect again.
    void Disconnect();
    // Logs out (function 25): the connection stays, attached without a login, and forgets its user and
    // password, so that a reconnect does not log in again.
    std::uint16_t LogOut();
    // Takes over the connection, the login and the password of a session attached elsewhere (another user,
    // or on another thread), destroying its own connection first. Handles opened before answer
    // InvalidConnection from then on, as after a reconnect. fresh is left without a connection.
    void TakeOver(ServerSession& fresh);
    // The server has closed the connection since the last call: it counts as lost from now on.
    void NoticeLostConnection();
    // A session of its own to the same server, as the same user with the password kept here, not connected
    // yet (Reconnect connects it): the connection of a console window, used on the window's own thread.
    std::unique_ptr<ServerSession> Twin() const;

    // Finished, open and not lost: calls can be made.
    bool IsUsable() const;
    // A user is logged in on the connection (the keyed login succeeded and no logout followed).
    bool IsLoggedIn() const { return loggedIn_ && IsUsable(); }
    // Attached once, and its connection lost since (a server that closed it counts): the next call through
    // Revive reconnects, or fails.
    bool IsLost();
    std::uint32_t Generation() const { return generation_; }
    // Changes only when another attachment's session is taken over (TakeOver): a reconnect as the same user
    // keeps it, so that the handles opened on the session stay valid across reconnects.
    std::uint32_t Identity() const { return identity_; }
    Ncp::ClientConnection& Connection() { return *connection_; }

    // One typed call on the connection (see CallNcp), counted in RoundTrips.
    template <typename Request, typename Reply>
    std::uint16_t Call(const Request& request, Reply& reply, Ncp::Reply* raw = nullptr) {
        ++roundTrips_;
        return Counted(CallNcp(*connection_, request, reply, raw));
    }
    // How many calls went to the server through Call, over every connection of the session.
    std::uint64_t RoundTrips() const { return roundTrips_; }

    // The extension look-ups answered on the current connection (forgotten with each new connection).
    ExtensionLookupMemory& ExtensionLookups() { return lookups_; }

    const Attachment& AttachmentInfo() const { return attachment_; }
    // The server's name as it reported it (23/17); empty before the first connect.
    const std::string& ServerName() const { return serverName_; }
    std::uint8_t MajorVersion() const { return majorVersion_; }
    // The number the server gave this connection.
    std::uint16_t ConnectionNumber() const { return connection_->ConnectionNumber(); }

private:
    using Clock = std::chrono::steady_clock;
    // A call that timed out starts the pause, as a failed reconnect does.
    std::uint16_t Counted(std::uint16_t status);

    Attachment attachment_;
    Ncp::PcapWriter* capture_ = nullptr;
    std::unique_ptr<Ncp::ClientConnection> connection_;
    std::optional<SecretText> password_; // held for reconnecting, as long as the session lives
    std::string serverName_;
    std::uint8_t majorVersion_ = 0;
    std::uint32_t generation_ = 0;
    std::uint32_t identity_ = 0;
    bool finished_ = false;
    bool loggedIn_ = false;
    bool attached_ = false;          // finished once: Revive may reconnect
    Clock::time_point pauseUntil_{}; // no reconnect by Revive before then
    Ncp::Transport::WaitTick tick_;
    std::uint64_t roundTrips_ = 0;
    ExtensionLookupMemory lookups_;
};

} // namespace NetClient
