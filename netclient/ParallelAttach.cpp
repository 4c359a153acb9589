#include "netclient/ParallelAttach.h"

#include "ncp/DirectoryCodecs.h"
#include "ncp/PcapWriter.h"
#include "ncp/StatusCodes.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace NetClient {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t LoginRefused = 0x89DE;

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// Whether the server's bindery context list ("OU=A.O=B;O=C") holds context.
bool ContextListed(const std::string& list, const std::string& context) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (SameName(list.substr(start, end - start), context))
            return true;
        start = end + 1;
    }
    return false;
}

// Why a version-4 server may know no such user: the bindery login finds users only in the server's bindery
// contexts. Empty when that is not the reason (or cannot be told).
std::string ContextHint(ServerSession& session, const Attachment& attachment) {
    if (attachment.context.empty() || session.MajorVersion() < 4 || !session.Connection().IsOpen())
        return {};
    Ncp::BinderyContextReply context;
    if (session.Call(Ncp::BinderyContextRequest{}, context) != StatusCodes::Success ||
        ContextListed(context.context, attachment.context))
        return {};
    return "the user's context " + attachment.context + " is not among the server's bindery contexts (" +
           context.context + ")";
}

} // namespace

bool StageEnded(AttachStage stage) {
    return stage == AttachStage::Attached || stage == AttachStage::Failed || stage == AttachStage::Skipped;
}

std::string DescribeProgress(const AttachProgress& progress) {
    switch (progress.stage) {
    case AttachStage::Connecting:
        return "Connecting";
    case AttachStage::WaitingForPassword:
        return "Waiting for the password";
    case AttachStage::LoggingIn:
        return "Logging in";
    case AttachStage::Attached:
        return "Attached";
    case AttachStage::Failed:
        return "Failed: " + DescribeAttachStatus(progress.status);
    case AttachStage::Skipped:
        return "Skipped: " + DescribeSkip(progress.why);
    }
    return {};
}

struct ParallelAttach::Shared {
    std::mutex mutex;
    std::condition_variable ownerWake; // something changed for the owner
    Changed changed;
    Clock::time_point start = Clock::now();
    std::uint64_t nextAsk = 0; // orders the servers waiting for the owner by when they began to wait
    std::uint64_t changes = 0;

    // Under mutex: tells the owner.
    void Tell() {
        ++changes;
        ownerWake.notify_all();
        if (changed)
            changed();
    }
};

// One server's attach, shared by its thread and the owner; every field below the session under the run's
// mutex.
struct ParallelAttach::Worker {
    Attachment attachment;
    std::shared_ptr<Ncp::PcapWriter> capture; // kept alive as long as the thread may record
    std::unique_ptr<ServerSession> session;   // the thread's until it ended, then the owner's
    std::thread thread;

    std::condition_variable wake; // the owner answered, or the server was skipped
    AttachProgress progress;
    bool threadDone = false;
    // The owner's mailbox: a password asked for (answered with a password or nothing), then how a login went.
    bool wantsPassword = false;
    std::optional<std::optional<SecretText>> password;
    bool loginReported = false;
    std::uint16_t loginStatus = 0;
    std::optional<bool> retry;
    std::uint64_t askedAt = 0;

    // Under mutex: the attach ended (a skip that came first stays).
    void End(Shared& shared, AttachStage stage, NotAttached why = NotAttached::Failed,
             std::uint32_t status = 0, std::string detail = {}) {
        if (StageEnded(progress.stage))
            return;
        progress.stage = stage;
        progress.why = why;
        progress.status = status;
        progress.detail = std::move(detail);
        progress.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - shared.start);
    }
};

ParallelAttach::ParallelAttach(std::vector<Attachment> attachments, std::shared_ptr<Ncp::PcapWriter> capture)
    : shared_(std::make_shared<Shared>()) {
    for (Attachment& attachment : attachments) {
        auto worker = std::make_shared<Worker>();
        worker->progress.serverName = attachment.serverName;
        worker->progress.address = attachment.AddressText();
        worker->attachment = std::move(attachment);
        worker->capture = capture;
        workers_.push_back(std::move(worker));
    }
}

