#include "ncp/RequestBody.h"

#include <algorithm>
#include <array>

namespace Ncp {

namespace {

constexpr std::uint16_t FragmentedExtensionMarker = 0xFFFF;

bool IsConnectionPacket(PacketType type) {
    return type == PacketType::CreateConnection || type == PacketType::DestroyConnection;
}

RequestLayout LayoutFor(const RequestHeader& header) {
    return header.type == PacketType::Request ? LayoutOf(header.function) : RequestLayout::Plain;
}

} // namespace

std::optional<std::vector<std::uint8_t>> BuildRequestPacket(const RequestHeader& header,
                                                            const RequestBody& body) {
    const RequestLayout layout = LayoutFor(header);
    const bool needsSubfunction =
        layout == RequestLayout::LengthAndSubfunction || layout == RequestLayout::Subfunction;
    if (needsSubfunction != body.subfunction.has_value())
        return std::nullopt;
    if (body.fragmentedExtension && layout != RequestLayout::Extension)
        return std::nullopt;

    ByteWriter out;
    Encode(header, out);
    switch (layout) {
    case RequestLayout::Plain:
        break;
    case RequestLayout::LengthAndSubfunction:
        // The word counts the subfunction byte and the data.
        if (body.data.size() + 1 > 0xFFFF)
            return std::nullopt;
        out.BE16(static_cast<std::uint16_t>(body.data.size() + 1));
        out.U8(*body.subfunction);
        break;
    case RequestLayout::Subfunction:
        out.U8(*body.subfunction);
        break;
    case RequestLayout::Extension:
        // 0xFFFF marks the fragmented form, so a simple-form body must stay below it.
        if (!body.fragmentedExtension && body.data.size() >= FragmentedExtensionMarker)
            return std::nullopt;
        out.BE16(body.fragmentedExtension ? FragmentedExtensionMarker
                                          : static_cast<std::uint16_t>(body.data.size()));
        break;
    }
    out.Bytes(body.data);
    return out.Take();
}

ParsedRequest ParseRequestPacket(std::span<const std::uint8_t> packet) {
    ParsedRequest parsed;
    ByteReader in(packet);
    if (packet.size() == RequestHeader::Size - 1) {
        // A create or destroy request may come without its body byte: read it as function 0.
        std::array<std::uint8_t, RequestHeader::Size> padded{};
        std::copy(packet.begin(), packet.end(), padded.begin());
        ByteReader withFunction(padded);
        const std::optional<RequestHeader> header = DecodeRequestHeader(withFunction);
        if (header && IsConnectionPacket(header->type)) {
            parsed.header = *header;
            parsed.status = RequestParseStatus::Ok;
        }
        return parsed;
    }
    const std::optional<RequestHeader> header = DecodeRequestHeader(in);
    if (!header)
        return parsed;
    parsed.header = *header;

    switch (LayoutFor(*header)) {
    case RequestLayout::Plain:
        break;
    case RequestLayout::LengthAndSubfunction: {
        const std::uint16_t length = in.BE16();
        if (!in.Ok())
            return parsed;
        if (length != in.Remaining()) {
            parsed.status = RequestParseStatus::BadLength;
            return parsed;
        }
        if (length == 0)
            return parsed;
        parsed.body.subfunction = in.U8();
        break;
    }
    case RequestLayout::Subfunction:
        parsed.body.subfunction = in.U8();
        if (!in.Ok())
            return parsed;
        break;
    case RequestLayout::Extension: {
        const std::uint16_t length = in.BE16();
        if (!in.Ok())
            return parsed;
        if (length == FragmentedExtensionMarker) {
            parsed.body.fragmentedExtension = true;
        } else if (length != in.Remaining()) {
            parsed.status = RequestParseStatus::BadLength;
            return parsed;
        }
        break;
    }
    }
    parsed.body.data = in.Rest();
    parsed.status = RequestParseStatus::Ok;
    return parsed;
}

std::vector<std::uint8_t> BuildReplyPacket(const ReplyHeader& header, std::span<const std::uint8_t> data) {
    ByteWriter out;
    Encode(header, out);
    out.Bytes(data);
    return out.Take();
}

std::optional<ParsedReply> ParseReplyPacket(std::span<const std::uint8_t> packet) {
    ByteReader in(packet);
    const std::optional<ReplyHeader> header = DecodeReplyHeader(in);
    if (!header)
        return std::nullopt;
    return ParsedReply{*header, in.Rest()};
}

bool BuildReplyData(const EmptyReply&, ByteWriter&) {
    return true;
}
bool ParseReplyData(std::span<const std::uint8_t>, EmptyReply&) {
    return true;
}

} // namespace Ncp
