// The servers' dispatch: one service connection to a demo server fed any request packets, as nobody or after
// a real keyed login as the server's own user (console operator). The harness puts the expected sequence
// and connection numbers into most packets, so that they reach the handlers. Properties: every answer is a
// reply packet for the request (type, sequence, connection); its data fits the reply buffer the caller stated
// or it says so with 0x7E and no data; it is never longer than a frame; and nothing appears outside the
// volumes, not even through a link inside a volume that leads out.

#include "FuzzSupport.h"

#include "emulator/DemoNetwork.h"
#include "emulator/NcpSession.h"
#include "ncp/BinderyCodecs.h"
#include "ncp/ConnectionCodecs.h"
#include "ncp/PasswordCipher.h"
#include "ncp/RequestBody.h"
#include "ncp/TcpFrame.h"

#include <filesystem>
#include <unistd.h>

namespace {

std::filesystem::path base;
std::filesystem::path volumes;
std::filesystem::path outside;

// One request through the session with the numbers it expects; the reply's data, or nothing.
struct Station {
    Emulator::NcpSession& session;
    std::uint8_t sequence = 1;

    std::optional<Ncp::ParsedReply> Send(std::vector<std::uint8_t>& packet, std::uint32_t capacity,
                                         bool& closed) {
        packet[2] = sequence++;
        packet[3] = static_cast<std::uint8_t>(session.ConnectionNumber());
        packet[5] = static_cast<std::uint8_t>(session.ConnectionNumber() >> 8);
        reply = session.Handle(packet, capacity);
        closed = reply.close;
        return Ncp::ParseReplyPacket(reply.reply);
    }
    template <typename Request, typename Reply> bool Call(const Request& request, Reply& typed) {
        auto packet = Ncp::EncodeRequest(Ncp::RequestHeader{}, request).value_or(std::vector<std::uint8_t>{});
        bool closed = false;
        const auto answer = Send(packet, 0, closed);
        return answer && answer->header.completionCode == 0 && Ncp::ParseReplyData(answer->data, typed);
    }
    Emulator::SessionOutcome reply;
};

bool LogIn(Station& station, const Emulator::DemoAttachment& attachment) {
    Ncp::GetLoginKeyReply key;
    Ncp::BinderyObjectReply object;
    if (!station.Call(Ncp::GetLoginKeyRequest{}, key) ||
        !station.Call(Ncp::GetBinderyObjectIdRequest{Ncp::ObjectTypeUser, attachment.userName}, object))
        return false;
    Ncp::KeyedObjectLoginRequest login;
    login.response = Ncp::LoginResponseFor(key.key, Ncp::HashPassword(object.objectId, attachment.password));
    login.objectName = attachment.userName;
    Ncp::EmptyReply done;
    return station.Call(login, done);
}

bool Empty(const std::filesystem::path& directory) {
    std::error_code error;
    return std::filesystem::is_empty(directory, error) && !error;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    base = std::filesystem::temp_directory_path() / ("tessaline-session-fuzz-" + std::to_string(::getpid()));
    volumes = base / "volumes";
    outside = base / "outside";
    std::filesystem::create_directories(outside);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(base, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz::Input input(data, size);
    std::error_code ignored;
    std::filesystem::remove_all(volumes, ignored);
    const auto fixedTime = std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
    std::vector<Emulator::DemoServer> servers =
        Emulator::MakeDemoServers(volumes.string(), [fixedTime] { return fixedTime; });
    const std::uint8_t choice = input.Byte();
    Emulator::DemoServer& demo = servers[choice % servers.size()];
    // A link inside the SYS volume that leads out of the volumes: nothing may be created through it.
    const std::filesystem::path sys = volumes / demo.server->Name() / "SYS";
    std::filesystem::create_symlink(outside, sys / "OUT", ignored);

    Emulator::ServerFaults faults;
    Emulator::NcpSession session(*demo.server, faults);
    Ncp::RequestHeader create = Ncp::CreateConnectionHeader(0, 1);
    const auto createPacket = Ncp::BuildRequestPacket(
        create, Ncp::RequestBody{std::nullopt, std::span<const std::uint8_t>{}, false});
    Fuzz::Require(createPacket && !session.Handle(*createPacket).reply.empty(), "the connection is created");
    Station station{session, 1, {}};
    if ((choice & 0x10) != 0 && demo.attachment.logIn)
        Fuzz::Require(LogIn(station, demo.attachment), "the demo user logs in");

    while (!input.Empty()) {
        const bool raw = (input.Byte() & 0x0F) == 0;
        const std::uint32_t capacity = (input.Byte() & 3) == 0 ? input.Word() : 0;
        const auto piece = input.Piece(1024);
        std::vector<std::uint8_t> packet(piece.begin(), piece.end());
        bool closed = false;
        std::optional<Ncp::ParsedReply> reply;
        if (raw || packet.size() < Ncp::RequestHeader::Size) {
            const Emulator::SessionOutcome outcome = session.Handle(packet, capacity);
            closed = outcome.close;
            if (!outcome.reply.empty())
                Fuzz::Require(Ncp::ParseReplyPacket(outcome.reply).has_value(),
                              "an answer is a reply packet");
            Fuzz::Require(outcome.reply.size() + Ncp::ReplyFrameHeaderSize <= Ncp::MaxFrameSize,
                          "an answer fits a frame");
        } else {
            packet[0] = 0x22;
            packet[1] = 0x22;
            const std::uint8_t sequence = station.sequence;
            reply = station.Send(packet, capacity, closed);
            if (!station.reply.reply.empty()) {
                Fuzz::Require(reply.has_value(), "an answer is a reply packet");
                Fuzz::Require(reply->header.type == Ncp::PacketType::Reply &&
                                  reply->header.sequence == sequence &&
                                  reply->header.connection == session.ConnectionNumber(),
                              "an answer is the reply to its request");
                // The reply-buffer field bounds the reply's data (after the reply header).
                Fuzz::Require(capacity == 0 || reply->data.size() <= capacity ||
                                  (reply->header.completionCode == 0x7E && reply->data.empty()),
                              "an answer fits the stated reply buffer or says it does not");
                Fuzz::Require(station.reply.reply.size() + Ncp::ReplyFrameHeaderSize <= Ncp::MaxFrameSize,
                              "an answer fits a frame");
            }
        }
        if (closed)
            break;
    }
    Fuzz::Require(Empty(outside), "nothing appears outside the volumes");
    for (const auto& entry : std::filesystem::directory_iterator(base, ignored))
        Fuzz::Require(entry.path() == volumes || entry.path() == outside,
                      "nothing appears beside the volumes");
    return 0;
}
