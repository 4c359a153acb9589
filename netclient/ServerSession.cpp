#include "netclient/ServerSession.h"

#include "ncp/BinderyCodecs.h"
#include "ncp/CompletionCodes.h"
#include "ncp/ConnectionCodecs.h"
#include "ncp/PasswordCipher.h"
#include "netclient/NcpCall.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace NetClient {

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Overwrites a hash or response once it has served.
template <typename Bytes> void Wipe(Bytes& bytes) {
    volatile std::uint8_t* data = bytes.data();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        data[i] = 0;
}

} // namespace

ServerSession::ServerSession(Attachment attachment, Ncp::PcapWriter* capture)
    : attachment_(std::move(attachment)), capture_(capture),
      connection_(std::make_unique<Ncp::ClientConnection>()) {}

ServerSession::~ServerSession() {
    Disconnect();
}

bool ServerSession::IsUsable() const {
    return finished_ && connection_->IsOpen();
}

void ServerSession::Disconnect() {
    finished_ = false;
    loggedIn_ = false;
    connection_->Close();
}

std::uint16_t ServerSession::LogOut() {
    if (!IsUsable())
        return StatusCodes::InvalidConnection;
    Ncp::EmptyReply reply;
    const std::uint16_t status = Call(Ncp::LogoutRequest{}, reply);
    if (status != StatusCodes::Success)
        return status;
    loggedIn_ = false;
    attachment_.user.clear();
    attachment_.context.clear();
    if (password_)
        password_->Wipe();
    password_.reset();
    return StatusCodes::Success;
}

void ServerSession::TakeOver(ServerSession& fresh) {
    Disconnect();
    connection_ = std::exchange(fresh.connection_, std::make_unique<Ncp::ClientConnection>());
    attachment_ = fresh.attachment_;
    password_ = std::move(fresh.password_);
    fresh.password_.reset();
    serverName_ = fresh.serverName_;
    majorVersion_ = fresh.majorVersion_;
    finished_ = std::exchange(fresh.finished_, false);
    loggedIn_ = std::exchange(fresh.loggedIn_, false);
    attached_ = attached_ || finished_;
    pauseUntil_ = {};
    connection_->SetWaitTick(tick_);
    roundTrips_ += fresh.roundTrips_;
    // A new generation beyond both, so that no handle of either connection reaches this one.
    generation_ = std::max(generation_, fresh.generation_) + 1;
    ++identity_;
}

void ServerSession::NoticeLostConnection() {
    if (finished_)
        connection_->NoticeClosedByPeer();
}

std::unique_ptr<ServerSession> ServerSession::Twin() const {
    auto twin = std::make_unique<ServerSession>(attachment_, capture_);
    twin->password_ = password_;
    return twin;
}

std::uint16_t ServerSession::Open() {
    Disconnect();
    lookups_.Clear();
    // A fresh connection object each time: a lost one keeps nothing worth reusing.
    connection_ = std::make_unique<Ncp::ClientConnection>();
    connection_->SetTimeLimit(std::chrono::seconds(attachment_.timeoutSeconds));
    connection_->SetCapture(capture_);
    connection_->SetWaitTick(tick_);
    std::uint16_t status = connection_->Open(attachment_.host, attachment_.port);
    std::uint16_t accepted = 0;
    // The largest packet the server allows (97); a server without big packets negotiates through 33.
    if (status == StatusCodes::Success)
        status = connection_->NegotiateBigPacketSize(Ncp::ClientConnection::ProposedBigPacketSize, accepted);
    if (status != StatusCodes::Success && connection_->IsOpen())
        status = connection_->NegotiateBufferSize(Ncp::ClientConnection::ProposedBufferSize, accepted);
    Ncp::FileServerInformationReply information;
    if (status == StatusCodes::Success)
        status = Call(Ncp::GetFileServerInformationRequest{}, information);
    if (status != StatusCodes::Success) {
        connection_->Close();
        return status;
    }
    serverName_ = information.serverName;
    majorVersion_ = information.osMajorVersion;
    return StatusCodes::Success;
}

void ServerSession::Finish() {
    finished_ = connection_->IsOpen();
    attached_ = attached_ || finished_;
    ++generation_;
}

void ServerSession::SetWaitTick(Ncp::Transport::WaitTick tick) {
    tick_ = std::move(tick);
    connection_->SetWaitTick(tick_);
}

std::uint16_t ServerSession::Counted(std::uint16_t status) {
    if (status == StatusCodes::RequestTimedOut)
        pauseUntil_ = Clock::now() + ReconnectPause;
    return status;
}

bool ServerSession::IsLost() {
    return attached_ && !(finished_ && connection_->NoticeClosedByPeer());
}

std::uint16_t ServerSession::Revive() {
    if (finished_ && connection_->NoticeClosedByPeer())
        return StatusCodes::Success;
    if (!attached_ || Clock::now() < pauseUntil_)
        return StatusCodes::InvalidConnection;
    const std::uint16_t status = Reconnect();
    if (status != StatusCodes::Success)
        pauseUntil_ = Clock::now() + ReconnectPause;
    return status;
}

std::uint16_t ServerSession::Reconnect() {
    // Without a kept password nothing is sent: a reconnect never asks for one.
    if (!attachment_.user.empty() && !password_)
        return StatusCodes::NoPasswordHeld;
    std::uint16_t status = Open();
    if (status == StatusCodes::Success && !attachment_.user.empty())
        status = LogIn(*password_);
    if (status != StatusCodes::Success) {
        connection_->Close();
        return status;
    }
    Finish();
    return StatusCodes::Success;
}

// The keyed bindery login: a fresh login key, the user's object ID, the response computed from both and the
// password, then the login itself. The password never travels.
std::uint16_t ServerSession::LogIn(const SecretText& password) {
    // Copied first: password may be the one kept here (a reconnect).
    SecretText candidate = password;
    Ncp::GetLoginKeyReply key;
    if (const std::uint16_t status = Call(Ncp::GetLoginKeyRequest{}, key); status != StatusCodes::Success)
        return status;
    Ncp::GetBinderyObjectIdRequest lookup;
    lookup.objectType = Ncp::ObjectTypeUser;
    lookup.objectName = Upper(attachment_.user);
    Ncp::BinderyObjectReply user;
    if (const std::uint16_t status = Call(lookup, user); status != StatusCodes::Success)
        return status;

    Ncp::PasswordHash hash = Ncp::HashPassword(user.objectId, candidate.Reveal());
    Ncp::KeyedObjectLoginRequest login;
    login.response = Ncp::LoginResponseFor(key.key, hash);
    login.objectType = Ncp::ObjectTypeUser;
    login.objectName = lookup.objectName;
    Wipe(hash);
    Ncp::EmptyReply done;
    const std::uint16_t status = Call(login, done);
    Wipe(login.response);
    // An expired password still logs in (a grace login).
    if (status != StatusCodes::Success &&
        status != Ncp::StatusFromCompletion(Ncp::Completion::PasswordExpired))
        return status;
    password_ = std::move(candidate);
    loggedIn_ = true;
    return StatusCodes::Success;
}

} // namespace NetClient