ParallelAttach::~ParallelAttach() {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->changed = nullptr;
        for (const auto& worker : workers_) {
            worker->End(*shared_, AttachStage::Skipped, NotAttached::LeftOut);
            worker->wake.notify_all();
        }
    }
    // A thread still waiting on the network is left to end by itself; it holds what it uses.
    for (const auto& worker : workers_) {
        if (!worker->thread.joinable())
            continue;
        bool done = false;
        {
            const std::lock_guard lock(shared_->mutex);
            done = worker->threadDone;
        }
        if (done)
            worker->thread.join();
        else
            worker->thread.detach();
    }
}

void ParallelAttach::SetChanged(Changed changed) {
    const std::lock_guard lock(shared_->mutex);
    shared_->changed = std::move(changed);
}

void ParallelAttach::Start() {
    shared_->start = Clock::now();
    for (const auto& worker : workers_)
        worker->thread = std::thread(&ParallelAttach::Attach, shared_, worker);
}

void ParallelAttach::RunToEnd(PasswordSource& passwords) {
    Start();
    for (;;) {
        Serve(passwords);
        if (Finished())
            return;
        WaitForChange(std::chrono::milliseconds(100));
    }
}

// The thread of one server: open, then as many logins as the owner allows, then the end.
void ParallelAttach::Attach(std::shared_ptr<Shared> shared, std::shared_ptr<Worker> worker) {
    auto session = std::make_unique<ServerSession>(worker->attachment, worker->capture.get());
    const auto finish = [&](AttachStage stage, NotAttached why, std::uint32_t status, std::string detail) {
        if (stage != AttachStage::Attached)
            session->Disconnect();
        const std::lock_guard lock(shared->mutex);
        worker->End(*shared, stage, why, status, std::move(detail));
        // A server skipped meanwhile drops its session here, on its own thread.
        if (worker->progress.stage == AttachStage::Attached)
            worker->session = std::move(session);
        worker->threadDone = true;
        shared->Tell();
    };
    const auto skipped = [&] { return worker->progress.stage == AttachStage::Skipped; };

    if (const std::uint16_t status = session->Open(); status != StatusCodes::Success)
        return finish(AttachStage::Failed, NotAttached::Failed, status, {});
    if (worker->attachment.user.empty()) {
        session->Finish();
        return finish(AttachStage::Attached, NotAttached::Failed, 0, {});
    }
    for (;;) {
        std::optional<SecretText> password;
        {
            std::unique_lock lock(shared->mutex);
            if (skipped())
                break;
            worker->progress.stage = AttachStage::WaitingForPassword;
            worker->wantsPassword = true;
            worker->password.reset();
            worker->askedAt = shared->nextAsk++;
            shared->Tell();
            worker->wake.wait(lock, [&] { return skipped() || worker->password.has_value(); });
            if (skipped())
                break;
            password = std::move(*worker->password);
            worker->password.reset();
            if (password)
                worker->progress.stage = AttachStage::LoggingIn;
            shared->Tell();
        }
        // Passwords are asked only once the server has answered; cancelling the dialog skips the server.
        if (!password)
            return finish(AttachStage::Skipped, NotAttached::NoPassword, 0, {});
        const std::uint16_t status = session->LogIn(*password);
        password->Wipe();
        bool again = false;
        {
            std::unique_lock lock(shared->mutex);
            if (skipped())
                break;
            worker->loginReported = true;
            worker->loginStatus = status;
            worker->retry.reset();
            worker->askedAt = shared->nextAsk++;
            shared->Tell();
            worker->wake.wait(lock, [&] { return skipped() || worker->retry.has_value(); });
            if (skipped())
                break;
            again = *worker->retry;
        }
        if (again)
            continue;
        if (status == StatusCodes::Success) {
            session->Finish();
            return finish(AttachStage::Attached, NotAttached::Failed, 0, {});
        }
        std::string detail;
        if (status == StatusCodes::NoSuchObject)
            detail = ContextHint(*session, worker->attachment);
        return finish(AttachStage::Failed, NotAttached::Failed, status, std::move(detail));
    }
    finish(AttachStage::Skipped, NotAttached::Skipped, 0, {});
}

