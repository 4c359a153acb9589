#include "emulator/NcpServer.h"

#include "emulator/LocaleText.h"
#include "emulator/NcpSession.h"
#include "emulator/Server.h"
#include "ncp/PcapWriter.h"
#include "ncp/TcpFrame.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace Emulator {

namespace {
using SteadyClock = std::chrono::steady_clock;

constexpr int ListenBacklog = 128;
constexpr std::size_t ReceiveChunk = 16384;
constexpr std::chrono::milliseconds AcceptPause{100};

Ncp::Endpoint EndpointOf(const sockaddr_in& address) {
    return Ncp::Endpoint{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

bool LocalAndPeer(int socket, Ncp::Endpoint& local, Ncp::Endpoint& peer) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    local = EndpointOf(address);
    length = sizeof address;
    if (::getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    peer = EndpointOf(address);
    return true;
}

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}
} // namespace

struct NcpServer::Listener {
    Server* server = nullptr;
    std::string address;
    std::uint16_t port = 0;
    UniqueFd socket;
    ServerFaults faults;
    std::size_t connections = 0;
    std::chrono::steady_clock::time_point pausedUntil; // accepting waits for descriptors until then
};

// One accepted TCP connection: its socket, its frame assembler, its session, the bytes received but not yet
// answered (reading pauses while too many replies wait), and the replies not yet sent (those held back by
// an injected delay first).
struct NcpServer::Client {
    struct HeldReply {
        SteadyClock::time_point due;
        std::vector<std::uint8_t> frame;
    };

    Client(Listener& owner, UniqueFd connected, std::uint16_t maxBufferSize)
        : listener(&owner), socket(std::move(connected)),
          assembler(Ncp::FrameDirection::Request, Ncp::FrameBoundForBuffer(Ncp::MinimumBufferSize)),
          session(*owner.server, owner.faults, maxBufferSize) {}

    std::size_t PendingBytes() const {
        std::size_t pending = output.size() - outputSent;
        for (const HeldReply& reply : held)
            pending += reply.frame.size();
        return pending;
    }
    bool HasUnread() const { return unreadOffset < unread.size(); }

