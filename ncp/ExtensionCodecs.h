#pragma once

#include "ncp/Bytes.h"
#include "ncp/Functions.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// NCP extensions: looking them up (36/00 scan, 36/02 by name, 36/05 by number) and calling them (37), in the
// simple form and in the fragmented form for messages that do not fit one packet. Extension numbers and the
// fields of 37 after its length word are little-endian.
namespace Ncp {

// An extension name fills at most the 32-byte name field of the 36/x replies; building refuses longer ones.
inline constexpr std::size_t MaxExtensionNameLength = 32;
// The scan starts with this number and continues with the number each reply returns.
inline constexpr std::uint32_t ExtensionScanStart = 0xFFFFFFFF;

// 36/00 Scan Extensions and 36/05 Get Extension Info by Number: LE32 number -> ExtensionInfoReply.
// The scan answers the next registered number above the one given; completion 0xFF ends it.
struct ScanExtensionsRequest {
    static constexpr CallId Id = Calls::ScanExtensions;
    std::uint32_t afterNumber = ExtensionScanStart;
    friend bool operator==(const ScanExtensionsRequest&, const ScanExtensionsRequest&) = default;
};
struct ExtensionInfoByNumberRequest {
    static constexpr CallId Id = Calls::ExtensionInfoByNumber;
    std::uint32_t number = 0;
    friend bool operator==(const ExtensionInfoByNumberRequest&,
                           const ExtensionInfoByNumberRequest&) = default;
};
// 36/02 Get Extension Info by Name: nstring8 name (length word 2 + n) -> ExtensionInfoReply.
struct ExtensionInfoByNameRequest {
    static constexpr CallId Id = Calls::ExtensionInfoByName;
    std::string name;
    friend bool operator==(const ExtensionInfoByNameRequest&, const ExtensionInfoByNameRequest&) = default;
};
// 72 bytes: LE32 number, major, minor, revision, name length, 32-byte name field, 32 bytes of query data.
struct ExtensionInfoReply {
    static constexpr std::size_t Size = 72;
    std::uint32_t number = 0;
    std::uint8_t majorVersion = 0;
    std::uint8_t minorVersion = 0;
    std::uint8_t revision = 0;
    std::string name;
    std::array<std::uint8_t, 32> queryData{};
    friend bool operator==(const ExtensionInfoReply&, const ExtensionInfoReply&) = default;
};

// Limits of 37. The simple form carries as much as its length word can count (0xFFFF marks the fragmented
// form); whether a message fits one packet is the sender's choice, by the buffer size negotiated for its
// connection (the client's rule is ChooseExtensionForm in netclient/ExtensionExchange.h).
inline constexpr std::size_t SimpleRequestLimit = 0xFFFE - 6;
inline constexpr std::size_t FirstRequestFragmentLimit = 511;
inline constexpr std::size_t FollowingRequestFragmentLimit = 519;
inline constexpr std::size_t ReplyFragmentLimit = 524;
// The largest whole message (request or reply) either side accepts in the fragmented form.
inline constexpr std::size_t MaxExtensionMessageSize = 65535;

// 37 simple form: LE32 extension number, LE16 maximum reply length, data (the length word before them counts
// all of it). Reply: LE16 length of the reply data (not counting itself), the data.
struct ExecuteExtensionRequest {
    static constexpr CallId Id = Calls::ExecuteExtension;
    std::uint32_t extensionId = 0;
    std::uint16_t maxReplyLength = 0;
    std::vector<std::uint8_t> data;
    friend bool operator==(const ExecuteExtensionRequest&, const ExecuteExtensionRequest&) = default;
};
struct ExecuteExtensionReply {
    std::vector<std::uint8_t> data;
    friend bool operator==(const ExecuteExtensionReply&, const ExecuteExtensionReply&) = default;
};

// 37 fragmented form (0xFFFF in place of the length word): LE32 extension number, LE32 fragment handle,
// LE16 fragment length, on the first fragment (handle 0) LE32 total request length and LE32 reply capacity,
// then the fragment's data (at most 511 bytes on the first fragment, 519 on the following ones).
// The client also sends this (with the current handle) to ask for further reply fragments; the server
// ignores its data then.
struct ExtensionFragmentRequest {
    static constexpr CallId Id = Calls::ExecuteExtension;
    static constexpr bool FragmentedExtension = true;
    struct Totals {
        std::uint32_t requestLength = 0;
        std::uint32_t replyCapacity = 0;
        friend bool operator==(const Totals&, const Totals&) = default;
    };
    std::uint32_t extensionId = 0;
    std::uint32_t fragmentHandle = 0;
    std::optional<Totals> totals; // present exactly on the first fragment (handle 0)
    std::vector<std::uint8_t> data;
    friend bool operator==(const ExtensionFragmentRequest&, const ExtensionFragmentRequest&) = default;
};
// Reply to a request fragment: LE32 handle for the next request, LE16 fragment length, LE32 total reply
// length, data (at most 524 bytes; empty until the whole request has arrived).
struct ExtensionFragmentReply {
    std::uint32_t fragmentHandle = 0;
    std::uint32_t totalReplyLength = 0;
    std::vector<std::uint8_t> data;
    friend bool operator==(const ExtensionFragmentReply&, const ExtensionFragmentReply&) = default;
};
// A further reply fragment: LE32 handle, LE16 fragment length, data (at most 524 bytes).
struct ExtensionContinuationReply {
    std::uint32_t fragmentHandle = 0;
    std::vector<std::uint8_t> data;
    friend bool operator==(const ExtensionContinuationReply&, const ExtensionContinuationReply&) = default;
};

// The request fragments of one message, in order. The first carries the totals and handle 0; the caller puts
// the handle of each reply into the next fragment before sending it. Nothing when the request is longer
// than MaxExtensionMessageSize.
std::optional<std::vector<ExtensionFragmentRequest>>
SplitExtensionRequest(std::uint32_t extensionId, std::span<const std::uint8_t> request,
                      std::uint32_t replyCapacity);

// The pieces a reply (or any message) is sent in: firstLimit bytes, then followingLimit bytes each.
// An empty message is one empty piece.
std::vector<std::span<const std::uint8_t>>
SplitIntoFragments(std::span<const std::uint8_t> message, std::size_t firstLimit, std::size_t followingLimit);

// Collects the fragments of one message whose total length is announced first; used by the server for
// request fragments and by the client for reply fragments.
class FragmentAssembler final {
public:
    // False (and nothing started) when total exceeds maximum.
    bool Start(std::uint32_t total, std::size_t maximum = MaxExtensionMessageSize);
    // False when not started or when the fragment would run past the announced total.
    bool Add(std::span<const std::uint8_t> fragment);
    bool Started() const { return started_; }
    bool Complete() const { return started_ && message_.size() == total_; }
    std::size_t Missing() const { return started_ ? total_ - message_.size() : 0; }
    // The whole message; the assembler is empty afterwards.
    std::vector<std::uint8_t> Take();

private:
    std::vector<std::uint8_t> message_;
    std::size_t total_ = 0;
    bool started_ = false;
};

bool BuildRequestData(const ScanExtensionsRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, ScanExtensionsRequest& request);
bool BuildRequestData(const ExtensionInfoByNumberRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, ExtensionInfoByNumberRequest& request);
bool BuildRequestData(const ExtensionInfoByNameRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, ExtensionInfoByNameRequest& request);
bool BuildReplyData(const ExtensionInfoReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, ExtensionInfoReply& reply);

bool BuildRequestData(const ExecuteExtensionRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, ExecuteExtensionRequest& request);
bool BuildReplyData(const ExecuteExtensionReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, ExecuteExtensionReply& reply);

bool BuildRequestData(const ExtensionFragmentRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, ExtensionFragmentRequest& request);
bool BuildReplyData(const ExtensionFragmentReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, ExtensionFragmentReply& reply);
bool BuildReplyData(const ExtensionContinuationReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, ExtensionContinuationReply& reply);

} // namespace Ncp
