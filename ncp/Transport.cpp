#include "ncp/Transport.h"

#include "ncp/StatusCodes.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Ncp {

namespace {

using Clock = std::chrono::steady_clock;

// What a received chunk may hold at most; the assembler bounds each frame separately.
constexpr std::size_t ReceiveChunk = 4096;

// The host's IPv4 address: a dotted address as it is, a name through the system resolver.
std::uint16_t Resolve(const std::string& host, in_addr& address) {
    if (inet_pton(AF_INET, host.c_str(), &address) == 1)
        return StatusCodes::Success;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return StatusCodes::HostNotFound;
    sockaddr_in resolved{};
    if (found->ai_addrlen >= sizeof resolved)
        std::memcpy(&resolved, found->ai_addr, sizeof resolved);
    freeaddrinfo(found);
    if (resolved.sin_family != AF_INET)
        return StatusCodes::HostNotFound;
    address = resolved.sin_addr;
    return StatusCodes::Success;
}

std::uint16_t ConnectStatusOf(int error) {
    switch (error) {
    case 0:
        return StatusCodes::Success;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
        return StatusCodes::HostUnreachable;
    case ETIMEDOUT:
        return StatusCodes::RequestTimedOut;
    default: // refused, or any other reason the connection was not made
        return StatusCodes::ConnectionRefused;
    }
}

Endpoint EndpointOf(const sockaddr_in& address) {
    return Endpoint{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1000 * 1000));
}

} // namespace

Transport::~Transport() {
    Close();
}

std::uint16_t Transport::Connect(const std::string& host, std::uint16_t port, Milliseconds limit) {
    if (socket_ >= 0)
        return StatusCodes::InvalidParameter;
    const Clock::time_point deadline = Clock::now() + limit;
    in_addr address{};
    if (const std::uint16_t status = Resolve(host, address); status != StatusCodes::Success)
        return status;

    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket_ < 0)
        return StatusCodes::ConnectionRefused;
    // Requests and replies are small and answered one by one: send each at once.
    const int noDelay = 1;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);

    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr = address;
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        if (errno != EINPROGRESS)
            return Fail(ConnectStatusOf(errno));
        if (const std::uint16_t status = WaitFor(POLLOUT, deadline); status != StatusCodes::Success)
            return Fail(status == StatusCodes::ConnectionLost ? StatusCodes::ConnectionRefused : status);
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error != 0)
            return Fail(ConnectStatusOf(error));
    }

    sockaddr_in local{};
    socklen_t localLength = sizeof local;
    ::getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &localLength);
    local_ = EndpointOf(local);
    peer_ = EndpointOf(peer);
    everConnected_ = true;
    unread_.clear();
    return StatusCodes::Success;
}

std::uint16_t Transport::Send(std::span<const std::uint8_t> frame, Milliseconds limit) {
    return Send(frame, Clock::now() + limit);
}

std::uint16_t Transport::Send(std::span<const std::uint8_t> frame, Deadline deadline) {
    if (socket_ < 0)
        return everConnected_ ? StatusCodes::ConnectionLost : StatusCodes::InvalidConnection;
    std::span<const std::uint8_t> rest = frame;
    while (!rest.empty()) {
        const ssize_t sent = ::send(socket_, rest.data(), rest.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            rest = rest.subspan(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const std::uint16_t status = WaitFor(POLLOUT, deadline); status != StatusCodes::Success)
                return Fail(status);
            continue;
        }
        const bool peerGone = sent < 0 && (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN);
        return Fail(peerGone ? StatusCodes::ConnectionLost : StatusCodes::SendFailed);
    }
    if (capture_ != nullptr)
        capture_->Record(local_, peer_, frame);
    return StatusCodes::Success;
}

std::uint16_t Transport::ReceiveReply(Frame& reply, Milliseconds limit) {
    return ReceiveReply(reply, Clock::now() + limit);
}