    Listener* listener = nullptr;
    UniqueFd socket;
    Ncp::FrameAssembler assembler;
    NcpSession session;
    Ncp::Endpoint local;
    Ncp::Endpoint peer;
    std::vector<std::uint8_t> unread;
    std::size_t unreadOffset = 0;
    std::vector<std::uint8_t> output;
    std::size_t outputSent = 0;
    std::deque<HeldReply> held;
    std::vector<std::uint8_t> refused; // bytes after a frame the assembler refused, for the capture
    SteadyClock::time_point lastRequest = SteadyClock::now(); // the last complete frame (or the accept)
    SteadyClock::time_point frameStarted;                     // when the frame being collected began
    bool closing = false; // the session ended it: close once the replies are out
    bool gone = false;    // closed; removed from the list by the loop
};

struct NcpServer::Capture {
    Ncp::PcapWriter writer;
};

NcpServer::NcpServer() : NcpServer(Options{}) {}

NcpServer::NcpServer(Options options) : options_(std::move(options)) {}

NcpServer::~NcpServer() {
    Stop();
}

bool NcpServer::AddServer(Server& server, std::string address, std::uint16_t port) {
    if (Running())
        return false;
    auto listener = std::make_unique<Listener>();
    listener->server = &server;
    listener->address = std::move(address);
    listener->port = port;
    listeners_.push_back(std::move(listener));
    return true;
}

bool NcpServer::Start(std::string* error) {
    std::string reason;
    const auto fail = [&](std::string text) {
        reason = std::move(text);
        for (auto& listener : listeners_)
            listener->socket.Reset();
        if (error != nullptr)
            *error = reason;
        return false;
    };
    if (Running())
        return fail("already started");
    for (auto& listener : listeners_) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(listener->port);
        if (::inet_pton(AF_INET, listener->address.c_str(), &address.sin_addr) != 1)
            return fail(listener->address + " is not an IPv4 address");
        listener->socket.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        const int reuse = 1;
        if (!listener->socket.Valid() ||
            ::setsockopt(listener->socket.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
            ::bind(listener->socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
                0 ||
            ::listen(listener->socket.Get(), ListenBacklog) != 0)
            return fail(SystemError(listener->server->Name() + " on " + listener->address + ":" +
                                    std::to_string(listener->port)));
        socklen_t length = sizeof address;
        ::getsockname(listener->socket.Get(), reinterpret_cast<sockaddr*>(&address), &length);
        listener->port = ntohs(address.sin_port);
    }
    if (!options_.captureFile.empty()) {
        capture_ = std::make_unique<Capture>();
        if (!capture_->writer.Open(options_.captureFile)) {
            capture_.reset();
            return fail("cannot write the capture file " + options_.captureFile);
        }
    }
    ShareDescriptors();
    for (auto& listener : listeners_)
        listener->server->ServerVolumes().RemoveTransferTemporaries();
    int pipe[2] = {-1, -1};
    if (::pipe2(pipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return fail(SystemError("wake-up pipe"));
    wakeRead_.Reset(pipe[0]);
    wakeWrite_.Reset(pipe[1]);
    stopping_ = false;
    {
        const std::lock_guard lock(tasksMutex_);
        running_ = true;
    }
    thread_ = std::thread([this] { Loop(); });
    return true;
}

std::size_t NcpServer::ConnectionLimitOf(const Listener& listener) const {
    return std::min<std::size_t>(options_.connectionLimit, listener.server->Config().maxConnections);
}

void NcpServer::ShareDescriptors() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur == RLIM_INFINITY || listeners_.empty())
        return;
    // Listeners, wake-up pipe, capture file and every connection slot come first.
    std::size_t taken = options_.descriptorReserve + listeners_.size() + 3;
    for (const auto& listener : listeners_)
        taken += ConnectionLimitOf(*listener);
    const std::size_t available =
        limit.rlim_cur > taken ? static_cast<std::size_t>(limit.rlim_cur) - taken : 0;
    for (auto& listener : listeners_) {
        ServerLimits limits = listener->server->Limits();
        limits.openFiles = std::min(limits.openFiles, available / listeners_.size());
        listener->server->SetLimits(limits);
    }
}

void NcpServer::Stop() {
    if (!thread_.joinable())
        return;
    Call([this] { stopping_ = true; });
    thread_.join();
    for (auto& listener : listeners_)
        listener->socket.Reset();
    const std::lock_guard lock(tasksMutex_);
    wakeRead_.Reset();
    wakeWrite_.Reset();
}

std::uint16_t NcpServer::Port(std::string_view serverName) const {
    const Listener* listener = FindListener(serverName);
    return listener != nullptr && listener->socket.Valid() ? listener->port : 0;
}

std::uint16_t NcpServer::Port(const Server& server) const {
    for (const auto& listener : listeners_)
        if (listener->server == &server && listener->socket.Valid())
            return listener->port;
    return 0;
}

std::vector<std::string> NcpServer::ServerNames() const {
    std::vector<std::string> names;
    for (const auto& listener : listeners_)
        names.push_back(listener->server->Name());
    return names;
}

NcpServer::Listener* NcpServer::FindListener(std::string_view serverName) const {
    for (const auto& listener : listeners_)
        if (LocaleText::SameName(listener->server->Name(), serverName))
            return listener.get();
    return nullptr;
}

void NcpServer::Call(const std::function<void()>& work) {
    Task task{work, false};
    {
        std::unique_lock lock(tasksMutex_);
        if (!running_ || std::this_thread::get_id() == loopThread_) {
            lock.unlock();
            work();
            return;
        }
        tasks_.push_back(&task);
        // Under the lock: Stop closes the pipe only after the loop has stopped taking calls.
        Wake();
    }
    std::unique_lock lock(tasksMutex_);
    tasksDone_.wait(lock, [&task] { return task.done; });
}

void NcpServer::Wake() {
    const std::uint8_t byte = 1;
    // A full pipe already holds a wake-up: nothing is lost when this write fails.
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite_.Get(), &byte, 1);
}

void NcpServer::RunTasks() {
    std::deque<Task*> tasks;
    {
        const std::lock_guard lock(tasksMutex_);
        tasks.swap(tasks_);
    }
    if (tasks.empty())
        return;
    for (Task* task : tasks)
        task->work();
    {
        const std::lock_guard lock(tasksMutex_);
        for (Task* task : tasks)
            task->done = true;
    }
    tasksDone_.notify_all();
}

// --- faults and observation ---

bool NcpServer::FailFunction(std::string_view serverName, std::string_view call, std::uint8_t completion,
                             std::uint32_t skipCalls, std::int32_t times) {
    Listener* listener = FindListener(serverName);
    if (listener == nullptr || !ServerFaults::CallByName(call))
        return false;
    Call([&] { listener->faults.FailFunction(call, completion, skipCalls, times); });
    return true;
}

bool NcpServer::SetReplyDelay(std::string_view serverName, std::chrono::milliseconds delay) {
    Listener* listener = FindListener(serverName);
    if (listener == nullptr)
        return false;
    Call([&] { listener->faults.SetReplyDelay(delay); });
    return true;
}

bool NcpServer::SetIgnoreGoodbye(std::string_view serverName, bool ignore) {
    Listener* listener = FindListener(serverName);
    if (listener == nullptr)
        return false;
    Call([&] { listener->faults.SetIgnoreGoodbye(ignore); });
    return true;
}

bool NcpServer::ClearFaults(std::string_view serverName) {
    Listener* listener = FindListener(serverName);
    if (listener == nullptr)
        return false;
    Call([&] { listener->faults.ClearAll(); });
    return true;
}

bool NcpServer::DropConnections(std::string_view serverName) {
    Listener* listener = FindListener(serverName);
    if (listener == nullptr)
        return false;
    Call([&] {
        for (auto& client : clients_)
            if (client->listener == listener)
                CloseClient(*client);
    });
    return true;
}

bool NcpServer::SetConsoleFault(std::string_view serverName, ConsoleFault fault) {
    Listener* listener = FindListener(serverName);
    if (listener == nullptr)
        return false;
    Call([&] { listener->server->Console().SetFault(fault); });
    return true;
}

std::size_t NcpServer::ConnectionCount(std::string_view serverName) {
    Listener* listener = FindListener(serverName);
    std::size_t count = 0;
    if (listener != nullptr)
        Call([&] { count = listener->connections; });
    return count;
}

// --- the loop ---

void NcpServer::Loop() {
    {
        const std::lock_guard lock(tasksMutex_);
        loopThread_ = std::this_thread::get_id();
    }
    std::vector<pollfd> polled;
    std::vector<Client*> polledClients;
    while (true) {
        RunTasks();
        if (stopping_)
            break;
        const auto now = SteadyClock::now();
        for (auto& client : clients_) {
            if (client->gone)
                continue;
            const bool midFrame = client->assembler.PendingBytes() > 0;
            if (now - client->lastRequest >= options_.idleTimeout ||
                (midFrame && now - client->frameStarted >= options_.frameTimeout)) {
                CloseClient(*client);
                continue;
            }
            ReleaseDueReplies(*client, now);
            if (!Flush(*client) || (!client->closing && client->HasUnread() && !AnswerFrames(*client)))
                CloseClient(*client);
        }
        std::erase_if(clients_, [](const std::unique_ptr<Client>& client) { return client->gone; });

        polled.clear();
        polledClients.clear();
        polled.push_back(pollfd{wakeRead_.Get(), POLLIN, 0});
        for (const auto& listener : listeners_)
            polled.push_back(
                pollfd{listener->socket.Get(), now < listener->pausedUntil ? short{0} : short{POLLIN}, 0});
        for (const auto& client : clients_) {
            short events = 0;
            if (!client->closing && !client->HasUnread())
                events |= POLLIN;
            if (client->outputSent < client->output.size())
                events |= POLLOUT;
            polled.push_back(pollfd{client->socket.Get(), events, 0});
            polledClients.push_back(client.get());
        }
        const int ready = ::poll(polled.data(), polled.size(), PollTimeout(SteadyClock::now()));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        if ((polled[0].revents & POLLIN) != 0) {
            std::array<std::uint8_t, 64> drain{};
            while (::read(wakeRead_.Get(), drain.data(), drain.size()) > 0) {
            }
        }
        for (std::size_t i = 0; i < listeners_.size(); ++i)
            if ((polled[1 + i].revents & POLLIN) != 0)
                Accept(*listeners_[i]);
        for (std::size_t i = 0; i < polledClients.size(); ++i) {
            Client& client = *polledClients[i];
            const short revents = polled[1 + listeners_.size() + i].revents;
            if (client.gone || revents == 0)
                continue;
            bool keep = true;
            if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !client.closing)
                keep = Receive(client);
            else if ((revents & (POLLHUP | POLLERR)) != 0)
                keep = false;
            if (keep && (revents & POLLOUT) != 0)
                keep = Flush(client);
            if (!keep)
                CloseClient(client);
        }
    }
    CloseAll();
    {
        const std::lock_guard lock(tasksMutex_);
        running_ = false;
    }
    // Calls that came in while the loop ended still run, on this thread, so that no caller waits forever.
    RunTasks();
}

