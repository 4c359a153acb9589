#pragma once

#include "netclient/Attachments.h"
#include "netclient/Passwords.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Ncp {
class PcapWriter;
}

// What the window does with the workstation's connections beyond the client library's calls: see each
// connection's state, connect it again, log in as someone else, log out, detach, and attach another server.
// NcpClient implements it; the window reaches it through BoundConnectionControl(), which is null when the
// bound client has no such control (a recording fake in a test).
//
// Every routine runs on the thread that uses the client, except AttachSession, which touches no client and
// runs on any thread: the window attaches a server away from its own thread and hands the finished session
// over with Adopt or Replace.
namespace NetClient {

class ServerSession;

enum class ConnectionState {
    LoggedIn,             // a user is logged in
    AttachedWithoutLogin, // connected, nobody logged in
    Lost,                 // the connection is gone (closed by the server, reset, or a time-out)
    Reconnecting,         // a reconnect is under way
};

// One connection reference of the client, in scan order.
struct ConnectionEntry {
    std::uint32_t reference = 0;
    std::string serverName; // as the server reported it: the server list's entry
    Attachment attachment;  // where the server is and as whom it is attached
    ConnectionState state = ConnectionState::Lost;
};

class ConnectionControl {
public:
    virtual ~ConnectionControl() = default;

    // The references in scan order with their states. Makes no request; a server that closed its end since
    // the last call is noticed here and shows as Lost.
    virtual std::vector<ConnectionEntry> ConnectionList() = 0;
    // Connects the reference again and logs in with the password kept for the session.
    virtual std::uint16_t Reconnect(std::uint32_t reference) = 0;
    virtual std::uint16_t LogOut(std::uint32_t reference) = 0;
    // Destroys the connection and forgets the reference; handles on it answer InvalidConnection.
    virtual std::uint16_t Detach(std::uint32_t reference) = 0;
    // Adds an attached session as a new reference at the end of the scan; its reference.
    virtual std::uint32_t Adopt(std::unique_ptr<ServerSession> session) = 0;
    // Puts an attached session (another user's login) in the place of the reference's connection.
    virtual std::uint16_t Replace(std::uint32_t reference, std::unique_ptr<ServerSession> session) = 0;
    // The capture file new sessions record into (null for none).
    virtual Ncp::PcapWriter* Capture() const = 0;
};

// Connects to the attachment's server and logs in with password when the attachment names a user; an
// attachment with a user and no password is refused (InvalidParameter) without a connection. On 0 session
// holds the finished session; otherwise it is null and the status says why (as AttachAll's failures do).
std::uint16_t AttachSession(const Attachment& attachment, const std::optional<SecretText>& password,
                            Ncp::PcapWriter* capture, std::unique_ptr<ServerSession>& session);

// The state in words, for the server list's tool tips: "Logged in as ADMIN", "Attached without a login",
// "Connection lost: ...", "Reconnecting...".
std::string DescribeConnectionState(const ConnectionEntry& entry);

ConnectionControl* BoundConnectionControl();
void BindConnectionControl(ConnectionControl* control);

} // namespace NetClient
