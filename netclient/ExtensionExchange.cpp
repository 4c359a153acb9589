#include "netclient/ExtensionExchange.h"

#include "ncp/ExtensionCodecs.h"
#include "ncp/PacketHeader.h"

namespace NetClient {

namespace {

// The most pieces one reply may come in: 65535 bytes in fragments of 256 bytes or more. A server that sends
// more, or sends pieces under another handle, is not answering this request.
constexpr int MaxReplyFragments = 256;

std::uint16_t Simple(ServerSession& session, std::uint32_t extensionId, std::span<const std::uint8_t> request,
                     std::uint16_t replyCapacity, std::vector<std::uint8_t>& reply) {
    Ncp::ExecuteExtensionRequest message;
    message.extensionId = extensionId;
    message.maxReplyLength = replyCapacity;
    message.data.assign(request.begin(), request.end());
    Ncp::ExecuteExtensionReply answer;
    Ncp::Reply raw;
    const std::uint16_t status = session.Call(message, answer, &raw);
    // A failing extension may still have sent reply data.
    if (status != StatusCodes::Success && !raw.data.empty())
        Ncp::ParseReplyData(raw.data, answer);
    reply = std::move(answer.data);
    return status;
}

std::uint16_t Fragmented(ServerSession& session, std::uint32_t extensionId,
                         std::span<const std::uint8_t> request, std::uint16_t replyCapacity,
                         std::vector<std::uint8_t>& reply) {
    auto fragments = Ncp::SplitExtensionRequest(extensionId, request, replyCapacity);
    if (!fragments)
        return StatusCodes::InvalidParameter;
    std::uint32_t handle = 0;
    Ncp::ExtensionFragmentReply first;
    for (Ncp::ExtensionFragmentRequest& fragment : *fragments) {
        fragment.fragmentHandle = handle;
        first = {};
        if (const std::uint16_t status = session.Call(fragment, first); status != StatusCodes::Success)
            return status;
        handle = first.fragmentHandle;
    }
    // The reply to the last request fragment announces the reply's length and brings its first part.
    Ncp::FragmentAssembler assembler;
    if (!assembler.Start(first.totalReplyLength) || !assembler.Add(first.data))
        return StatusCodes::MalformedReply;
    for (int fragment = 1; !assembler.Complete(); ++fragment) {
        if (fragment >= MaxReplyFragments)
            return StatusCodes::MalformedReply;
        Ncp::ExtensionFragmentRequest more;
        more.extensionId = extensionId;
        more.fragmentHandle = handle;
        Ncp::ExtensionContinuationReply next;
        if (const std::uint16_t status = session.Call(more, next); status != StatusCodes::Success)
            return status;
        // A server that sends nothing more would keep the loop going for ever.
        if (next.data.empty() || next.fragmentHandle != handle || !assembler.Add(next.data))
            return StatusCodes::MalformedReply;
    }
    reply = assembler.Take();
    return StatusCodes::Success;
}

} // namespace

ExtensionForm ChooseExtensionForm(std::size_t bufferSize, std::size_t requestSize,
                                  std::size_t replyCapacity) {
    // The length word, the extension number and the maximum reply word, before the request data.
    constexpr std::size_t RequestFields = 2 + 4 + 2;
    // The reply's own length word, before the reply data.
    constexpr std::size_t ReplyFields = 2;
    const bool requestFits = requestSize <= Ncp::SimpleRequestLimit &&
                             Ncp::RequestHeader::Size + RequestFields + requestSize <= bufferSize;
    const bool replyFits = Ncp::ReplyHeader::Size + ReplyFields + replyCapacity <= bufferSize;
    return requestFits && replyFits ? ExtensionForm::Simple : ExtensionForm::Fragmented;
}

std::uint16_t ExchangeWithExtension(ServerSession& session, std::uint32_t extensionId,
                                    std::span<const std::uint8_t> request, std::uint16_t replyCapacity,
                                    std::vector<std::uint8_t>& reply) {
    reply.clear();
    if (ChooseExtensionForm(session.Connection().BufferSize(), request.size(), replyCapacity) ==
        ExtensionForm::Fragmented)
        return Fragmented(session, extensionId, request, replyCapacity, reply);
    return Simple(session, extensionId, request, replyCapacity, reply);
}

} // namespace NetClient
