#include "ncp/TcpFrame.h"

#include <algorithm>

namespace Ncp {

namespace {

// Frame header plus the largest signature, NCP header with length word and subfunction, and the fields
// that surround file data in reads and writes.
constexpr std::size_t BufferOverhead = 64;
// Signature and length: what must be in before a frame's length can be checked.
constexpr std::size_t LengthKnownAfter = 8;

// Fields read at an offset; zero when the bytes end before the field does.
std::uint32_t ReadBE32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset > bytes.size())
        return 0;
    ByteReader reader(bytes.subspan(offset));
    return reader.BE32();
}

std::uint16_t ReadBE16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset > bytes.size())
        return 0;
    ByteReader reader(bytes.subspan(offset));
    return reader.BE16();
}

bool IsKnownPacketType(std::uint16_t type) {
    switch (type) {
    case 0x1111:
    case 0x2222:
    case 0x3333:
    case 0x3E3E:
    case 0x5555:
    case 0x7777:
    case 0x9999:
    case 0xBBBB:
    case 0x4C69: // large internet packet echo
        return true;
    default:
        return false;
    }
}

std::size_t HeaderSizeOf(FrameDirection direction) {
    return direction == FrameDirection::Request ? RequestFrameHeaderSize : ReplyFrameHeaderSize;
}

std::size_t MinimumOf(FrameDirection direction) {
    return direction == FrameDirection::Request ? MinRequestFrameSize : MinReplyFrameSize;
}

// A signed frame has 8 signature bytes before the NCP packet: recognised when the bytes after the frame
// header are no packet type but the bytes 8 further on are (the rule Wireshark applies as well).
bool HasSignature(std::span<const std::uint8_t> frame, std::size_t header) {
    return !IsKnownPacketType(ReadBE16(frame, header)) && frame.size() >= header + PacketSignatureSize + 2 &&
           IsKnownPacketType(ReadBE16(frame, header + PacketSignatureSize));
}

} // namespace

std::size_t FrameBoundForBuffer(std::size_t bufferSize) {
    return std::min(bufferSize + BufferOverhead, MaxFrameSize);
}

std::vector<std::uint8_t> EncodeRequestFrame(std::span<const std::uint8_t> packet,
                                             std::uint32_t replyBufferSize) {
    ByteWriter out;
    out.BE32(RequestSignature);
    out.BE32(static_cast<std::uint32_t>(RequestFrameHeaderSize + packet.size()));
    out.BE32(FrameVersion);
    out.BE32(replyBufferSize);
    out.Bytes(packet);
    return out.Take();
}

std::vector<std::uint8_t> EncodeRequestFrame(const RequestHeader& header, std::span<const std::uint8_t> body,
                                             std::uint32_t replyBufferSize) {
    ByteWriter packet;
    Encode(header, packet);
    packet.Bytes(body);
    return EncodeRequestFrame(packet.Result(), replyBufferSize);
}

std::vector<std::uint8_t> EncodeReplyFrame(std::span<const std::uint8_t> packet) {
    ByteWriter out;
    out.BE32(ReplySignature);
    out.BE32(static_cast<std::uint32_t>(ReplyFrameHeaderSize + packet.size()));
    out.Bytes(packet);
    return out.Take();
}

std::vector<std::uint8_t> EncodeReplyFrame(const ReplyHeader& header, std::span<const std::uint8_t> data) {
    ByteWriter packet;
    Encode(header, packet);
    packet.Bytes(data);
    return EncodeReplyFrame(packet.Result());
}

PacketType Frame::Type() const {
    return static_cast<PacketType>(ReadBE16(Packet(), 0));
}

FrameAssembler::FrameAssembler(FrameDirection direction, std::size_t bound)
    : direction_(direction), bound_(std::min(bound, MaxFrameSize)) {}

void FrameAssembler::SetBound(std::size_t bound) {
    bound_ = std::min(bound, MaxFrameSize);
}

std::size_t FrameAssembler::Feed(std::span<const std::uint8_t> bytes) {
    std::size_t taken = 0;
    while (taken < bytes.size() && !complete_ && !Failed()) {
        // Before the length is known, take only the 8 bytes that hold it; then the rest of the frame.
        const std::size_t wanted = (expected_ == 0 ? LengthKnownAfter : expected_) - buffer_.size();
        const std::size_t count = std::min(wanted, bytes.size() - taken);
        buffer_.insert(buffer_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(taken),
                       bytes.begin() + static_cast<std::ptrdiff_t>(taken + count));
        taken += count;
        if (expected_ == 0 && buffer_.size() == LengthKnownAfter)
            CheckHeader();
        if (expected_ != 0 && buffer_.size() == expected_)
            Complete();
    }
    return taken;
}

void FrameAssembler::CheckHeader() {
    const std::uint32_t signature = ReadBE32(buffer_, 0);
    const std::uint32_t wantedSignature =
        direction_ == FrameDirection::Request ? RequestSignature : ReplySignature;
    const std::size_t length = ReadBE32(buffer_, 4) & FrameLengthMask;
    if (signature != wantedSignature)
        error_ = FrameError::BadSignature;
    else if (length < MinimumOf(direction_))
        error_ = FrameError::TooShort;
    else if (length > bound_)
        error_ = FrameError::TooLong;
    else {
        expected_ = length;
        buffer_.reserve(length);
    }
}

void FrameAssembler::Complete() {
    const std::size_t header = HeaderSizeOf(direction_);
    const std::size_t packetMinimum = MinimumOf(direction_) - header;
    if (HasSignature(buffer_, header) && buffer_.size() < header + PacketSignatureSize + packetMinimum) {
        error_ = FrameError::TooShort;
        return;
    }
    complete_ = true;
}

Frame FrameAssembler::Take() {
    Frame frame;
    if (!complete_)
        return frame;
    const std::size_t header = HeaderSizeOf(direction_);
    frame.direction = direction_;
    frame.hasSignature = HasSignature(buffer_, header);
    frame.packetOffset = header + (frame.hasSignature ? PacketSignatureSize : 0);
    if (direction_ == FrameDirection::Request)
        frame.replyBufferSize = ReadBE32(buffer_, 12);
    frame.bytes = std::move(buffer_);
    buffer_ = {};
    expected_ = 0;
    complete_ = false;
    return frame;
}

} // namespace Ncp
