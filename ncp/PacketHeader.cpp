#include "ncp/PacketHeader.h"

namespace Ncp {

namespace {
// The six bytes requests and replies share: type, sequence, connection low, task, connection high.
template <typename Header> void EncodeCommon(const Header& header, ByteWriter& out) {
    out.BE16(static_cast<std::uint16_t>(header.type));
    out.U8(header.sequence);
    out.U8(static_cast<std::uint8_t>(header.connection));
    out.U8(header.task);
    out.U8(static_cast<std::uint8_t>(header.connection >> 8));
}

template <typename Header> void DecodeCommon(ByteReader& in, Header& header) {
    header.type = static_cast<PacketType>(in.BE16());
    header.sequence = in.U8();
    const std::uint8_t low = in.U8();
    header.task = in.U8();
    const std::uint8_t high = in.U8();
    header.connection = static_cast<std::uint16_t>(low | (high << 8));
}
} // namespace

void Encode(const RequestHeader& header, ByteWriter& out) {
    EncodeCommon(header, out);
    out.U8(header.function);
}

void Encode(const ReplyHeader& header, ByteWriter& out) {
    EncodeCommon(header, out);
    out.U8(header.completionCode);
    out.U8(header.connectionStatus);
}

std::optional<RequestHeader> DecodeRequestHeader(ByteReader& in) {
    RequestHeader header;
    DecodeCommon(in, header);
    header.function = in.U8();
    if (!in.Ok())
        return std::nullopt;
    return header;
}

std::optional<ReplyHeader> DecodeReplyHeader(ByteReader& in) {
    ReplyHeader header;
    DecodeCommon(in, header);
    header.completionCode = in.U8();
    header.connectionStatus = in.U8();
    if (!in.Ok())
        return std::nullopt;
    return header;
}

} // namespace Ncp
