#pragma once

#include "ncp/Bytes.h"
#include "ncp/Functions.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Loading and unloading NLMs through the RPC calls of function 131.
namespace Ncp {

// The command line or module name with its NUL has at most this many bytes; building refuses longer ones.
inline constexpr std::size_t MaxNlmCommandSize = 482;

// 131/01 RPC Load NLM: LE32 load options, 16 reserved bytes, stringz command line ("SYS:SYSTEM\NAME.NLM
// args", what follows LOAD at the console) -> NlmRpcReply.
struct LoadNlmRequest {
    static constexpr CallId Id = Calls::LoadNlm;
    std::uint32_t loadOptions = 0;
    std::string commandLine;
    friend bool operator==(const LoadNlmRequest&, const LoadNlmRequest&) = default;
};
// 131/02 RPC Unload NLM: 20 reserved bytes, stringz module name -> NlmRpcReply.
struct UnloadNlmRequest {
    static constexpr CallId Id = Calls::UnloadNlm;
    std::string moduleName;
    friend bool operator==(const UnloadNlmRequest&, const UnloadNlmRequest&) = default;
};
// LE32 RPC code: 0 when the module was loaded / unloaded.
struct NlmRpcReply {
    std::uint32_t rpcCode = 0;
    friend bool operator==(const NlmRpcReply&, const NlmRpcReply&) = default;
};

bool BuildRequestData(const LoadNlmRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, LoadNlmRequest& request);
bool BuildRequestData(const UnloadNlmRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, UnloadNlmRequest& request);
bool BuildReplyData(const NlmRpcReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, NlmRpcReply& reply);

} // namespace Ncp
