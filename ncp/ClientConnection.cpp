#include "ncp/ClientConnection.h"

#include "ncp/CompletionCodes.h"
#include "ncp/TcpFrame.h"
#include "ncp/StatusCodes.h"

#include <algorithm>

namespace Ncp {

namespace {

constexpr std::uint8_t NegotiateBufferFunction = 33;
constexpr std::uint8_t BigPacketFunction = 97;
// Connection-status bits by which a server says the connection is gone on its side (bad connection,
// server going down).
constexpr std::uint8_t ConnectionDeadBits = 0x11;

} // namespace

ClientConnection::~ClientConnection() {
    Close();
}

ClientConnection::WholeCall::WholeCall(ClientConnection& connection)
    : connection_(connection), outermost_(!connection.callDeadline_) {
    if (outermost_)
        connection_.callDeadline_ = std::chrono::steady_clock::now() + connection_.limit_;
}

ClientConnection::WholeCall::~WholeCall() {
    if (outermost_)
        connection_.callDeadline_.reset();
}


std::uint16_t ClientConnection::Open(const std::string& host, std::uint16_t port) {
    if (open_ && !lost_)
        return StatusCodes::InvalidParameter;
    transport_.Close(); // a lost connection may be opened anew
    open_ = false;
    lost_ = false;
    connection_ = NoConnection;
    nextSequence_ = 0;
    bufferSize_ = DefaultBufferSize;
    transport_.SetFrameBound(FrameBoundForBuffer(bufferSize_));
    if (const std::uint16_t status = transport_.Connect(host, port, limit_); status != StatusCodes::Success)
        return status;
    open_ = true;

    // The create request's function byte is 0 and nothing follows; the reply carries the new number.
    Reply reply;
    if (const std::uint16_t status = Exchange(PacketType::CreateConnection, 0, {}, reply);
        status != StatusCodes::Success) {
        open_ = false;
        return status;
    }
    if (reply.header.completionCode != Completion::Success) {
        transport_.Close();
        open_ = false;
        return StatusFromCompletion(reply.header.completionCode);
    }
    connection_ = reply.header.connection;
    return StatusCodes::Success;
}

std::uint16_t ClientConnection::Call(std::uint8_t function, std::span<const std::uint8_t> request,
                                     Reply& reply) {
    if (!open_)
        return StatusCodes::InvalidConnection;
    if (lost_)
        return StatusCodes::ConnectionLost;
    if (const std::uint16_t status = Exchange(PacketType::Request, function, request, reply);
        status != StatusCodes::Success)
        return status;
    return StatusFromCompletion(reply.header.completionCode);
}

std::uint16_t ClientConnection::NegotiateBufferSize(std::uint16_t proposed, std::uint16_t& accepted) {
    ByteWriter request;
    request.BE16(proposed);
    Reply reply;
    if (const std::uint16_t status = Call(NegotiateBufferFunction, request.Result(), reply);
        status != StatusCodes::Success)
        return status;
    ByteReader in(reply.data);
    const std::uint16_t size = in.BE16();
    return in.Ok() ? AcceptBufferSize(size, proposed, accepted) : StatusCodes::MalformedReply;
}

std::uint16_t ClientConnection::NegotiateBigPacketSize(std::uint16_t proposed, std::uint16_t& accepted) {
    ByteWriter request;
    request.BE16(proposed);
    request.U8(0); // security flags: no signatures, no checksums
    Reply reply;
    if (const std::uint16_t status = Call(BigPacketFunction, request.Result(), reply);
        status != StatusCodes::Success)
        return status;
    ByteReader in(reply.data);
    const std::uint16_t size = in.BE16();
    if (!in.Ok())
        return StatusCodes::MalformedReply;
    return AcceptBufferSize(size == 0 ? proposed : size, proposed, accepted);
}

std::uint16_t ClientConnection::AcceptBufferSize(std::uint16_t size, std::uint16_t proposed,
                                                 std::uint16_t& accepted) {
    const std::uint16_t largest = proposed > DefaultBufferSize ? proposed : DefaultBufferSize;
    if (size < DefaultBufferSize || size > largest)
        return StatusCodes::MalformedReply;
    accepted = size;
    bufferSize_ = size;
    transport_.SetFrameBound(FrameBoundForBuffer(size));
    return StatusCodes::Success;
}

bool ClientConnection::NoticeClosedByPeer() {
    if (IsOpen() && transport_.PeerHasClosed())
        Lose(StatusCodes::ConnectionLost);
    return IsOpen();
}

std::uint16_t ClientConnection::Close() {
    const auto deadline = std::chrono::steady_clock::now() + std::min(limit_, Milliseconds(GoodbyeLimit));
    SendGoodbye(deadline);
    return AwaitGoodbye(deadline);
}

bool ClientConnection::SendGoodbye(std::chrono::steady_clock::time_point deadline) {
    if (!open_ || lost_ || goodbye_)
        return false;
    RequestHeader header;
    const auto limit = std::chrono::ceil<Milliseconds>(deadline - std::chrono::steady_clock::now());
    // A request that cannot be sent loses the connection; AwaitGoodbye then only closes.
    if (SendPacket(PacketType::DestroyConnection, 0, {}, std::max(limit, Milliseconds(0)), header) !=
        StatusCodes::Success)
        return false;
    goodbye_ = header;
    return true;
}

std::uint16_t ClientConnection::AwaitGoodbye(std::chrono::steady_clock::time_point deadline) {
    if (!open_)
        return StatusCodes::Success;
    std::uint16_t status = StatusCodes::Success;
    if (goodbye_) {
        const auto limit = std::chrono::ceil<Milliseconds>(deadline - std::chrono::steady_clock::now());
        Reply reply;
        status = ReceiveReplyTo(*goodbye_, std::max(limit, Milliseconds(0)), reply);
        if (status == StatusCodes::Success)
            status = StatusFromCompletion(reply.header.completionCode);
    }
    goodbye_.reset();
    transport_.Close();
    open_ = false;
    lost_ = false;
    connection_ = NoConnection;
    return status;
}

std::uint16_t ClientConnection::Exchange(PacketType type, std::uint8_t function,
                                         std::span<const std::uint8_t> request, Reply& reply) {
    // One deadline for the request and its reply, or the whole call's.
    const Transport::Deadline deadline = callDeadline_.value_or(std::chrono::steady_clock::now() + limit_);
    const auto left = [deadline] {
        return std::max(std::chrono::ceil<Milliseconds>(deadline - std::chrono::steady_clock::now()),
                        Milliseconds(0));
    };
    RequestHeader header;
    if (const std::uint16_t status = SendPacket(type, function, request, left(), header);
        status != StatusCodes::Success)
        return status;
    return ReceiveReplyTo(header, left(), reply);
}

std::uint16_t ClientConnection::SendPacket(PacketType type, std::uint8_t function,
                                           std::span<const std::uint8_t> request, Milliseconds limit,
                                           RequestHeader& header) {
    header.type = type;
    header.sequence = nextSequence_++;
    header.connection = connection_;
    header.task = task_;
    header.function = function;
    const auto frame =
        EncodeRequestFrame(header, request, static_cast<std::uint32_t>(transport_.FrameBound()));
    if (const std::uint16_t status = transport_.Send(frame, limit); status != StatusCodes::Success)
        return Lose(status);
    return StatusCodes::Success;
}

std::uint16_t ClientConnection::ReceiveReplyTo(const RequestHeader& header, Milliseconds limit,
                                               Reply& reply) {
    const PacketType type = header.type;
    Frame received;
    if (const std::uint16_t status = transport_.ReceiveReply(received, limit); status != StatusCodes::Success)
        return Lose(status);

    ByteReader in(received.Packet());
    const auto replyHeader = DecodeReplyHeader(in);
    if (!replyHeader)
        return Lose(StatusCodes::MalformedReply);
    // The create reply brings the connection number; every other reply must carry ours. A reply to
    // another request means the stream no longer pairs requests with replies.
    const bool sameConnection =
        type == PacketType::CreateConnection || replyHeader->connection == connection_;
    if (replyHeader->sequence != header.sequence || !sameConnection)
        return Lose(StatusCodes::ReplyMismatch);
    if (type != PacketType::DestroyConnection && (replyHeader->connectionStatus & ConnectionDeadBits) != 0)
        return Lose(StatusCodes::ConnectionLost);
    reply.header = *replyHeader;
    const auto data = in.Rest();
    reply.data.assign(data.begin(), data.end());
    return StatusCodes::Success;
}

std::uint16_t ClientConnection::Lose(std::uint16_t status) {
    lost_ = true;
    transport_.Close();
    return status;
}

} // namespace Ncp