void ParallelAttach::Serve(PasswordSource& passwords) {
    if (serving_)
        return;
    serving_ = true;
    for (;;) {
        std::shared_ptr<Worker> next;
        bool asksPassword = false;
        std::uint16_t status = 0;
        {
            const std::lock_guard lock(shared_->mutex);
            for (const auto& worker : workers_) {
                const bool waits =
                    !StageEnded(worker->progress.stage) && (worker->wantsPassword || worker->loginReported);
                if (waits && (next == nullptr || worker->askedAt < next->askedAt))
                    next = worker;
            }
            if (next != nullptr) {
                asksPassword = next->wantsPassword;
                status = next->loginStatus;
            }
        }
        if (next == nullptr)
            break;
        // The source may show a dialog with an event loop of its own: nothing is locked meanwhile.
        if (asksPassword) {
            std::optional<SecretText> password = passwords.PasswordFor(next->attachment);
            const std::lock_guard lock(shared_->mutex);
            next->wantsPassword = false;
            next->password = std::move(password);
            next->wake.notify_all();
            continue;
        }
        bool again = false;
        if (status == StatusCodes::Success)
            passwords.LoginAccepted(next->attachment);
        else if (status == LoginRefused)
            again = passwords.LoginRefused(next->attachment);
        const std::lock_guard lock(shared_->mutex);
        next->loginReported = false;
        next->retry = again;
        next->wake.notify_all();
    }
    serving_ = false;
}

void ParallelAttach::EndBySkipping(Worker& worker, NotAttached why) {
    worker.End(*shared_, AttachStage::Skipped, why);
    worker.wake.notify_all();
}

void ParallelAttach::Skip(std::size_t index) {
    if (index >= workers_.size())
        return;
    const std::lock_guard lock(shared_->mutex);
    EndBySkipping(*workers_[index], NotAttached::Skipped);
    shared_->Tell();
}

void ParallelAttach::SkipUnfinished() {
    const std::lock_guard lock(shared_->mutex);
    for (const auto& worker : workers_)
        EndBySkipping(*worker, NotAttached::LeftOut);
    shared_->Tell();
}

bool ParallelAttach::Finished() const {
    const std::lock_guard lock(shared_->mutex);
    return std::all_of(workers_.begin(), workers_.end(),
                       [](const auto& worker) { return StageEnded(worker->progress.stage); });
}

void ParallelAttach::WaitForChange(std::chrono::milliseconds limit) {
    std::unique_lock lock(shared_->mutex);
    // A change since the last wait ends this one at once.
    shared_->ownerWake.wait_for(lock, limit, [&] { return shared_->changes != changesSeen_; });
    changesSeen_ = shared_->changes;
}

std::vector<AttachProgress> ParallelAttach::Progress() const {
    const std::lock_guard lock(shared_->mutex);
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - shared_->start);
    std::vector<AttachProgress> progress;
    for (const auto& worker : workers_) {
        progress.push_back(worker->progress);
        if (!StageEnded(worker->progress.stage))
            progress.back().elapsed = now;
    }
    return progress;
}

std::vector<std::unique_ptr<ServerSession>> ParallelAttach::TakeAttached() {
    std::vector<std::unique_ptr<ServerSession>> sessions;
    for (const auto& worker : workers_) {
        bool attached = false;
        {
            const std::lock_guard lock(shared_->mutex);
            attached = worker->progress.stage == AttachStage::Attached && worker->session != nullptr;
        }
        // An attached server's thread has nothing left to do but return.
        if (attached && worker->thread.joinable())
            worker->thread.join();
        const std::lock_guard lock(shared_->mutex);
        if (attached)
            sessions.push_back(std::move(worker->session));
    }
    return sessions;
}

std::vector<AttachFailure> ParallelAttach::Failures() const {
    std::vector<AttachFailure> failures;
    for (const AttachProgress& progress : Progress()) {
        if (progress.stage == AttachStage::Failed || progress.stage == AttachStage::Skipped)
            failures.push_back(AttachFailure{progress.serverName, progress.address, progress.status,
                                             progress.detail, progress.why});
    }
    return failures;
}

} // namespace NetClient
