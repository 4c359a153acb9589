#pragma once

#include "ncp/Bytes.h"
#include "ncp/Functions.h"
#include "ncp/PacketHeader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Whole NCP packets (after the TCP frame header): the packet header, the function byte, the length word and
// subfunction where the function has them, and the data. The codec headers (*Codecs.h) turn the data into
// typed structures; this file puts it in and takes it out of a packet. Used by the client and the servers.
namespace Ncp {

// What follows the function byte, without the length word (which is derived from the data).
struct RequestBody {
    std::optional<std::uint8_t> subfunction;
    std::span<const std::uint8_t> data;
    // 37 only: 0xFFFF in place of the length word marks the fragmented form.
    bool fragmentedExtension = false;
};

enum class RequestParseStatus : std::uint8_t {
    Ok,
    Truncated, // shorter than the header, the length word or the subfunction
    BadLength, // the length word disagrees with the bytes that follow it (too many or too few)
};

// A request taken apart. body.data views the packet given to ParseRequestPacket.
struct ParsedRequest {
    RequestParseStatus status = RequestParseStatus::Truncated;
    RequestHeader header;
    RequestBody body;

    CallId Call() const { return CallId{header.function, body.subfunction}; }
};

// The request packet: header (type, sequence, connection, task, function), then the body laid out as
// LayoutOf(header.function) says. Create/destroy-connection packets (types 0x1111, 0x5555) always take the
// plain layout. Nothing when the layout needs a subfunction the body lacks, or the data is too long for the
// length word.
std::optional<std::vector<std::uint8_t>> BuildRequestPacket(const RequestHeader& header,
                                                            const RequestBody& body);

// The length word is checked against the bytes: a mismatch is BadLength (answered with completion 0x7E).
// A 6-byte create/destroy-connection packet without a function byte is accepted as function 0.
ParsedRequest ParseRequestPacket(std::span<const std::uint8_t> packet);

// A reply taken apart. data views the packet given to ParseReplyPacket.
struct ParsedReply {
    ReplyHeader header;
    std::span<const std::uint8_t> data;
};

std::vector<std::uint8_t> BuildReplyPacket(const ReplyHeader& header, std::span<const std::uint8_t> data);
// Nothing when the packet is shorter than the reply header.
std::optional<ParsedReply> ParseReplyPacket(std::span<const std::uint8_t> packet);

// The reply of calls that answer with the completion code only. Parsing accepts (and ignores) any data.
struct EmptyReply {
    friend bool operator==(const EmptyReply&, const EmptyReply&) = default;
};
bool BuildReplyData(const EmptyReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, EmptyReply& reply);

// Typed helpers (EncodeRequest, DecodeRequest, EncodeReply, DecodeReply) over the codecs' four overloads
// (BuildRequestData, ParseRequestData, BuildReplyData, ParseReplyData): every request structure names its
// call as `static constexpr CallId Id`, and the fragmented 37 structures also carry `static constexpr bool
// FragmentedExtension = true`.
template <typename Request>
std::optional<std::vector<std::uint8_t>> EncodeRequest(RequestHeader header, const Request& request) {
    ByteWriter data;
    if (!BuildRequestData(request, data))
        return std::nullopt;
    header.function = Request::Id.function;
    RequestBody body{Request::Id.subfunction, data.Result()};
    if constexpr (requires { Request::FragmentedExtension; })
        body.fragmentedExtension = Request::FragmentedExtension;
    return BuildRequestPacket(header, body);
}

// True when parsed is a well-formed request for Request's call and its data parses.
template <typename Request> bool DecodeRequest(const ParsedRequest& parsed, Request& request) {
    constexpr bool fragmented = [] {
        if constexpr (requires { Request::FragmentedExtension; })
            return Request::FragmentedExtension;
        else
            return false;
    }();
    if (parsed.status != RequestParseStatus::Ok || parsed.Call() != Request::Id ||
        parsed.body.fragmentedExtension != fragmented)
        return false;
    return ParseRequestData(parsed.body.data, request);
}

// Nothing when the reply data cannot be built (a name too long for its field).
template <typename Reply>
std::optional<std::vector<std::uint8_t>> EncodeReply(const ReplyHeader& header, const Reply& reply) {
    ByteWriter data;
    if (!BuildReplyData(reply, data))
        return std::nullopt;
    return BuildReplyPacket(header, data.Result());
}

// The reply header and the typed reply. False when the packet is shorter than a reply header, or when a
// successful reply's data does not parse; a reply with a non-zero completion code leaves reply untouched.
template <typename Reply>
bool DecodeReply(std::span<const std::uint8_t> packet, ReplyHeader& header, Reply& reply) {
    const std::optional<ParsedReply> parsed = ParseReplyPacket(packet);
    if (!parsed)
        return false;
    header = parsed->header;
    if (header.completionCode != 0)
        return true;
    return ParseReplyData(parsed->data, reply);
}

} // namespace Ncp
