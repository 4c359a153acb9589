// The server's side of the NCP codecs: any request packet, taken apart and decoded as every call the
// servers answer (and the directory-services verbs inside 104/02). Properties: the parsed data lies inside
// the packet; a request that decodes encodes again and decodes to the same value, so the server reads what
// a client meant; a file path read from a request reads the same after a trip through its text.

#include "FuzzSupport.h"

#include "ncp/BinderyCodecs.h"
#include "ncp/ConnectionCodecs.h"
#include "ncp/DirectoryCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/FileCodecs.h"
#include "ncp/NlmCodecs.h"
#include "ncp/RequestBody.h"

#include <algorithm>

namespace {

template <typename Request> void CheckRequest(const Ncp::ParsedRequest& parsed) {
    Request request;
    // The servers serve calls only in request packets (type 0x2222); other types end the connection.
    if (parsed.header.type != Ncp::PacketType::Request || !Ncp::DecodeRequest(parsed, request))
        return;
    const auto packet = Ncp::EncodeRequest(parsed.header, request);
    Fuzz::Require(packet.has_value(), "a request that decodes encodes again");
    Request again;
    Fuzz::Require(Ncp::DecodeRequest(Ncp::ParseRequestPacket(*packet), again) && again == request,
                  "a request decodes to the same value after encoding");
}

template <typename Verb> void CheckVerb(std::span<const std::uint8_t> data) {
    Verb verb;
    if (!Ncp::ParseVerbData(data, verb))
        return;
    Ncp::ByteWriter out;
    Fuzz::Require(Ncp::BuildVerbData(verb, out), "a verb that parses builds again");
    Verb again;
    Fuzz::Require(Ncp::ParseVerbData(out.Result(), again) && again == verb, "a verb survives building");
}

template <typename... Requests> void CheckRequests(const Ncp::ParsedRequest& parsed) {
    (CheckRequest<Requests>(parsed), ...);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> packet(data, size);
    const Ncp::ParsedRequest parsed = Ncp::ParseRequestPacket(packet);
    if (parsed.status == Ncp::RequestParseStatus::Ok && !parsed.body.data.empty())
        Fuzz::Require(parsed.body.data.data() >= packet.data() &&
                          parsed.body.data.data() + parsed.body.data.size() <= packet.data() + packet.size(),
                      "the data lies inside the packet");
    CheckRequests<Ncp::NegotiateBufferSizeRequest, Ncp::BigPacketMaxSizeRequest, Ncp::LogoutRequest,
                  Ncp::GetLoginKeyRequest, Ncp::GetBinderyObjectIdRequest, Ncp::GetBinderyObjectNameRequest,
                  Ncp::KeyedObjectLoginRequest, Ncp::GetFileServerInformationRequest,
                  Ncp::GetStationLoggedInfoRequest, Ncp::ConnectionInformationRequest,
                  Ncp::CheckConsolePrivilegesRequest, Ncp::PingDirectoryServicesRequest,
                  Ncp::BinderyContextRequest, Ncp::DirectoryServicesRequest, Ncp::ScanExtensionsRequest,
                  Ncp::ExtensionInfoByNumberRequest, Ncp::ExtensionInfoByNameRequest,
                  Ncp::ExecuteExtensionRequest, Ncp::ExtensionFragmentRequest, Ncp::OpenCreateFileRequest,
                  Ncp::RenameOrMoveRequest, Ncp::ModifyDosInformationRequest, Ncp::DeleteFileRequest,
                  Ncp::CloseFileRequest, Ncp::WriteFileRequest, Ncp::ReadFileRequest, Ncp::LoadNlmRequest,
                  Ncp::UnloadNlmRequest>(parsed);

    Ncp::DirectoryServicesRequest directory;
    if (Ncp::DecodeRequest(parsed, directory)) {
        CheckVerb<Ncp::ReadEntryNameRequest>(directory.verbData);
        CheckVerb<Ncp::ServerAddressRequest>(directory.verbData);
    }
    // A path of plain components (no separator inside one) is the same path as text, as the client builds it.
    Ncp::OpenCreateFileRequest open;
    if (Ncp::DecodeRequest(parsed, open) && open.path.handleFlag == Ncp::HandleFlagNone &&
        open.path.components.size() >= 2 &&
        std::none_of(open.path.components.begin(), open.path.components.end(),
                     [](const std::string& component) {
                         return component.empty() || component.find_first_of("\\/:") != std::string::npos;
                     })) {
        const auto path = Ncp::HandlePathFromText(Ncp::HandlePathText(open.path));
        Fuzz::Require(path.has_value() && path->components == open.path.components,
                      "a path of plain components reads the same after a trip through its text");
    }
    return 0;
}
