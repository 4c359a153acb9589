#include "ncp/ConnectionCodecs.h"

#include <algorithm>

// Requests are parsed strictly (every byte accounted for); replies may carry trailing bytes, which newer
// servers append and older clients ignore.
namespace Ncp {

RequestHeader CreateConnectionHeader(std::uint8_t sequence, std::uint8_t task) {
    return RequestHeader{PacketType::CreateConnection, sequence, NoConnection, task, 0};
}

RequestHeader DestroyConnectionHeader(std::uint16_t connection, std::uint8_t sequence, std::uint8_t task) {
    return RequestHeader{PacketType::DestroyConnection, sequence, connection, task, 0};
}

std::uint16_t AcceptedBufferSize(std::uint16_t proposed, std::uint16_t serverMaximum) {
    return std::max(MinimumBufferSize, std::min(proposed, serverMaximum));
}

bool BuildRequestData(const NegotiateBufferSizeRequest& request, ByteWriter& out) {
    out.BE16(request.proposedSize);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, NegotiateBufferSizeRequest& request) {
    ByteReader in(data);
    request.proposedSize = in.BE16();
    return in.AtEnd();
}

bool BuildReplyData(const NegotiateBufferSizeReply& reply, ByteWriter& out) {
    out.BE16(reply.acceptedSize);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, NegotiateBufferSizeReply& reply) {
    ByteReader in(data);
    reply.acceptedSize = in.BE16();
    return in.Ok();
}

bool BuildRequestData(const BigPacketMaxSizeRequest& request, ByteWriter& out) {
    out.BE16(request.proposedSize);
    out.U8(request.securityFlags);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, BigPacketMaxSizeRequest& request) {
    ByteReader in(data);
    request.proposedSize = in.BE16();
    request.securityFlags = in.U8();
    return in.AtEnd();
}

bool BuildReplyData(const BigPacketMaxSizeReply& reply, ByteWriter& out) {
    out.BE16(reply.acceptedSize);
    out.BE16(reply.echoSocket);
    out.U8(reply.securityFlags);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, BigPacketMaxSizeReply& reply) {
    ByteReader in(data);
    reply.acceptedSize = in.BE16();
    reply.echoSocket = in.BE16();
    reply.securityFlags = in.U8();
    return in.Ok();
}

bool BuildRequestData(const LogoutRequest&, ByteWriter&) {
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, LogoutRequest&) {
    return data.empty();
}

} // namespace Ncp
