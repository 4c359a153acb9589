#pragma once

#include "ncp/PcapWriter.h"
#include "netclient/AttachFailures.h"
#include "netclient/NcpClient.h"
#include "netclient/NetworkFiles.h"
#include "netclient/ParallelAttach.h"
#include "netclient/Passwords.h"
#include "network/LoopbackDemo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Everything the program sets up on the network before its window opens, and keeps until it ends: the NCP
// client attached to the servers of the attachments file (passwords from the keyring or the login dialog),
// or, without such a file or with --demo, to the demo network served inside the process on 127.0.0.1 (its
// passwords known, nothing asked); the network file layer over the client; the capture file.
//
// The client attaches here, just before the window is created, rather than in the window's client start-up
// calls: the login dialogs then come before the window, and the window starts on a finished connection table.
// All servers are attached at once (ParallelAttach); the program waits for them with its start-up window,
// which it hands in as Settings::waitForAttach (this library knows no widgets).
class NetworkStartup final {
public:
    // Starts the run and returns once every server has ended (or the user went on without the rest), asking
    // the passwords on the calling thread. Empty: ParallelAttach::RunToEnd, without a window.
    using AttachWait =
        std::function<void(NetClient::ParallelAttach& run, NetClient::PasswordSource& passwords)>;

    struct Settings {
        bool demo = false;                         // the demo network even when an attachments file exists
        std::string attachmentsFile;               // empty: attachments.ini in the settings directory
        std::string captureFile;                   // empty: no capture
        std::string volumesRoot;                   // where the demo servers keep their volumes
        std::uint32_t demoLatencyMilliseconds = 0; // the demo servers delay every reply this long
        AttachWait waitForAttach;
    };

    NetworkStartup() = default;
    ~NetworkStartup();
    NetworkStartup(const NetworkStartup&) = delete;
    NetworkStartup& operator=(const NetworkStartup&) = delete;

    // Attaches as settings say. False, with the reason in fatal, only when the program cannot go on (the
    // capture file cannot be written); servers that cannot be attached are told by FailureText.
    bool Start(const Settings& settings, NetClient::PasswordStore& keyring, NetClient::PasswordPrompt& prompt,
               std::string& fatal);

    NetClient::NcpClient& Client() { return client_; }
    NetClient::NetworkFiles& Files() { return files_; }
    // Whether the demo network is what the client attached to.
    bool RunsDemo() const { return demo_ != nullptr; }
    LoopbackDemo* Demo() { return demo_.get(); }

    // The servers that could not be attached, or were skipped (AttachFailure::why), with their statuses.
    const std::vector<NetClient::AttachFailure>& Failures() const { return failures_; }
    // The attachments file: the one read at start, or where it would be (the demo network runs without it).
    const std::string& AttachmentsFile() const { return attachmentsFile_; }

    // The text of the one box shown after start-up: the servers that were not attached and why, and the
    // attachments file's problems; empty when there is nothing to tell.
    std::string FailureText() const;

private:
    // Attaches them all at once, waiting as settings say; the attached go into the client's table.
    void Attach(const std::vector<NetClient::Attachment>& attachments, NetClient::PasswordSource& passwords,
                const AttachWait& wait);

    std::unique_ptr<LoopbackDemo> demo_; // before the client, so that the client's connections go first
    // Shared with attach threads that may still run after a server was skipped.
    std::shared_ptr<Ncp::PcapWriter> capture_ = std::make_shared<Ncp::PcapWriter>();
    NetClient::NcpClient client_;
    NetClient::NetworkFiles files_{client_};
    std::vector<NetClient::AttachFailure> failures_;
    std::vector<std::string> problems_;
    std::string attachmentsFile_;
    std::string keyringNotice_; // a password the keyring did not take
};
