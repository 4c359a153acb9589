#pragma once

#include "netclient/AttachFailures.h"
#include "netclient/Attachments.h"
#include "netclient/Passwords.h"
#include "netclient/ServerSession.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ncp {
class PcapWriter;
}

// Attaches to all the servers of the attachments file at once: each server is connected, negotiated, asked
// what it is and logged in on a thread of its own, so that start-up lasts as long as the slowest server, not
// the sum of them. Passwords and the keyring are asked on the owner's thread only (Serve), one server at a
// time in the order the servers answered, while the others go on.
//
// Nothing here knows widgets: the program's start-up window and the command-line tool drive the same run.
// The threads report through the change callback, which may be called on any thread and must only post
// (a queued signal); the owner then reads Progress and calls Serve.
//
//     ParallelAttach run(attachments, capture);
//     run.RunToEnd(passwords);       // or Start, then Serve on each change until Finished (a window)
//     client.AddAttached(run.TakeAttached());
//
// A server skipped (Skip, SkipUnfinished) counts as ended at once; its thread may still wait on the network
// for up to the attachment's time limit, and when the run is destroyed first it is left to finish alone and
// drops what it made.
namespace NetClient {

// What one server of the run is doing.
enum class AttachStage { Connecting, WaitingForPassword, LoggingIn, Attached, Failed, Skipped };

struct AttachProgress {
    std::string serverName;
    std::string address; // "host:port"
    AttachStage stage = AttachStage::Connecting;
    NotAttached why = NotAttached::Failed; // Failed and Skipped: why the server is not attached
    std::uint32_t status = 0;              // Failed: the status it failed with
    std::string detail;                    // Failed: more about the reason; may be empty
    std::chrono::milliseconds elapsed{0};  // since Start; stops when the server's attach ended
};

// Whether a stage is final.
bool StageEnded(AttachStage stage);
// What the server is doing, in words: "Connecting", "Waiting for the password", "Logging in", "Attached",
// "Failed: " and the reason, "Skipped: " and how.
std::string DescribeProgress(const AttachProgress& progress);

class ParallelAttach final {
public:
    using Changed = std::function<void()>;

    // The capture is shared with threads that may outlive the run; null for none.
    ParallelAttach(std::vector<Attachment> attachments, std::shared_ptr<Ncp::PcapWriter> capture);
    ~ParallelAttach();
    ParallelAttach(const ParallelAttach&) = delete;
    ParallelAttach& operator=(const ParallelAttach&) = delete;

    // Called, on any thread, after each change of a server's progress. Set or cleared by the owner.
    void SetChanged(Changed changed);
    // Starts one thread per server.
    void Start();
    // Starts, and serves on this thread until every server has ended.
    void RunToEnd(PasswordSource& passwords);

    // The owner's part: asks the passwords that servers wait for and tells the source how each login went.
    // Returns when nothing waits for the owner. A call made while another is running (from a nested event
    // loop of the login dialog) returns at once; the running one picks up what came meanwhile.
    void Serve(PasswordSource& passwords);
    // Leaves the server out (the start-up window's Skip); nothing for a server that has ended.
    void Skip(std::size_t index);
    // Leaves out every server that has not ended (Continue).
    void SkipUnfinished();

    bool Finished() const;
    // Waits until something changed or limit passed (for owners without an event loop).
    void WaitForChange(std::chrono::milliseconds limit);
    std::vector<AttachProgress> Progress() const;

    // Once Finished: the attached servers' sessions in the order of the attachments (the first is the
    // primary connection), whatever order they were attached in; and the servers that were not attached.
    std::vector<std::unique_ptr<ServerSession>> TakeAttached();
    std::vector<AttachFailure> Failures() const;

private:
    struct Shared;
    struct Worker;

    static void Attach(std::shared_ptr<Shared> shared, std::shared_ptr<Worker> worker);
    void EndBySkipping(Worker& worker, NotAttached why);

    std::shared_ptr<Shared> shared_;
    std::vector<std::shared_ptr<Worker>> workers_;
    bool serving_ = false;
    std::uint64_t changesSeen_ = 0;
};

} // namespace NetClient
