#pragma once

#include "ncp/Bytes.h"
#include "ncp/Functions.h"
#include "ncp/PacketHeader.h"

#include <cstdint>
#include <span>

// Connection set-up and tear-down: create/destroy service connection, buffer-size negotiation (33, 97),
// logout (25). Each call has build/parse of its request data and of its reply data.
namespace Ncp {

// The create-connection request (type 0x1111, no connection yet, one body byte 0x00) and the
// destroy-connection request (type 0x5555, one body byte 0x00). Build the packet with BuildRequestPacket.
RequestHeader CreateConnectionHeader(std::uint8_t sequence, std::uint8_t task);
RequestHeader DestroyConnectionHeader(std::uint16_t connection, std::uint8_t sequence, std::uint8_t task);

// The buffer size a server grants: the proposal, at most serverMaximum, at least 512.
std::uint16_t AcceptedBufferSize(std::uint16_t proposed, std::uint16_t serverMaximum);
inline constexpr std::uint16_t MinimumBufferSize = 512;

// 33 Negotiate Buffer Size: BE16 proposed size -> BE16 accepted size.
struct NegotiateBufferSizeRequest {
    static constexpr CallId Id = Calls::NegotiateBufferSize;
    std::uint16_t proposedSize = 0;
    friend bool operator==(const NegotiateBufferSizeRequest&, const NegotiateBufferSizeRequest&) = default;
};
struct NegotiateBufferSizeReply {
    std::uint16_t acceptedSize = 0;
    friend bool operator==(const NegotiateBufferSizeReply&, const NegotiateBufferSizeReply&) = default;
};

// 97 Get Big Packet NCP Max Packet Size: BE16 proposed size, security flags -> BE16 accepted size,
// BE16 echo socket, security flags.
struct BigPacketMaxSizeRequest {
    static constexpr CallId Id = Calls::BigPacketMaxSize;
    std::uint16_t proposedSize = 0;
    std::uint8_t securityFlags = 0;
    friend bool operator==(const BigPacketMaxSizeRequest&, const BigPacketMaxSizeRequest&) = default;
};
struct BigPacketMaxSizeReply {
    std::uint16_t acceptedSize = 0;
    std::uint16_t echoSocket = 0;
    std::uint8_t securityFlags = 0;
    friend bool operator==(const BigPacketMaxSizeReply&, const BigPacketMaxSizeReply&) = default;
};
// Security-flag bits of 97.
inline constexpr std::uint8_t SecurityChecksumming = 0x01;
inline constexpr std::uint8_t SecuritySignatures = 0x02;

// 25 Logout: no data; the reply is an EmptyReply.
struct LogoutRequest {
    static constexpr CallId Id = Calls::Logout;
    friend bool operator==(const LogoutRequest&, const LogoutRequest&) = default;
};

bool BuildRequestData(const NegotiateBufferSizeRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, NegotiateBufferSizeRequest& request);
bool BuildReplyData(const NegotiateBufferSizeReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, NegotiateBufferSizeReply& reply);

bool BuildRequestData(const BigPacketMaxSizeRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, BigPacketMaxSizeRequest& request);
bool BuildReplyData(const BigPacketMaxSizeReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, BigPacketMaxSizeReply& reply);

bool BuildRequestData(const LogoutRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, LogoutRequest& request);

} // namespace Ncp
