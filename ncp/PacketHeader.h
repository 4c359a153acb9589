#pragma once

#include "ncp/Bytes.h"

#include <cstdint>
#include <optional>
#include <span>

// The NCP packet header that starts every request and reply, after the TCP frame header.
namespace Ncp {

enum class PacketType : std::uint16_t {
    CreateConnection = 0x1111,
    Request = 0x2222,
    Reply = 0x3333,
    Watchdog = 0x3E3E,
    DestroyConnection = 0x5555,
    BurstMode = 0x7777,
    Busy = 0x9999, // "request being processed"
    Broadcast = 0xBBBB,
};

// The connection number that means "none yet", carried by a create-connection request.
inline constexpr std::uint16_t NoConnection = 0xFFFF;

// Request header (7 bytes with the function code): type, sequence, connection low, task, connection high,
// function. A destroy-connection request carries a function byte of 0.
struct RequestHeader {
    static constexpr std::size_t Size = 7;
    PacketType type = PacketType::Request;
    std::uint8_t sequence = 0;
    std::uint16_t connection = 0;
    std::uint8_t task = 1;
    std::uint8_t function = 0;
};

// Reply header (8 bytes): type, sequence, connection low, task, connection high, completion code,
// connection status. Reply data follows.
struct ReplyHeader {
    static constexpr std::size_t Size = 8;
    PacketType type = PacketType::Reply;
    std::uint8_t sequence = 0;
    std::uint16_t connection = 0;
    std::uint8_t task = 1;
    std::uint8_t completionCode = 0;
    std::uint8_t connectionStatus = 0;
};

void Encode(const RequestHeader& header, ByteWriter& out);
void Encode(const ReplyHeader& header, ByteWriter& out);
// Nothing when the bytes are too short to hold the header; the reader then stands after the header.
std::optional<RequestHeader> DecodeRequestHeader(ByteReader& in);
std::optional<ReplyHeader> DecodeReplyHeader(ByteReader& in);

} // namespace Ncp
