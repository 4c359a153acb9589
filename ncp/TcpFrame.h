#pragma once

#include "ncp/PacketHeader.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// NCP over TCP framing. Every NCP packet travels on the stream inside a small big-endian header: requests
// (client to server) behind the 16-byte "DmdT" header (signature, total length, version 1, the largest
// reply the client takes), replies behind the 8-byte "tNcP" header (signature, total length). The length
// counts the whole frame, header included. Used by the client transport and by the servers alike.
namespace Ncp {

inline constexpr std::uint32_t RequestSignature = 0x446D6454; // "DmdT"
inline constexpr std::uint32_t ReplySignature = 0x744E6350;   // "tNcP"
inline constexpr std::uint32_t FrameVersion = 1;
inline constexpr std::size_t RequestFrameHeaderSize = 16;
inline constexpr std::size_t ReplyFrameHeaderSize = 8;
// Signed packets carry 8 signature bytes after the frame header. This library recognises and skips them
// but never produces them.
inline constexpr std::size_t PacketSignatureSize = 8;
// Receivers ignore the top 4 bits of the length: some peers use them as flags.
inline constexpr std::uint32_t FrameLengthMask = 0x0FFFFFFF;
// No frame is ever read longer than this, whatever was negotiated.
inline constexpr std::size_t MaxFrameSize = 65536;
// Every frame the assembler delivers holds at least an NCP header: a reply through the connection-status
// byte, a request through the task byte (a create or destroy request may come without its function byte;
// ParseRequestPacket refuses any other request that short).
inline constexpr std::size_t MinRequestFrameSize = RequestFrameHeaderSize + RequestHeader::Size - 1;
inline constexpr std::size_t MinReplyFrameSize = ReplyFrameHeaderSize + ReplyHeader::Size;

enum class FrameDirection : std::uint8_t {
    Request, // client to server, "DmdT"
    Reply,   // server to client, "tNcP"
};

// The bound for frames carrying a negotiated buffer of bufferSize data bytes: the buffer plus room for
// the frame header, a signature, the NCP header and the fields around file data; never above
// MaxFrameSize.
std::size_t FrameBoundForBuffer(std::size_t bufferSize);

// A whole request frame around an NCP packet (header and data, starting with the packet type).
std::vector<std::uint8_t> EncodeRequestFrame(std::span<const std::uint8_t> packet,
                                             std::uint32_t replyBufferSize);
// A request frame from its header and the bytes after the function byte.
std::vector<std::uint8_t> EncodeRequestFrame(const RequestHeader& header, std::span<const std::uint8_t> body,
                                             std::uint32_t replyBufferSize);
// A whole reply frame around an NCP packet.
std::vector<std::uint8_t> EncodeReplyFrame(std::span<const std::uint8_t> packet);
// A reply frame from its header and the reply data.
std::vector<std::uint8_t> EncodeReplyFrame(const ReplyHeader& header, std::span<const std::uint8_t> data);

// One complete frame as it travelled.
struct Frame {
    FrameDirection direction = FrameDirection::Request;
    std::vector<std::uint8_t> bytes;   // the whole frame, header included
    std::size_t packetOffset = 0;      // where the NCP packet starts (after the header and any signature)
    std::uint32_t replyBufferSize = 0; // requests only
    bool hasSignature = false;         // 8 signature bytes were recognised and skipped

    // The NCP packet: packet type, rest of the header, data.
    std::span<const std::uint8_t> Packet() const { return std::span(bytes).subspan(packetOffset); }
    // The NCP packet type (the first two packet bytes).
    PacketType Type() const;
};

// Why the assembler stopped. After an error the stream cannot be trusted again: there is no
// resynchronisation, the owner closes the connection.
enum class FrameError : std::uint8_t {
    None,
    BadSignature, // the first 4 bytes are not the signature of the expected direction
    TooShort,     // the length (or what is left after a signature) cannot hold an NCP header
    TooLong,      // the length is above the owner's bound
};

// Cuts a byte stream into frames of one direction. Bytes are fed as they arrive from a socket, in pieces
// of any size; the assembler takes bytes only up to the end of the frame it is collecting, so it never
// holds more than one frame, and a frame's length is checked against the bound as soon as its first 8
// bytes are in: a malformed frame puts the assembler into an error state without allocating for it.
//
//     std::span<const std::uint8_t> rest = received;
//     while (!rest.empty() && !assembler.Failed()) {
//         rest = rest.subspan(assembler.Feed(rest));
//         if (assembler.HasFrame())
//             Handle(assembler.Take());
//     }
class FrameAssembler final {
public:
    // bound: the largest frame accepted, headers included; clamped to MaxFrameSize.
    FrameAssembler(FrameDirection direction, std::size_t bound);

    // Takes bytes up to the end of the current frame and returns how many it took. Takes nothing while a
    // complete frame waits to be taken, or after an error.
    std::size_t Feed(std::span<const std::uint8_t> bytes);
    bool HasFrame() const { return complete_; }
    // The complete frame; the assembler then starts on the next one. Only when HasFrame().
    Frame Take();

    bool Failed() const { return error_ != FrameError::None; }
    FrameError Error() const { return error_; }
    // Bytes of a frame started but not complete (a peer that stops mid-frame leaves some).
    std::size_t PendingBytes() const { return buffer_.size(); }
    // Those bytes (after an error: the ones it took before it stopped), e.g. for a capture.
    std::span<const std::uint8_t> Pending() const { return buffer_; }
    // A new bound for frames not started yet (after buffer-size negotiation).
    void SetBound(std::size_t bound);
    std::size_t Bound() const { return bound_; }

private:
    void CheckHeader();
    void Complete();

    FrameDirection direction_ = FrameDirection::Request;
    std::size_t bound_ = MaxFrameSize;
    std::vector<std::uint8_t> buffer_;
    std::size_t expected_ = 0; // the frame's length once its first 8 bytes are in, else 0
    bool complete_ = false;
    FrameError error_ = FrameError::None;
};

} // namespace Ncp
