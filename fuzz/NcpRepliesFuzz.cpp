// The client's side of the NCP codecs: any reply packet, decoded as the reply of every call the client makes
// (the first byte picks which), the directory-services verb replies, and reply fragments gathered into one
// message. Properties: names hold no zero byte and fit their field; a reply that decodes and encodes again
// decodes to the same value; a gathered message never exceeds its announced total or the limit.

#include "FuzzSupport.h"

#include "ncp/BinderyCodecs.h"
#include "ncp/ConnectionCodecs.h"
#include "ncp/DirectoryCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/FileCodecs.h"
#include "ncp/NlmCodecs.h"
#include "ncp/RequestBody.h"

#include <tuple>

namespace {

void CheckName(const std::string& name, std::size_t limit) {
    Fuzz::Require(name.find('\0') == std::string::npos, "a name holds no zero byte");
    Fuzz::Require(name.size() <= limit, "a name fits its field");
}

void CheckFields(const Ncp::BinderyObjectReply& reply) {
    CheckName(reply.objectName, Ncp::BinderyNameFieldSize);
}
void CheckFields(const Ncp::FileServerInformationReply& reply) {
    CheckName(reply.serverName, Ncp::BinderyNameFieldSize);
}
void CheckFields(const Ncp::StationLoggedInfoReply& reply) {
    CheckName(reply.objectName, Ncp::BinderyNameFieldSize);
}
void CheckFields(const Ncp::ExtensionInfoReply& reply) {
    CheckName(reply.name, Ncp::MaxExtensionNameLength);
}
void CheckFields(const Ncp::BinderyContextReply& reply) {
    CheckName(reply.context, Ncp::MaxDirectoryNameLength);
}
void CheckFields(const Ncp::PingDirectoryServicesReply& reply) {
    CheckName(reply.treeName, Ncp::MaxTreeNameLength);
}
template <typename Reply> void CheckFields(const Reply&) {}

template <typename Reply> void CheckReply(std::span<const std::uint8_t> packet) {
    Ncp::ReplyHeader header;
    Reply reply;
    if (!Ncp::DecodeReply(packet, header, reply) || header.completionCode != 0)
        return;
    CheckFields(reply);
    // A reader may take what a writer would not send (a name that fills its whole field); what both take
    // must mean the same.
    const auto encoded = Ncp::EncodeReply(header, reply);
    if (!encoded)
        return;
    Ncp::ReplyHeader headerAgain;
    Reply again;
    Fuzz::Require(Ncp::DecodeReply(*encoded, headerAgain, again) && again == reply,
                  "a reply decodes to the same value after encoding");
}

template <typename Verb> void CheckVerb(std::span<const std::uint8_t> data) {
    Verb verb;
    if (!Ncp::ParseVerbData(data, verb))
        return;
    Ncp::ByteWriter out;
    if (!Ncp::BuildVerbData(verb, out))
        return; // a name longer than the builder takes: the client only reads these
    Verb again;
    Fuzz::Require(Ncp::ParseVerbData(out.Result(), again) && again == verb, "a verb reply survives building");
}

using Replies =
    std::tuple<Ncp::NegotiateBufferSizeReply, Ncp::BigPacketMaxSizeReply, Ncp::EmptyReply,
               Ncp::GetLoginKeyReply, Ncp::BinderyObjectReply, Ncp::FileServerInformationReply,
               Ncp::StationLoggedInfoReply, Ncp::PingDirectoryServicesReply, Ncp::BinderyContextReply,
               Ncp::DirectoryServicesReply, Ncp::ExtensionInfoReply, Ncp::ExecuteExtensionReply,
               Ncp::ExtensionFragmentReply, Ncp::ExtensionContinuationReply, Ncp::OpenCreateFileReply,
               Ncp::ReadFileReply, Ncp::NlmRpcReply>;

template <std::size_t... I>
void CheckChosen(std::size_t choice, std::span<const std::uint8_t> packet, std::index_sequence<I...>) {
    ((choice == I ? CheckReply<std::tuple_element_t<I, Replies>>(packet) : void()), ...);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz::Input input(data, size);
    const std::uint8_t choice = input.Byte();
    const auto packet = input.Rest();
    constexpr std::size_t count = std::tuple_size_v<Replies>;
    if (choice < count) {
        CheckChosen(choice, packet, std::make_index_sequence<count>{});
    } else if (choice < count + 2) {
        Ncp::ReplyHeader header;
        Ncp::DirectoryServicesReply reply;
        if (Ncp::DecodeReply(packet, header, reply) && header.completionCode == 0) {
            if (choice == count)
                CheckVerb<Ncp::ReadEntryNameReply>(reply.verbData);
            else
                CheckVerb<Ncp::ServerAddressReply>(reply.verbData);
        }
    } else {
        // Reply fragments of one function-37 message: an announced total, then pieces.
        Fuzz::Input pieces(packet.data(), packet.size());
        Ncp::FragmentAssembler assembler;
        const std::uint32_t total = pieces.Word() | (static_cast<std::uint32_t>(pieces.Byte()) << 16);
        if (!assembler.Start(total)) {
            Fuzz::Require(total > Ncp::MaxExtensionMessageSize, "only a total over the limit is refused");
            return 0;
        }
        std::size_t added = 0;
        while (!pieces.Empty()) {
            const auto fragment = pieces.Piece(Ncp::ReplyFragmentLimit);
            if (assembler.Add(fragment))
                added += fragment.size();
            Fuzz::Require(added <= total && assembler.Missing() == total - added,
                          "the message stays in bounds");
        }
        if (assembler.Complete())
            Fuzz::Require(assembler.Take().size() == total, "the whole message has its announced length");
    }
    return 0;
}
