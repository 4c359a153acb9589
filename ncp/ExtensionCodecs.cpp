#include "ncp/ExtensionCodecs.h"

#include <algorithm>

// Requests are parsed strictly (every byte accounted for); replies may carry trailing bytes after the data
// their own length fields announce.
namespace Ncp {

namespace {

constexpr std::size_t ExtensionNameFieldSize = 32;

void WriteFragmentLength(std::span<const std::uint8_t> data, ByteWriter& out) {
    out.LE16(static_cast<std::uint16_t>(data.size()));
}

std::vector<std::uint8_t> ToVector(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

} // namespace

bool BuildRequestData(const ScanExtensionsRequest& request, ByteWriter& out) {
    out.LE32(request.afterNumber);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, ScanExtensionsRequest& request) {
    ByteReader in(data);
    request.afterNumber = in.LE32();
    return in.AtEnd();
}

bool BuildRequestData(const ExtensionInfoByNumberRequest& request, ByteWriter& out) {
    out.LE32(request.number);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, ExtensionInfoByNumberRequest& request) {
    ByteReader in(data);
    request.number = in.LE32();
    return in.AtEnd();
}

bool BuildRequestData(const ExtensionInfoByNameRequest& request, ByteWriter& out) {
    if (request.name.size() > MaxExtensionNameLength)
        return false;
    out.NString8(request.name);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, ExtensionInfoByNameRequest& request) {
    ByteReader in(data);
    request.name = in.NString8();
    return in.AtEnd() && request.name.size() <= MaxExtensionNameLength;
}

bool BuildReplyData(const ExtensionInfoReply& reply, ByteWriter& out) {
    if (reply.name.size() > MaxExtensionNameLength)
        return false;
    out.LE32(reply.number);
    out.U8(reply.majorVersion);
    out.U8(reply.minorVersion);
    out.U8(reply.revision);
    out.U8(static_cast<std::uint8_t>(reply.name.size()));
    out.Fixed(reply.name, ExtensionNameFieldSize);
    out.Bytes(reply.queryData);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, ExtensionInfoReply& reply) {
    ByteReader in(data);
    reply.number = in.LE32();
    reply.majorVersion = in.U8();
    reply.minorVersion = in.U8();
    reply.revision = in.U8();
    const std::uint8_t nameLength = in.U8();
    const std::string field = in.Text(ExtensionNameFieldSize);
    const auto query = in.Bytes(reply.queryData.size());
    if (!in.Ok() || nameLength > ExtensionNameFieldSize)
        return false;
    reply.name = TextBeforeZero(field.substr(0, nameLength));
    std::copy(query.begin(), query.end(), reply.queryData.begin());
    return true;
}

bool BuildRequestData(const ExecuteExtensionRequest& request, ByteWriter& out) {
    if (request.data.size() > SimpleRequestLimit)
        return false;
    out.LE32(request.extensionId);
    out.LE16(request.maxReplyLength);
    out.Bytes(request.data);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, ExecuteExtensionRequest& request) {
    ByteReader in(data);
    request.extensionId = in.LE32();
    request.maxReplyLength = in.LE16();
    request.data = ToVector(in.Rest());
    return in.AtEnd();
}

bool BuildReplyData(const ExecuteExtensionReply& reply, ByteWriter& out) {
    if (reply.data.size() > 0xFFFF)
        return false;
    out.LE16(static_cast<std::uint16_t>(reply.data.size()));
    out.Bytes(reply.data);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, ExecuteExtensionReply& reply) {
    ByteReader in(data);
    const std::uint16_t length = in.LE16();
    reply.data = ToVector(in.Bytes(length));
    return in.Ok();
}

bool BuildRequestData(const ExtensionFragmentRequest& request, ByteWriter& out) {
    const bool first = request.fragmentHandle == 0;
    const std::size_t limit = first ? FirstRequestFragmentLimit : FollowingRequestFragmentLimit;
    if (first != request.totals.has_value() || request.data.size() > limit)
        return false;
    out.LE32(request.extensionId);
    out.LE32(request.fragmentHandle);
    WriteFragmentLength(request.data, out);
    if (first) {
        out.LE32(request.totals->requestLength);
        out.LE32(request.totals->replyCapacity);
    }
    out.Bytes(request.data);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, ExtensionFragmentRequest& request) {
    ByteReader in(data);
    request.extensionId = in.LE32();
    request.fragmentHandle = in.LE32();
    const std::uint16_t length = in.LE16();
    const bool first = request.fragmentHandle == 0;
    request.totals.reset();
    if (first) {
        ExtensionFragmentRequest::Totals totals;
        totals.requestLength = in.LE32();
        totals.replyCapacity = in.LE32();
        request.totals = totals;
    }
    const std::size_t limit = first ? FirstRequestFragmentLimit : FollowingRequestFragmentLimit;
    if (length > limit)
        return false;
    request.data = ToVector(in.Bytes(length));
    return in.AtEnd();
}

bool BuildReplyData(const ExtensionFragmentReply& reply, ByteWriter& out) {
    if (reply.data.size() > ReplyFragmentLimit)
        return false;
    out.LE32(reply.fragmentHandle);
    WriteFragmentLength(reply.data, out);
    out.LE32(reply.totalReplyLength);
    out.Bytes(reply.data);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, ExtensionFragmentReply& reply) {
    ByteReader in(data);
    reply.fragmentHandle = in.LE32();
    const std::uint16_t length = in.LE16();
    reply.totalReplyLength = in.LE32();
    if (length > ReplyFragmentLimit)
        return false;
    reply.data = ToVector(in.Bytes(length));
    return in.Ok();
}

bool BuildReplyData(const ExtensionContinuationReply& reply, ByteWriter& out) {
    if (reply.data.size() > ReplyFragmentLimit)
        return false;
    out.LE32(reply.fragmentHandle);
    WriteFragmentLength(reply.data, out);
    out.Bytes(reply.data);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, ExtensionContinuationReply& reply) {
    ByteReader in(data);
    reply.fragmentHandle = in.LE32();
    const std::uint16_t length = in.LE16();
    if (length > ReplyFragmentLimit)
        return false;
    reply.data = ToVector(in.Bytes(length));
    return in.Ok();
}

std::vector<std::span<const std::uint8_t>> SplitIntoFragments(std::span<const std::uint8_t> message,
                                                              std::size_t firstLimit,
                                                              std::size_t followingLimit) {
    std::vector<std::span<const std::uint8_t>> pieces;
    std::size_t limit = firstLimit;
    do {
        const std::size_t size = std::min(limit, message.size());
        pieces.push_back(message.first(size));
        message = message.subspan(size);
        limit = followingLimit;
    } while (!message.empty());
    return pieces;
}

std::optional<std::vector<ExtensionFragmentRequest>>
SplitExtensionRequest(std::uint32_t extensionId, std::span<const std::uint8_t> request,
                      std::uint32_t replyCapacity) {
    if (request.size() > MaxExtensionMessageSize)
        return std::nullopt;
    std::vector<ExtensionFragmentRequest> fragments;
    for (const auto piece :
         SplitIntoFragments(request, FirstRequestFragmentLimit, FollowingRequestFragmentLimit)) {
        ExtensionFragmentRequest fragment;
        fragment.extensionId = extensionId;
        fragment.data = ToVector(piece);
        if (fragments.empty())
            fragment.totals =
                ExtensionFragmentRequest::Totals{static_cast<std::uint32_t>(request.size()), replyCapacity};
        fragments.push_back(std::move(fragment));
    }
    return fragments;
}

bool FragmentAssembler::Start(std::uint32_t total, std::size_t maximum) {
    message_.clear();
    started_ = total <= maximum;
    total_ = started_ ? total : 0;
    if (started_)
        message_.reserve(total_);
    return started_;
}

bool FragmentAssembler::Add(std::span<const std::uint8_t> fragment) {
    if (!started_ || fragment.size() > total_ - message_.size())
        return false;
    message_.insert(message_.end(), fragment.begin(), fragment.end());
    return true;
}

std::vector<std::uint8_t> FragmentAssembler::Take() {
    std::vector<std::uint8_t> message = std::move(message_);
    message_.clear();
    total_ = 0;
    started_ = false;
    return message;
}

} // namespace Ncp
