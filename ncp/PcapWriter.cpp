#include "ncp/PcapWriter.h"

#include "ncp/Bytes.h"

#include <algorithm>
#include <chrono>

namespace Ncp {

namespace {

constexpr std::uint32_t PcapMagic = 0xA1B2C3D4; // microsecond timestamps, written in little-endian order
constexpr std::uint32_t SnapLength = 262144;
constexpr std::uint32_t LinkTypeEthernet = 1;
constexpr std::size_t EthernetHeaderSize = 14;
constexpr std::size_t IpHeaderSize = 20;
constexpr std::size_t TcpHeaderSize = 20;
// The IPv4 total length is 16 bits: larger frames go out as several segments.
constexpr std::size_t MaxSegmentPayload = 65535 - IpHeaderSize - TcpHeaderSize;

namespace TcpFlag {
constexpr std::uint8_t Fin = 0x01;
constexpr std::uint8_t Syn = 0x02;
constexpr std::uint8_t Push = 0x08;
constexpr std::uint8_t Ack = 0x10;
} // namespace TcpFlag

// A locally administered MAC address made of the IPv4 address, so each host keeps one address.
void WriteMac(ByteWriter& out, std::uint32_t address) {
    out.U8(0x02);
    out.U8(0x00);
    out.BE32(address);
}

// The Internet checksum (ones' complement of the ones' complement sum of 16-bit words) of several parts.
std::uint16_t InternetChecksum(std::initializer_list<std::span<const std::uint8_t>> parts) {
    std::uint32_t sum = 0;
    for (const auto part : parts) {
        for (std::size_t i = 0; i < part.size(); i += 2) {
            const std::uint32_t high = part[i];
            const std::uint32_t low = i + 1 < part.size() ? part[i + 1] : 0;
            sum += (high << 8) | low;
        }
    }
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

} // namespace

PcapWriter::~PcapWriter() {
    // Conversations still open end with the initiator's close, so every one reads as complete.
    std::vector<std::pair<Endpoint, Endpoint>> open;
    {
        const std::lock_guard lock(mutex_);
        for (const auto& [key, conversation] : conversations_) {
            const auto& [first, second] = key;
            open.emplace_back(conversation.initiator, conversation.initiator == first ? second : first);
        }
    }
    for (const auto& [closer, peer] : open)
        Close(closer, peer);
}

bool PcapWriter::Open(const std::string& path) {
    const std::lock_guard lock(mutex_);
    file_.reset(std::fopen(path.c_str(), "wb"));
    conversations_.clear();
    if (!file_)
        return false;
    ByteWriter header;
    header.LE32(PcapMagic);
    header.LE16(2); // format version 2.4
    header.LE16(4);
    header.LE32(0); // time zone: UTC
    header.LE32(0); // timestamp accuracy
    header.LE32(SnapLength);
    header.LE32(LinkTypeEthernet);
    const auto& bytes = header.Result();
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size() ||
        std::fflush(file_.get()) != 0) {
        file_.reset();
        return false;
    }
    return true;
}

bool PcapWriter::IsOpen() const {
    const std::lock_guard lock(mutex_);
    return file_ != nullptr;
}

void PcapWriter::Flush() {
    const std::lock_guard lock(mutex_);
    if (file_)
        std::fflush(file_.get());
}

PcapWriter::ConversationKey PcapWriter::KeyOf(const Endpoint& a, const Endpoint& b) {
    return a < b ? ConversationKey{a, b} : ConversationKey{b, a};
}

PcapWriter::Conversation& PcapWriter::Start(const Endpoint& from, const Endpoint& to) {
    // Distinct initial sequence numbers per conversation keep the numbers of different conversations
    // apart when a capture is read.
    ++conversationsStarted_;
    Conversation conversation;
    conversation.initiator = from;
    const std::uint32_t initiatorStart = conversationsStarted_ * 0x01000000u + 0x1000;
    const std::uint32_t responderStart = conversationsStarted_ * 0x01000000u + 0x800000;
    WriteSegment(from, to, initiatorStart, 0, TcpFlag::Syn, {});
    WriteSegment(to, from, responderStart, initiatorStart + 1, TcpFlag::Syn | TcpFlag::Ack, {});
    WriteSegment(from, to, initiatorStart + 1, responderStart + 1, TcpFlag::Ack, {});
    conversation.initiatorNext = initiatorStart + 1;
    conversation.responderNext = responderStart + 1;
    return conversations_.emplace(KeyOf(from, to), conversation).first->second;
}

void PcapWriter::Record(const Endpoint& from, const Endpoint& to, std::span<const std::uint8_t> bytes) {
    const std::lock_guard lock(mutex_);
    if (!file_)
        return;
    const auto found = conversations_.find(KeyOf(from, to));
    Conversation& conversation = found != conversations_.end() ? found->second : Start(from, to);
    const bool fromInitiator = conversation.initiator == from;
    std::uint32_t& sequence = fromInitiator ? conversation.initiatorNext : conversation.responderNext;
    const std::uint32_t ack = fromInitiator ? conversation.responderNext : conversation.initiatorNext;
    while (!bytes.empty()) {
        const auto segment = bytes.first(std::min(bytes.size(), MaxSegmentPayload));
        WriteSegment(from, to, sequence, ack, TcpFlag::Push | TcpFlag::Ack, segment);
        sequence += static_cast<std::uint32_t>(segment.size());
        bytes = bytes.subspan(segment.size());
    }
    std::fflush(file_.get());
}

void PcapWriter::Close(const Endpoint& closer, const Endpoint& peer) {
    const std::lock_guard lock(mutex_);
    const auto found = conversations_.find(KeyOf(closer, peer));
    if (!file_ || found == conversations_.end())
        return;
    Conversation& conversation = found->second;
    const bool closerInitiates = conversation.initiator == closer;
    const std::uint32_t closerNext =
        closerInitiates ? conversation.initiatorNext : conversation.responderNext;
    const std::uint32_t peerNext = closerInitiates ? conversation.responderNext : conversation.initiatorNext;
    WriteSegment(closer, peer, closerNext, peerNext, TcpFlag::Fin | TcpFlag::Ack, {});
    WriteSegment(peer, closer, peerNext, closerNext + 1, TcpFlag::Fin | TcpFlag::Ack, {});
    WriteSegment(closer, peer, closerNext + 1, peerNext + 1, TcpFlag::Ack, {});
    conversations_.erase(found);
    std::fflush(file_.get());
}

std::uint64_t PcapWriter::NextTimestamp() {
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    lastTimestamp_ = std::max(lastTimestamp_, static_cast<std::uint64_t>(now));
    return lastTimestamp_;
}

void PcapWriter::WriteSegment(const Endpoint& from, const Endpoint& to, std::uint32_t sequence,
                              std::uint32_t ack, std::uint8_t flags, std::span<const std::uint8_t> payload) {
    ByteWriter tcp;
    tcp.BE16(from.port);
    tcp.BE16(to.port);
    tcp.BE32(sequence);
    tcp.BE32(ack);
    tcp.U8(static_cast<std::uint8_t>((TcpHeaderSize / 4) << 4));
    tcp.U8(flags);
    tcp.BE16(65535); // window
    tcp.BE16(0);     // checksum, filled in below
    tcp.BE16(0);     // urgent pointer
    const auto tcpLength = static_cast<std::uint16_t>(TcpHeaderSize + payload.size());
    ByteWriter pseudo;
    pseudo.BE32(from.address);
    pseudo.BE32(to.address);
    pseudo.U8(0);
    pseudo.U8(6); // TCP
    pseudo.BE16(tcpLength);
    tcp.PatchBE16(16, InternetChecksum({pseudo.Result(), tcp.Result(), payload}));

    ByteWriter ip;
    ip.U8(0x45); // version 4, 5 words of header
    ip.U8(0);
    ip.BE16(static_cast<std::uint16_t>(IpHeaderSize + tcpLength));
    ip.BE16(0);      // identification
    ip.BE16(0x4000); // don't fragment
    ip.U8(64);       // time to live
    ip.U8(6);        // TCP
    ip.BE16(0);      // checksum, filled in below
    ip.BE32(from.address);
    ip.BE32(to.address);
    ip.PatchBE16(10, InternetChecksum({ip.Result()}));

    ByteWriter frame;
    WriteMac(frame, to.address);
    WriteMac(frame, from.address);
    frame.BE16(0x0800); // IPv4
    frame.Bytes(ip.Result());
    frame.Bytes(tcp.Result());
    frame.Bytes(payload);

    const std::uint64_t timestamp = NextTimestamp();
    const auto length = static_cast<std::uint32_t>(frame.Size());
    ByteWriter record;
    record.LE32(static_cast<std::uint32_t>(timestamp / 1000000));
    record.LE32(static_cast<std::uint32_t>(timestamp % 1000000));
    record.LE32(length);
    record.LE32(length);
    std::fwrite(record.Result().data(), 1, record.Size(), file_.get());
    std::fwrite(frame.Result().data(), 1, frame.Size(), file_.get());
    static_assert(EthernetHeaderSize + IpHeaderSize + TcpHeaderSize + MaxSegmentPayload <= SnapLength);
}

} // namespace Ncp
