#include "emulator/NcpSession.h"

#include "emulator/LocaleText.h"
#include "emulator/NcpDispatch.h"
#include "ncp/CompletionCodes.h"
#include "ncp/TcpFrame.h"

namespace Emulator {

namespace NcpHandlers {

Connection::Connection(Server& server_, std::uint16_t maxBufferSize_)
    : server(server_), files(server_.ServerVolumes()), maxBufferSize(maxBufferSize_),
      random(std::random_device{}()) {}

void Connection::Logout() {
    server.FilesOpened(userId, -static_cast<std::ptrdiff_t>(openFiles.size()));
    openFiles.clear();
    userId = 0;
    extension = ExtensionExchange{};
    if (number != 0)
        server.SetConnectionUser(number, 0);
}

void Connection::AddFile(std::uint32_t handle, OpenFile file) {
    openFiles[handle] = std::move(file);
    server.FilesOpened(userId, 1);
}

bool Connection::CloseFile(std::uint32_t handle) {
    if (openFiles.erase(handle) == 0)
        return false;
    server.FilesOpened(userId, -1);
    return true;
}

namespace {
bool SamePath(const NetWarePath& a, const NetWarePath& b) {
    return LocaleText::SameName(a.volume, b.volume) &&
           std::equal(a.components.begin(), a.components.end(), b.components.begin(), b.components.end(),
                      [](const std::string& x, const std::string& y) { return LocaleText::SameName(x, y); });
}
} // namespace

void Connection::ForgetTemporary(const NetWarePath& path) {
    std::erase_if(temporaries, [&path](const NetWarePath& known) { return SamePath(known, path); });
}

void Connection::RemoveTemporaries() {
    for (const NetWarePath& path : temporaries)
        files.Delete(path);
    temporaries.clear();
}

Answer Fail(std::uint8_t completion) {
    return Answer{completion, {}};
}

} // namespace NcpHandlers

namespace {
constexpr std::uint8_t FirstSequenceAfterCreate = 1;
} // namespace

NcpSession::NcpSession(Server& server, ServerFaults& faults, std::uint16_t maxBufferSize)
    : faults_(faults), connection_(server, maxBufferSize) {}

NcpSession::~NcpSession() {
    Detach();
}

void NcpSession::Detach() {
    connection_.Logout();
    // A transfer cut before its rename leaves nothing behind.
    connection_.RemoveTemporaries();
    if (connection_.number != 0)
        connection_.server.Detach(connection_.number);
    connection_.number = 0;
}

SessionOutcome NcpSession::Handle(std::span<const std::uint8_t> packet, std::uint32_t replyCapacity) {
    const Ncp::ParsedRequest request = Ncp::ParseRequestPacket(packet);
    switch (request.header.type) {
    case Ncp::PacketType::CreateConnection:
        return Create(request);
    case Ncp::PacketType::DestroyConnection:
        return Destroy(request);
    case Ncp::PacketType::Request:
        return Serve(request, replyCapacity);
    default:
        return SessionOutcome{{}, true};
    }
}

SessionOutcome NcpSession::Create(const Ncp::ParsedRequest& request) {
    // A second create on the same stream starts the connection afresh under its old number.
    connection_.Logout();
    if (connection_.number == 0) {
        const std::uint32_t number = connection_.server.Attach(0);
        if (number == 0) {
            NcpHandlers::Answer full{NcpHandlers::ConnectionLimit, {}};
            return SessionOutcome{ReplyPacket(request.header, full), true};
        }
        connection_.number = static_cast<std::uint16_t>(number);
    }
    connection_.bufferSize = Ncp::MinimumBufferSize;
    expectedSequence_ = FirstSequenceAfterCreate;
    return SessionOutcome{ReplyPacket(request.header, NcpHandlers::Answer{}), false};
}

SessionOutcome NcpSession::Destroy(const Ncp::ParsedRequest& request) {
    if (connection_.number == 0 || request.header.connection != connection_.number)
        return SessionOutcome{{}, true};
    if (faults_.IgnoresGoodbye())
        return SessionOutcome{{}, false};
    SessionOutcome outcome{ReplyPacket(request.header, NcpHandlers::Answer{}), true};
    Detach();
    return outcome;
}

SessionOutcome NcpSession::Serve(const Ncp::ParsedRequest& request, std::uint32_t replyCapacity) {
    if (connection_.number == 0 || request.header.connection != connection_.number ||
        request.header.sequence != expectedSequence_)
        return SessionOutcome{{}, true};
    ++expectedSequence_;
    return SessionOutcome{ReplyPacket(request.header, Dispatch(request, replyCapacity)), false};
}

NcpHandlers::Answer NcpSession::Dispatch(const Ncp::ParsedRequest& request, std::uint32_t replyCapacity) {
    using NcpHandlers::Fail;
    if (request.status != Ncp::RequestParseStatus::Ok)
        return Fail(NcpHandlers::ServesFunction(request.header.function) ? Ncp::Completion::BadLength
                                                                         : Ncp::Completion::UnknownRequest);
    const NcpHandlers::Route* route = NcpHandlers::FindRoute(request.Call());
    if (route == nullptr || (route->directoryServices && !connection_.server.HasDirectoryServices()))
        return Fail(Ncp::Completion::UnknownRequest);
    if (const auto fault = faults_.Check(request.Call()))
        return Fail(*fault);
    if (route->access == NcpHandlers::Access::LoggedIn && !connection_.LoggedIn())
        return Fail(NcpHandlers::NotLoggedIn);
    // The reply-buffer field is the largest reply data the caller takes (0: it says nothing). A call that
    // changes the server is refused before it takes effect; any other is refused once its reply is known.
    const auto fits = [replyCapacity](std::size_t dataSize) {
        return replyCapacity == 0 || dataSize <= replyCapacity;
    };
    if (route->changesState != nullptr && !fits(route->changesState(request)))
        return Fail(Ncp::Completion::BadLength);
    NcpHandlers::Answer answer = route->handler(connection_, request);
    return fits(answer.data.size()) ? answer : Fail(Ncp::Completion::BadLength);
}

std::vector<std::uint8_t> NcpSession::ReplyPacket(const Ncp::RequestHeader& request,
                                                  const NcpHandlers::Answer& answer) const {
    Ncp::ReplyHeader header;
    header.sequence = request.sequence;
    header.connection = connection_.number;
    header.task = request.task;
    header.completionCode = answer.completion;
    return Ncp::BuildReplyPacket(header, answer.data);
}

} // namespace Emulator
