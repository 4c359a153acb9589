#pragma once

#include "ncp/PacketHeader.h"
#include "ncp/PcapWriter.h"
#include "ncp/Transport.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// One NCP service connection from the client to a server, over its own Transport: creates the service
// connection (0x1111) and keeps the number the server assigns, numbers the requests, sends each call and
// matches its reply by sequence and connection number, negotiates the buffer size (function 33), and
// destroys the connection (0x5555). Logging in and the typed calls are built on top of Call by the client.
// After one time-out the connection counts as lost: later calls fail at once with ConnectionLost. Each call
// has one deadline, the time limit from its start, whatever the server sends meanwhile; a WholeCall gives
// several calls (the fragments of one request) one deadline together.
namespace Ncp {

// A server's answer to one call.
struct Reply {
    ReplyHeader header;
    std::vector<std::uint8_t> data; // the bytes after the 8-byte reply header
};

class ClientConnection final {
public:
    using Milliseconds = std::chrono::milliseconds;

    // The buffer size a server assumes until one is negotiated.
    static constexpr std::uint16_t DefaultBufferSize = 512;
    // What this client proposes through 33: file data of 4 KiB per call.
    static constexpr std::uint16_t ProposedBufferSize = 4096;
    // What it proposes through 97: the largest buffer whose frames stay within MaxFrameSize.
    static constexpr std::uint16_t ProposedBigPacketSize = 65472;

    ClientConnection() = default;
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    // The time limit for connecting and for each call's reply (default 5 s).
    void SetTimeLimit(Milliseconds limit) { limit_ = limit; }
    Milliseconds TimeLimit() const { return limit_; }
    // Called every few milliseconds while a call waits; answering false gives the call up with
    // RequestTimedOut at once (the connection is lost then, as after a time-out).
    void SetWaitTick(Transport::WaitTick tick) { transport_.SetWaitTick(std::move(tick)); }

    // While it lives, every call of the connection ends by one deadline, the time limit from its start.
    class WholeCall final {
    public:
        explicit WholeCall(ClientConnection& connection);
        ~WholeCall();
        WholeCall(const WholeCall&) = delete;
        WholeCall& operator=(const WholeCall&) = delete;

    private:
        ClientConnection& connection_;
        bool outermost_;
    };
    // Records every frame of this connection (see Transport::SetCapture).
    void SetCapture(PcapWriter* capture) { transport_.SetCapture(capture); }
    void SetSpinBeforeSleep(std::chrono::microseconds spin, bool onlyWhileItPays = true) {
        transport_.SetSpinBeforeSleep(spin, onlyWhileItPays);
    }

    // Connects to host and port and creates the service connection (also after the connection was lost).
    // Transport statuses, MalformedReply, ReplyMismatch, the server's status (0x89xx) when it refuses the
    // connection, or InvalidParameter when the connection is open.
    std::uint16_t Open(const std::string& host, std::uint16_t port);

    // One call: function and the request bytes after the function byte (length word, subfunction and data,
    // as the function lays them out). reply receives the reply whenever one arrived. Answers the reply's
    // completion as a status (Success or 0x89xx), or a requester status: InvalidConnection (not open),
    // ConnectionLost, RequestTimedOut (the connection is lost from then on), MalformedReply,
    // ReplyMismatch (sequence or connection number not the request's; also lost), BufferTooSmall.
    std::uint16_t Call(std::uint8_t function, std::span<const std::uint8_t> request, Reply& reply);

    // Function 33: proposes size and keeps what the server accepts (frames up to that buffer are read).
    // accepted receives the server's size. A reply outside 512 ... proposed is MalformedReply.
    std::uint16_t NegotiateBufferSize(std::uint16_t proposed, std::uint16_t& accepted);
    // Function 97 (big packets), without signing or checksums: the same for the largest packet the server
    // allows; a reply of 0 accepts the proposal. A server that does not know 97 answers its status (0x89xx),
    // and the caller falls back to 33.
    std::uint16_t NegotiateBigPacketSize(std::uint16_t proposed, std::uint16_t& accepted);

    // How long the goodbye of Close waits for the server's answer, whatever the call time limit.
    static constexpr Milliseconds GoodbyeLimit{500};

    // Destroys the service connection (0x5555) when it is still usable and closes the socket. The server's
    // answer is awaited for GoodbyeLimit at most: a server that ignores the goodbye does not hold the client.
    // Answers the status of the destroy call (Success when nothing was open).
    std::uint16_t Close();

    // Close in two halves, so that a client can say goodbye to many servers at once and await all answers
    // within one limit. SendGoodbye sends the destroy request when the connection is usable (true when
    // sent); AwaitGoodbye waits until deadline for the answer to a goodbye sent, then closes the socket
    // whatever came, and answers like Close.
    bool SendGoodbye(std::chrono::steady_clock::time_point deadline);
    std::uint16_t AwaitGoodbye(std::chrono::steady_clock::time_point deadline);

    bool IsOpen() const { return open_ && !lost_; }
    // Marks the connection lost when the server has closed it since the last call; whether it is still open.
    bool NoticeClosedByPeer();
    bool IsLost() const { return lost_; }
    std::uint16_t ConnectionNumber() const { return connection_; }
    std::uint16_t BufferSize() const { return bufferSize_; }
    std::uint8_t Task() const { return task_; }
    Endpoint LocalEndpoint() const { return transport_.LocalEndpoint(); }
    Endpoint PeerEndpoint() const { return transport_.PeerEndpoint(); }

private:
    // Sends one packet of the given type and waits for its reply; checks sequence and connection.
    std::uint16_t Exchange(PacketType type, std::uint8_t function, std::span<const std::uint8_t> request,
                           Reply& reply);
    // The halves of Exchange: the request sent within limit, then its reply awaited within limit.
    std::uint16_t SendPacket(PacketType type, std::uint8_t function, std::span<const std::uint8_t> request,
                             Milliseconds limit, RequestHeader& header);
    std::uint16_t ReceiveReplyTo(const RequestHeader& header, Milliseconds limit, Reply& reply);
    std::uint16_t Lose(std::uint16_t status); // marks the connection lost, closes the socket
    // Keeps a negotiated size in 512 ... proposed; MalformedReply otherwise.
    std::uint16_t AcceptBufferSize(std::uint16_t size, std::uint16_t proposed, std::uint16_t& accepted);

    Transport transport_;
    Milliseconds limit_{5000};
    bool open_ = false;
    bool lost_ = false;
    std::uint16_t connection_ = NoConnection;
    std::uint8_t nextSequence_ = 0;
    std::uint8_t task_ = 1;
    std::optional<RequestHeader> goodbye_; // the destroy request sent, its answer not yet awaited
    std::uint16_t bufferSize_ = DefaultBufferSize;
    std::optional<Transport::Deadline> callDeadline_; // of the WholeCall that runs, if any
};

} // namespace Ncp
