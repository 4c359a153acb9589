#include "emulator/NcpHandlers.h"

#include "ncp/CompletionCodes.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/NlmCodecs.h"

#include <algorithm>

namespace Emulator::NcpHandlers {

namespace {
Answer InfoReply(const ExtensionInfo* info, std::uint8_t notFound) {
    if (info == nullptr)
        return Fail(notFound);
    return Encode(Ncp::ExtensionInfoReply{info->id, info->majorVersion, info->minorVersion, info->revision,
                                          info->name, info->queryData});
}

// The extension's answer, cut to what the caller takes. A cut reply keeps its first bytes and answers
// BadLength, so that the caller can tell it from a whole one.
struct ExtensionResult {
    std::uint8_t completion = 0;
    std::vector<std::uint8_t> reply;
};

ExtensionResult RunExtension(Connection& connection, std::uint32_t extensionId,
                             std::span<const std::uint8_t> request, std::size_t capacity) {
    ExtensionResult result;
    if (connection.server.Extensions().Find(extensionId) == nullptr) {
        result.completion = UnknownExtensionNumber;
        return result;
    }
    if (!connection.ConsoleOperator() &&
        connection.server.Extensions().NeedsConsoleOperator(extensionId, request)) {
        result.completion = Ncp::Completion::NoConsoleRights;
        return result;
    }
    const std::uint16_t status =
        connection.server.Extensions().Request(extensionId, connection.number, request, result.reply);
    result.completion = Ncp::CompletionFromStatus(status);
    if (result.completion != 0)
        result.reply.clear();
    else if (result.reply.size() > capacity) {
        result.reply.resize(capacity);
        result.completion = Ncp::Completion::BadLength;
    }
    return result;
}

Answer Simple(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::ExecuteExtensionRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    ExtensionResult result =
        RunExtension(connection, parsed->extensionId, parsed->data, parsed->maxReplyLength);
    if (result.completion != 0 && result.reply.empty())
        return Fail(result.completion);
    Answer answer = Encode(Ncp::ExecuteExtensionReply{std::move(result.reply)});
    if (answer.completion == 0)
        answer.completion = result.completion;
    return answer;
}

// The next reply fragment of the exchange; the exchange ends with its last one.
std::vector<std::uint8_t> NextReplyPiece(ExtensionExchange& exchange) {
    const std::size_t length = std::min(Ncp::ReplyFragmentLimit, exchange.reply.size() - exchange.replySent);
    const auto first = exchange.reply.begin() + static_cast<std::ptrdiff_t>(exchange.replySent);
    std::vector<std::uint8_t> piece(first, first + static_cast<std::ptrdiff_t>(length));
    exchange.replySent += length;
    return piece;
}

Answer Fragmented(Connection& connection, const Ncp::ParsedRequest& request) {
    auto parsed = Parse<Ncp::ExtensionFragmentRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    ExtensionExchange& exchange = connection.extension;
    if (parsed->totals) {
        // A first fragment starts a new exchange, whatever was left of an older one.
        exchange = ExtensionExchange{};
        if (parsed->fragmentHandle != 0 || !exchange.request.Start(parsed->totals->requestLength))
            return Fail(Ncp::Completion::BadLength);
        exchange.handle = connection.nextFragmentHandle++;
        if (connection.nextFragmentHandle == 0)
            connection.nextFragmentHandle = 1;
        exchange.extensionId = parsed->extensionId;
        exchange.replyCapacity = parsed->totals->replyCapacity;
    } else if (exchange.handle == 0 || parsed->fragmentHandle != exchange.handle ||
               parsed->extensionId != exchange.extensionId) {
        exchange = ExtensionExchange{};
        return Fail(Ncp::Completion::BadLength);
    }
    if (exchange.replying) {
        // The caller asks for the next reply fragment; the data it repeats is ignored.
        Ncp::ExtensionContinuationReply reply{exchange.handle, NextReplyPiece(exchange)};
        if (exchange.replySent == exchange.reply.size())
            exchange = ExtensionExchange{};
        return Encode(reply);
    }
    if (!exchange.request.Add(parsed->data)) {
        exchange = ExtensionExchange{};
        return Fail(Ncp::Completion::BadLength);
    }
    Ncp::ExtensionFragmentReply reply{exchange.handle, 0, {}};
    if (!exchange.request.Complete())
        return Encode(reply);
    const std::vector<std::uint8_t> message = exchange.request.Take();
    ExtensionResult result = RunExtension(connection, exchange.extensionId, message, exchange.replyCapacity);
    if (result.completion != 0 && result.reply.empty()) {
        exchange = ExtensionExchange{};
        return Fail(result.completion);
    }
    exchange.reply = std::move(result.reply);
    exchange.replying = true;
    reply.totalReplyLength = static_cast<std::uint32_t>(exchange.reply.size());
    reply.data = NextReplyPiece(exchange);
    if (exchange.replySent == exchange.reply.size())
        exchange = ExtensionExchange{};
    Answer answer = Encode(reply);
    if (answer.completion == 0)
        answer.completion = result.completion;
    return answer;
}

// What a LOAD command line names: its first word ("SYS:SYSTEM\QVEXT.NLM -x" loads QVEXT.NLM).
std::string_view ModuleOfCommand(std::string_view command) {
    const std::size_t start = command.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    command.remove_prefix(start);
    return command.substr(0, command.find_first_of(" \t"));
}
} // namespace

Answer ScanExtensions(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::ScanExtensionsRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    return InfoReply(connection.server.Extensions().Next(parsed->afterNumber), ScanEnded);
}

Answer ExtensionInfoByName(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::ExtensionInfoByNameRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    return InfoReply(connection.server.Extensions().Find(parsed->name), ExtensionNotFound);
}

Answer ExtensionInfoByNumber(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::ExtensionInfoByNumberRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    return InfoReply(connection.server.Extensions().Find(parsed->number), ExtensionNotFound);
}

std::size_t ExecuteExtensionReplyBound(const Ncp::ParsedRequest& request) {
    // Handle, fragment length and total length before the data of a first reply fragment.
    constexpr std::size_t FragmentReplyFields = 10;
    constexpr std::size_t SimpleReplyLengthWord = 2;
    if (request.body.fragmentedExtension)
        return FragmentReplyFields + Ncp::ReplyFragmentLimit;
    const auto parsed = Parse<Ncp::ExecuteExtensionRequest>(request);
    // A request that cannot be read is refused without any work done.
    return parsed ? SimpleReplyLengthWord + parsed->maxReplyLength : 0;
}

Answer ExecuteExtension(Connection& connection, const Ncp::ParsedRequest& request) {
    return request.body.fragmentedExtension ? Fragmented(connection, request) : Simple(connection, request);
}

// The RPC code of 131 carries the server's own status (0 or 0x89xx, e.g. 0x8901 for a module whose file
// is not in SYS:SYSTEM), so that the client reports the server's own reason.
Answer LoadNlm(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::LoadNlmRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    if (!connection.ConsoleOperator())
        return Fail(Ncp::Completion::NoConsoleRights);
    return Encode(Ncp::NlmRpcReply{connection.server.LoadModule(ModuleOfCommand(parsed->commandLine))});
}

Answer UnloadNlm(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::UnloadNlmRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    if (!connection.ConsoleOperator())
        return Fail(Ncp::Completion::NoConsoleRights);
    return Encode(Ncp::NlmRpcReply{connection.server.UnloadModule(parsed->moduleName)});
}

} // namespace Emulator::NcpHandlers
