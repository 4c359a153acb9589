#pragma once

#include "emulator/ServerConsole.h"
#include "emulator/ServerFaults.h"
#include "emulator/UniqueFd.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace Emulator {

class Server;

// Serves NCP over TCP for several Servers: each server listens on its own address and port (127.0.0.1 and an
// ephemeral port unless told otherwise), every accepted TCP connection gets its own NcpSession, and one
// event-loop thread runs them all with poll() on non-blocking sockets. Per connection it cuts the stream into
// frames (bounded by the negotiated buffer size), answers each frame, and sends the replies in order.
//
// Bad input ends at most the one connection that sent it: a malformed frame, a packet the session refuses,
// a peer that stops mid-frame or disappears, a peer that sends without reading (reading from it pauses while
// RepliesPendingLimit bytes wait). Whatever arrived of a refused or cut frame goes to the capture before the
// connection closes. A connection that completes no request for the idle time (15 minutes by default) is
// closed, and with it its files; a frame once started must arrive whole within the frame time (10 s), so that
// a trickle of bytes holds no connection. Each server takes at most its own advertised number of connections
// (and never more than connectionLimit); connections beyond it are accepted and closed at once.
//
// Descriptors: Start raises the process's soft limit to the hard one and gives each server a share of what is
// left after every listener and connection slot and a reserve, as the bound on its open files, so that
// accepting and answering a create-connection request never fail for want of a descriptor.
//
// Threads: a Server's state is touched only on the loop thread once Start has run. Other threads reach it
// through Call, which runs a function on the loop thread and waits for it (it runs the function at once when
// the loop is not running, or when called on the loop thread). The fault routines use Call.
//
//     NcpServer ncp;
//     ncp.AddServer(atlas);                 // 127.0.0.1, ephemeral port
//     if (!ncp.Start(&error)) ...
//     const std::uint16_t port = ncp.Port("ATLAS");
//     ncp.FailFunction("ATLAS", "23/17", 0xFF);
//     ncp.Call([&] { atlas.LoadModule("QVEXT.NLM"); });
class NcpServer final {
public:
    struct Options {
        std::chrono::milliseconds idleTimeout = std::chrono::minutes(15);
        std::chrono::milliseconds frameTimeout = std::chrono::seconds(10); // a started frame arrives whole
        std::size_t connectionLimit = 250;   // TCP connections per server, below each server's own maximum
        std::size_t descriptorReserve = 32;  // kept free for accepting, path walks and the process itself
        std::uint16_t maxBufferSize = 65472; // the largest whose frames stay within 64 KiB
        std::string captureFile;             // when set, every frame goes to this pcap file
        // Every reply waits this long before it is sent, as over a network with that round trip.
        std::chrono::milliseconds replyLatency{0};
    };

    static constexpr std::size_t RepliesPendingLimit = 256 * 1024;

    NcpServer();
    explicit NcpServer(Options options);
    ~NcpServer(); // stops
    NcpServer(const NcpServer&) = delete;
    NcpServer& operator=(const NcpServer&) = delete;

    // Before Start: serves server on address (an IPv4 address) and port (0: an ephemeral one). The server
    // must outlive this object. False once started.
    bool AddServer(Server& server, std::string address = "127.0.0.1", std::uint16_t port = 0);
    // Binds every listener and starts the loop. False, with the reason in error, when an address cannot be
    // bound or the capture file cannot be written; nothing is listening then.
    bool Start(std::string* error = nullptr);
    // Closes every connection and listener and ends the loop; safe to call twice.
    void Stop();
    bool Running() const { return thread_.joinable(); } // from the thread that starts and stops

    // The port the named server listens on (letter case ignored), 0 for an unknown server or before Start.
    std::uint16_t Port(std::string_view serverName) const;
    // The port of that very server, for servers that share a name.
    std::uint16_t Port(const Server& server) const;
    std::vector<std::string> ServerNames() const;

    // Runs work on the loop thread and returns when it has run.
    void Call(const std::function<void()>& work);

    // --- faults (each goes through Call) ---
    // See ServerFaults::FailFunction; false for an unknown server or call name.
    bool FailFunction(std::string_view serverName, std::string_view call, std::uint8_t completion,
                      std::uint32_t skipCalls = 0, std::int32_t times = ServerFaults::Always);
    bool SetReplyDelay(std::string_view serverName, std::chrono::milliseconds delay);
    // See ServerFaults::SetIgnoreGoodbye.
    bool SetIgnoreGoodbye(std::string_view serverName, bool ignore);
    bool ClearFaults(std::string_view serverName);
    // Closes every connection to the server now; it goes on listening.
    bool DropConnections(std::string_view serverName);
    // Bends the replies of the server's console module (ServerConsole::SetFault).
    bool SetConsoleFault(std::string_view serverName, ConsoleFault fault);
    // How many TCP connections the server has.
    std::size_t ConnectionCount(std::string_view serverName);

private:
    struct Listener;
    struct Client;
    struct Task {
        std::function<void()> work;
        bool done = false;
    };

    void Loop();
    void RunTasks();
    void Accept(Listener& listener);
    // Reads what the socket has and answers the frames; false when the connection must go.
    bool Receive(Client& client);
    bool AnswerFrames(Client& client);
    bool Flush(Client& client);
    void QueueReply(Client& client, std::vector<std::uint8_t> packet);
    void ReleaseDueReplies(Client& client, std::chrono::steady_clock::time_point now);
    void CloseClient(Client& client);
    void RecordCutFrame(Client& client);
    void ShareDescriptors();
    std::size_t ConnectionLimitOf(const Listener& listener) const;
    void CloseAll();
    void Wake();
    Listener* FindListener(std::string_view serverName) const;
    int PollTimeout(std::chrono::steady_clock::time_point now) const;

    Options options_;
    std::vector<std::unique_ptr<Listener>> listeners_;
    std::vector<std::unique_ptr<Client>> clients_;
    std::thread thread_;
    bool stopping_ = false; // loop thread only, set by a task
    // Guarded by tasksMutex_: whether the loop takes calls, and its thread.
    bool running_ = false;
    std::thread::id loopThread_;
    UniqueFd wakeRead_;
    UniqueFd wakeWrite_;
    std::mutex tasksMutex_;
    std::condition_variable tasksDone_;
    std::deque<Task*> tasks_;
    struct Capture;
    std::unique_ptr<Capture> capture_;
};

} // namespace Emulator
