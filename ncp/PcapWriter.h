#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <tuple>

// Writes the NCP frames a client or server exchanges to a pcap capture file (Ethernet / IPv4 / TCP around
// the frame bytes, with the connection's real addresses and ports), so that Wireshark or tshark shows whole
// conversations: each connection opens with a SYN / SYN-ACK / ACK before its first frame, carries
// consistent sequence and acknowledgement numbers in both directions, and ends with FINs when it is
// closed. The writer writes only the bytes it is handed; callers hand it frames, never secrets.
// One writer may be shared by threads (a client and an in-process server).
namespace Ncp {

// An IPv4 address (host byte order: 127.0.0.1 is 0x7F000001) and a TCP port.
struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;

    friend bool operator==(const Endpoint&, const Endpoint&) = default;
    friend auto operator<=>(const Endpoint&, const Endpoint&) = default;
};

class PcapWriter final {
public:
    PcapWriter() = default;
    ~PcapWriter();
    PcapWriter(const PcapWriter&) = delete;
    PcapWriter& operator=(const PcapWriter&) = delete;

    // Creates or replaces the file and writes the pcap file header. False when the file cannot be written.
    bool Open(const std::string& path);
    bool IsOpen() const;

    // Records bytes sent from one endpoint to the other. The first bytes between two endpoints start a
    // conversation, with the sender as its initiator. Bytes of any length: more than one IP packet holds
    // are split into several segments. Nothing happens when the file is not open.
    void Record(const Endpoint& from, const Endpoint& to, std::span<const std::uint8_t> bytes);
    // Ends the conversation between the two endpoints: closer sends FIN, the peer answers with its FIN,
    // closer acknowledges. A conversation never recorded, or already closed, writes nothing.
    void Close(const Endpoint& closer, const Endpoint& peer);

    // Writes what is buffered to the file (Record and Close flush already; for readers of a live file).
    void Flush();

private:
    // One TCP conversation: its initiator and the next sequence number of each side.
    struct Conversation {
        Endpoint initiator;
        std::uint32_t initiatorNext = 0;
        std::uint32_t responderNext = 0;
    };
    using ConversationKey = std::tuple<Endpoint, Endpoint>; // the two endpoints, smaller first

    static ConversationKey KeyOf(const Endpoint& a, const Endpoint& b);
    Conversation& Start(const Endpoint& from, const Endpoint& to);
    void WriteSegment(const Endpoint& from, const Endpoint& to, std::uint32_t sequence, std::uint32_t ack,
                      std::uint8_t flags, std::span<const std::uint8_t> payload);
    std::uint64_t NextTimestamp();

    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    mutable std::mutex mutex_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::map<ConversationKey, Conversation> conversations_;
    std::uint64_t lastTimestamp_ = 0; // microseconds since the epoch; records never go back in time
    std::uint32_t conversationsStarted_ = 0;
};

} // namespace Ncp
