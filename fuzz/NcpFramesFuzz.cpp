// NCP over TCP as either side receives it: any byte stream, in pieces of any size, cut into frames by the
// frame assembler under any bound. Properties: a frame is never longer than the bound and always holds a
// whole NCP header; its length is the length its header states; nothing is taken after a failure; a frame
// built around the packet of a received one is received as the same packet.

#include "FuzzSupport.h"

#include "ncp/TcpFrame.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz::Input input(data, size);
    const std::uint8_t choice = input.Byte();
    const auto direction = (choice & 1) != 0 ? Ncp::FrameDirection::Reply : Ncp::FrameDirection::Request;
    const std::size_t bound = std::min<std::size_t>(input.Word() * 2u, Ncp::MaxFrameSize);
    const std::size_t minimum =
        direction == Ncp::FrameDirection::Request ? Ncp::MinRequestFrameSize : Ncp::MinReplyFrameSize;
    Ncp::FrameAssembler assembler(direction, bound);
    const std::size_t limit = assembler.Bound();

    while (!input.Empty()) {
        const auto piece = input.Piece(std::max<std::size_t>(1, choice >> 1));
        std::span<const std::uint8_t> rest = piece;
        while (!rest.empty()) {
            const bool failedBefore = assembler.Failed();
            const std::size_t taken = assembler.Feed(rest);
            Fuzz::Require(taken <= rest.size(), "the assembler takes only what it is given");
            Fuzz::Require(!failedBefore || taken == 0, "nothing is taken after a failure");
            // The 8 bytes that hold a frame's length are taken before it can be checked against the bound.
            Fuzz::Require(assembler.PendingBytes() <= std::max(limit, Ncp::ReplyFrameHeaderSize),
                          "never more than one frame held");
            rest = rest.subspan(taken);
            if (assembler.HasFrame()) {
                const Ncp::Frame frame = assembler.Take();
                Fuzz::Require(frame.bytes.size() <= limit, "a frame is never longer than the bound");
                Fuzz::Require(frame.bytes.size() >= minimum, "a frame holds a whole NCP header");
                const std::uint32_t stated =
                    (static_cast<std::uint32_t>(frame.bytes[4]) << 24 |
                     static_cast<std::uint32_t>(frame.bytes[5]) << 16 |
                     static_cast<std::uint32_t>(frame.bytes[6]) << 8 | frame.bytes[7]) &
                    Ncp::FrameLengthMask;
                Fuzz::Require(stated == frame.bytes.size(), "a frame has the length it states");
                Fuzz::Require(frame.packetOffset <= frame.bytes.size(), "the packet lies inside the frame");
                const auto packet = frame.Packet();
                const std::vector<std::uint8_t> rebuilt =
                    direction == Ncp::FrameDirection::Request
                        ? Ncp::EncodeRequestFrame(packet, frame.replyBufferSize)
                        : Ncp::EncodeReplyFrame(packet);
                Ncp::FrameAssembler again(direction, Ncp::MaxFrameSize);
                Fuzz::Require(again.Feed(rebuilt) == rebuilt.size() && again.HasFrame(),
                              "a rebuilt frame is received");
                const Ncp::Frame back = again.Take();
                Fuzz::Require(std::ranges::equal(back.Packet(), packet),
                              "a rebuilt frame carries the same packet");
            }
            if (taken == 0)
                break;
        }
        if (assembler.Failed())
            break;
    }
    return 0;
}
