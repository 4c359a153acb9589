#include "ncp/NlmCodecs.h"

namespace Ncp {

namespace {

constexpr std::size_t LoadReservedSize = 16;
constexpr std::size_t UnloadReservedSize = 20;

bool FitsCommand(const std::string& text) {
    return text.size() + 1 <= MaxNlmCommandSize && text.find('\0') == std::string::npos;
}

// The NUL-terminated text that ends the request; nothing may follow it.
bool ReadCommand(ByteReader& in, std::string& text) {
    text = in.StringZ();
    return in.AtEnd() && FitsCommand(text);
}

} // namespace

bool BuildRequestData(const LoadNlmRequest& request, ByteWriter& out) {
    if (!FitsCommand(request.commandLine))
        return false;
    out.LE32(request.loadOptions);
    out.Zeros(LoadReservedSize);
    out.StringZ(request.commandLine);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, LoadNlmRequest& request) {
    ByteReader in(data);
    request.loadOptions = in.LE32();
    in.Skip(LoadReservedSize);
    return ReadCommand(in, request.commandLine);
}

bool BuildRequestData(const UnloadNlmRequest& request, ByteWriter& out) {
    if (!FitsCommand(request.moduleName))
        return false;
    out.Zeros(UnloadReservedSize);
    out.StringZ(request.moduleName);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, UnloadNlmRequest& request) {
    ByteReader in(data);
    in.Skip(UnloadReservedSize);
    return ReadCommand(in, request.moduleName);
}

bool BuildReplyData(const NlmRpcReply& reply, ByteWriter& out) {
    out.LE32(reply.rpcCode);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, NlmRpcReply& reply) {
    ByteReader in(data);
    reply.rpcCode = in.LE32();
    return in.Ok();
}

} // namespace Ncp
