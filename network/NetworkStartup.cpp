#include "network/NetworkStartup.h"

#include "netclient/Attachments.h"

// Members go in reverse order: the client's connections are destroyed (and captured) while the demo servers
// still run and the capture file is still open.
NetworkStartup::~NetworkStartup() = default;

bool NetworkStartup::Start(const Settings& settings, NetClient::PasswordStore& keyring,
                           NetClient::PasswordPrompt& prompt, std::string& fatal) {
    if (!settings.captureFile.empty()) {
        if (!capture_->Open(settings.captureFile)) {
            fatal = "the capture file " + settings.captureFile + " cannot be written";
            return false;
        }
        client_.SetCapture(capture_.get());
    }

    NetClient::AttachmentList list;
    NetClient::AttachmentsFileState state = NetClient::AttachmentsFileState::Missing;
    attachmentsFile_ =
        settings.attachmentsFile.empty() ? NetClient::DefaultAttachmentsFilePath() : settings.attachmentsFile;
    if (!settings.demo) {
        const std::string& path = attachmentsFile_;
        state = NetClient::ReadAttachmentsFile(path, list);
        // A file named on the command line must be there; only the default one may be missing.
        if (state == NetClient::AttachmentsFileState::Missing && !settings.attachmentsFile.empty()) {
            list.problems.push_back(path + ": no such file");
            state = NetClient::AttachmentsFileState::Unreadable;
        }
    }
    problems_ = list.problems;

    if (settings.demo || state == NetClient::AttachmentsFileState::Missing) {
        demo_ = std::make_unique<LoopbackDemo>();
        std::string error;
        Emulator::NcpServer::Options options;
        options.replyLatency = std::chrono::milliseconds(settings.demoLatencyMilliseconds);
        if (!demo_->Start(settings.volumesRoot, error, options)) {
            problems_.push_back("the demo network cannot be started: " + error);
            return true;
        }
        NetClient::FixedPasswords passwords = demo_->Passwords();
        Attach(demo_->Attachments(), passwords, settings.waitForAttach);
        demo_->ShareVolumes(client_);
        return true;
    }
    NetClient::StoredOrAskedPasswords passwords(keyring, prompt);
    Attach(list.attachments, passwords, settings.waitForAttach);
    keyringNotice_ = NetClient::TellRememberFailureOnce(passwords.RememberFailures());
    return true;
}

void NetworkStartup::Attach(const std::vector<NetClient::Attachment>& attachments,
                            NetClient::PasswordSource& passwords, const AttachWait& wait) {
    NetClient::ParallelAttach run(attachments, capture_);
    if (wait)
        wait(run, passwords);
    else
        run.RunToEnd(passwords);
    client_.AddAttached(run.TakeAttached());
    failures_ = run.Failures();
}

std::string NetworkStartup::FailureText() const {
    std::string text = NetClient::FormatAttachFailures(failures_, problems_);
    if (!keyringNotice_.empty())
        text += (text.empty() ? "" : "\n\n") + keyringNotice_;
    return text;
}