int NcpServer::PollTimeout(SteadyClock::time_point now) const {
    std::optional<SteadyClock::time_point> next;
    const auto consider = [&next](SteadyClock::time_point when) {
        if (!next || when < *next)
            next = when;
    };
    for (const auto& listener : listeners_)
        if (listener->pausedUntil > now)
            consider(listener->pausedUntil);
    for (const auto& client : clients_) {
        consider(client->lastRequest + options_.idleTimeout);
        if (client->assembler.PendingBytes() > 0)
            consider(client->frameStarted + options_.frameTimeout);
        if (!client->held.empty())
            consider(client->held.front().due);
    }
    if (!next)
        return -1;
    if (*next <= now)
        return 0;
    // Rounded up, so that the loop does not wake just before the moment and spin.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now);
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait.count(), 60'000));
}

void NcpServer::Accept(Listener& listener) {
    while (true) {
        UniqueFd socket(::accept4(listener.socket.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!socket.Valid()) {
            // Out of descriptors: the waiting peer stays queued; listening pauses a moment instead of
            // spinning.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                listener.pausedUntil = SteadyClock::now() + AcceptPause;
            return;
        }
        if (listener.connections >= ConnectionLimitOf(listener))
            continue; // closed at once
        const int noDelay = 1;
        ::setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        auto client = std::make_unique<Client>(listener, std::move(socket), options_.maxBufferSize);
        if (!LocalAndPeer(client->socket.Get(), client->local, client->peer))
            continue;
        ++listener.connections;
        clients_.push_back(std::move(client));
    }
}

bool NcpServer::Receive(Client& client) {
    client.unread.resize(ReceiveChunk);
    ssize_t count = -1;
    do
        count = ::recv(client.socket.Get(), client.unread.data(), client.unread.size(), 0);
    while (count < 0 && errno == EINTR);
    if (count <= 0) {
        client.unread.clear();
        client.unreadOffset = 0;
        // 0: the peer closed its side; a session it leaves mid-frame or mid-write just ends.
        return count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    client.unread.resize(static_cast<std::size_t>(count));
    client.unreadOffset = 0;
    return AnswerFrames(client);
}

bool NcpServer::AnswerFrames(Client& client) {
    while (client.HasUnread()) {
        if (client.PendingBytes() >= RepliesPendingLimit)
            return true; // the peer does not read: wait until it has taken some replies
        const std::span<const std::uint8_t> rest = std::span(client.unread).subspan(client.unreadOffset);
        if (client.assembler.PendingBytes() == 0)
            client.frameStarted = SteadyClock::now();
        client.unreadOffset += client.assembler.Feed(rest);
        if (client.assembler.Failed()) {
            client.refused.assign(client.unread.begin() + static_cast<std::ptrdiff_t>(client.unreadOffset),
                                  client.unread.end());
            return false;
        }
        if (!client.assembler.HasFrame())
            continue;
        const Ncp::Frame frame = client.assembler.Take();
        client.lastRequest = SteadyClock::now();
        if (capture_)
            capture_->writer.Record(client.peer, client.local, frame.bytes);
        SessionOutcome outcome = client.session.Handle(frame.Packet(), frame.replyBufferSize);
        client.assembler.SetBound(Ncp::FrameBoundForBuffer(client.session.BufferSize()));
        if (!outcome.reply.empty())
            QueueReply(client, std::move(outcome.reply));
        if (outcome.close) {
            client.closing = true;
            client.unread.clear();
            client.unreadOffset = 0;
            return Flush(client);
        }
    }
    client.unread.clear();
    client.unreadOffset = 0;
    return Flush(client);
}

void NcpServer::QueueReply(Client& client, std::vector<std::uint8_t> packet) {
    const auto delay = client.listener->faults.ReplyDelay() + options_.replyLatency;
    std::vector<std::uint8_t> frame = Ncp::EncodeReplyFrame(packet);
    if (delay.count() > 0 || !client.held.empty()) {
        client.held.push_back(Client::HeldReply{SteadyClock::now() + delay, std::move(frame)});
        return;
    }
    if (capture_)
        capture_->writer.Record(client.local, client.peer, frame);
    client.output.insert(client.output.end(), frame.begin(), frame.end());
}

void NcpServer::ReleaseDueReplies(Client& client, SteadyClock::time_point now) {
    while (!client.held.empty() && client.held.front().due <= now) {
        const std::vector<std::uint8_t>& frame = client.held.front().frame;
        if (capture_)
            capture_->writer.Record(client.local, client.peer, frame);
        client.output.insert(client.output.end(), frame.begin(), frame.end());
        client.held.pop_front();
    }
}

bool NcpServer::Flush(Client& client) {
    while (client.outputSent < client.output.size()) {
        const ssize_t sent = ::send(client.socket.Get(), client.output.data() + client.outputSent,
                                    client.output.size() - client.outputSent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (sent <= 0)
            return false;
        client.outputSent += static_cast<std::size_t>(sent);
    }
    client.output.clear();
    client.outputSent = 0;
    // A connection the session ended goes once its last reply is out.
    return !(client.closing && client.held.empty());
}

void NcpServer::CloseClient(Client& client) {
    if (client.gone)
        return;
    client.gone = true;
    RecordCutFrame(client);
    if (capture_)
        capture_->writer.Close(client.local, client.peer);
    client.socket.Reset();
    --client.listener->connections;
}

// What arrived of a frame the connection ends in (refused, or cut by the peer or a time limit), so that the
// capture shows why the connection ended.
void NcpServer::RecordCutFrame(Client& client) {
    if (!capture_)
        return;
    std::vector<std::uint8_t> bytes(client.assembler.Pending().begin(), client.assembler.Pending().end());
    bytes.insert(bytes.end(), client.refused.begin(), client.refused.end());
    if (!bytes.empty())
        capture_->writer.Record(client.peer, client.local, bytes);
}

void NcpServer::CloseAll() {
    for (auto& client : clients_)
        CloseClient(*client);
    clients_.clear();
}

} // namespace Emulator
