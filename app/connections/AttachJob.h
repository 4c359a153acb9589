#pragma once

#include "netclient/Attachments.h"
#include "netclient/ConnectionControl.h"
#include "netclient/Passwords.h"
#include "netclient/ServerSession.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QThread;

// Attaches one server on a thread of its own, so that the window stays responsive however long the server
// takes to answer (up to the attachment's time limit per exchange). finished() comes on the thread that
// started the job; the session is then the caller's to adopt, or, for a mere test, already gone again.
class AttachJob final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AttachJob)

public:
    enum class Keep { Session, Nothing };

    AttachJob(NetClient::Attachment attachment, std::optional<NetClient::SecretText> password,
              Ncp::PcapWriter* capture, Keep keep, QObject* parent);
    // Waits for a running attach to end (bounded by the attachment's time limits).
    ~AttachJob() override;

    void start();
    bool isRunning() const;

    std::uint16_t status() const { return result_->status; }
    // The server's name as it reported it (empty when it was not reached).
    const std::string& serverName() const { return result_->serverName; }
    bool loggedIn() const { return result_->loggedIn; }
    std::unique_ptr<NetClient::ServerSession> takeSession() { return std::move(result_->session); }

Q_SIGNALS:
    void finished();

private:
    struct Result {
        std::uint16_t status = 0;
        std::string serverName;
        bool loggedIn = false;
        std::unique_ptr<NetClient::ServerSession> session;
    };

    NetClient::Attachment attachment_;
    std::optional<NetClient::SecretText> password_;
    Ncp::PcapWriter* capture_ = nullptr;
    Keep keep_ = Keep::Session;
    std::shared_ptr<Result> result_ = std::make_shared<Result>();
    QPointer<QThread> thread_;
};
