#include "emulator/NcpHandlers.h"

#include "ncp/CompletionCodes.h"
#include "ncp/DirectoryCodecs.h"

namespace Emulator::NcpHandlers {

namespace {
// Directory-services error codes (negative numbers as 32-bit values).
constexpr std::uint32_t NoSuchEntry = 0xFFFFFDA7;    // -601
constexpr std::uint32_t InvalidRequest = 0xFFFFFD7F; // -641

// A verb's answer: its directory-services code and its verb data.
struct VerbResult {
    std::uint32_t code = 0;
    std::vector<std::uint8_t> data;
};

template <typename VerbReply> VerbResult VerbAnswer(const VerbReply& reply) {
    Ncp::ByteWriter out;
    if (!Ncp::BuildVerbData(reply, out))
        return VerbResult{InvalidRequest, {}};
    return VerbResult{0, out.Take()};
}

VerbResult ReadEntryName(const Server& server, std::span<const std::uint8_t> data) {
    Ncp::ReadEntryNameRequest request;
    if (!Ncp::ParseVerbData(data, request))
        return VerbResult{InvalidRequest, {}};
    const ServerObject* object = server.FindObject(request.entryId);
    if (object == nullptr || object->directoryName.empty())
        return VerbResult{NoSuchEntry, {}};
    return VerbAnswer(Ncp::ReadEntryNameReply{object->directoryName});
}

VerbResult ServerAddress(const Server& server, std::span<const std::uint8_t> data) {
    Ncp::ServerAddressRequest request;
    if (!Ncp::ParseVerbData(data, request))
        return VerbResult{InvalidRequest, {}};
    if (server.Config().directoryName.empty())
        return VerbResult{NoSuchEntry, {}};
    return VerbAnswer(Ncp::ServerAddressReply{server.Config().directoryName});
}
} // namespace

// A server of major version 3 has no directory services: the dispatch answers 104 with UnknownRequest
// before any of these run.
Answer PingDirectoryServices(Connection& connection, const Ncp::ParsedRequest& request) {
    if (!Parse<Ncp::PingDirectoryServicesRequest>(request))
        return Fail(Ncp::Completion::BadLength);
    // The tree is the organisation part of the server's directory name ("CN=ATLAS.O=ACME" -> "ACME").
    const std::string& name = connection.server.Config().directoryName;
    const std::size_t organisation = name.rfind("O=");
    Ncp::PingDirectoryServicesReply reply;
    reply.treeName =
        organisation == std::string::npos ? connection.server.Name() : name.substr(organisation + 2);
    return Encode(reply);
}

Answer GetBinderyContext(Connection& connection, const Ncp::ParsedRequest& request) {
    if (!Parse<Ncp::BinderyContextRequest>(request))
        return Fail(Ncp::Completion::BadLength);
    return Encode(Ncp::BinderyContextReply{connection.server.Config().binderyContext});
}

Answer DirectoryServicesFragment(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::DirectoryServicesRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    VerbResult result{InvalidRequest, {}};
    if (parsed->fragmentHandle == Ncp::NoFragmentHandle) {
        if (parsed->verb == Ncp::VerbReadEntryInfo)
            result = ReadEntryName(connection.server, parsed->verbData);
        else if (parsed->verb == Ncp::VerbGetServerAddress)
            result = ServerAddress(connection.server, parsed->verbData);
    }
    return Encode(Ncp::DirectoryServicesReply{Ncp::NoFragmentHandle, result.code, std::move(result.data)});
}

} // namespace Emulator::NcpHandlers