std::uint16_t Transport::ReceiveReply(Frame& reply, Deadline deadline) {
    if (socket_ < 0)
        return everConnected_ ? StatusCodes::ConnectionLost : StatusCodes::InvalidConnection;
    FrameAssembler assembler(FrameDirection::Reply, bound_);
    std::array<std::uint8_t, ReceiveChunk> chunk{};
    for (;;) {
        if (!unread_.empty()) {
            const std::size_t taken = assembler.Feed(unread_);
            unread_.erase(unread_.begin(), unread_.begin() + static_cast<std::ptrdiff_t>(taken));
        }
        if (assembler.Failed())
            return Fail(assembler.Error() == FrameError::TooLong ? StatusCodes::BufferTooSmall
                                                                 : StatusCodes::MalformedReply);
        if (assembler.HasFrame()) {
            Frame frame = assembler.Take();
            if (capture_ != nullptr)
                capture_->Record(peer_, local_, frame.bytes);
            if (frame.Type() == PacketType::Reply) {
                reply = std::move(frame);
                return StatusCodes::Success;
            }
            continue; // busy frames and unasked frames are skipped
        }
        // A stream that never stops (busy frames, unasked frames, a reply trickling in) must not keep the
        // call beyond its deadline, nor the waiting window from its turn.
        if (Clock::now() >= deadline || !Tick())
            return Fail(StatusCodes::RequestTimedOut);
        std::size_t received = 0;
        if (const std::uint16_t status = ReceiveSome(chunk, deadline, received);
            status != StatusCodes::Success)
            return Fail(status);
        unread_.assign(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(received));
    }
}

bool Transport::PeerHasClosed() const {
    if (socket_ < 0)
        return false;
    pollfd watched{socket_, POLLIN, 0};
    if (::poll(&watched, 1, 0) <= 0)
        return false;
    // Only the end of the stream counts: bytes waiting to be read (a reply not yet taken) are not an end.
    std::uint8_t byte = 0;
    const ssize_t peeked = ::recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

void Transport::Close() {
    if (socket_ < 0)
        return;
    if (capture_ != nullptr)
        capture_->Close(local_, peer_);
    ::close(socket_);
    socket_ = -1;
    unread_.clear();
}

void Transport::SetFrameBound(std::size_t bound) {
    bound_ = std::min(bound, MaxFrameSize);
}

std::uint16_t Transport::Fail(std::uint16_t status) {
    Close();
    return status;
}

std::uint16_t Transport::ReceiveSome(std::span<std::uint8_t> chunk, Deadline deadline,
                                     std::size_t& received) {
    // A server nearby answers within microseconds, sooner than a thread asleep in poll() is woken again:
    // look for the reply for a moment before sleeping on it, while such looks pay (SpinPolicy).
    Clock::time_point spinEnd;
    bool decided = false;
    bool spinning = false;
    for (;;) {
        const ssize_t count = ::recv(socket_, chunk.data(), chunk.size(), 0);
        if (count > 0) {
            if (spinning)
                spinPolicy_.LookFound(true);
            received = static_cast<std::size_t>(count);
            return StatusCodes::Success;
        }
        if (count == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            return StatusCodes::ConnectionLost;
        if (!decided) {
            decided = true;
            spinning = spinBeforeSleep_.count() > 0 && spinPolicy_.ShouldLook();
            spinEnd = Clock::now() + spinBeforeSleep_;
        }
        if (spinning && Clock::now() < spinEnd)
            continue;
        if (spinning)
            spinPolicy_.LookFound(false);
        spinning = false;
        if (const std::uint16_t status = WaitFor(POLLIN, deadline); status != StatusCodes::Success)
            return status;
    }
}

std::uint16_t Transport::WaitFor(short events, Deadline deadline) {
    for (;;) {
        pollfd watched{socket_, events, 0};
        // With a tick, the wait sleeps in slices so that the tick gets its turns.
        const Deadline wake = tick_ ? std::min(deadline, nextTick_) : deadline;
        const int ready = ::poll(&watched, 1, MillisecondsUntil(wake));
        if (ready > 0)
            return StatusCodes::Success; // readable, writable, or an error the next call reports
        if (ready < 0 && errno != EINTR)
            return StatusCodes::ConnectionLost;
        if (Clock::now() >= deadline)
            return StatusCodes::RequestTimedOut;
        if (!Tick())
            return StatusCodes::RequestTimedOut;
    }
}

bool Transport::Tick() {
    if (!tick_)
        return true;
    const Clock::time_point now = Clock::now();
    if (now < nextTick_)
        return true;
    nextTick_ = now + TickInterval;
    return tick_();
}

} // namespace Ncp
