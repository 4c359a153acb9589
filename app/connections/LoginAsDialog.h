#pragma once

#include "app/connections/AttachJob.h"
#include "netclient/Attachments.h"
#include "netclient/Passwords.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Log in again…" and "Log in as…" on a server of the list: user, password and context, and "Remember in
// the keyring". Log in connects afresh as that user on a thread of its own; the dialog closes once the
// server has accepted the login, and otherwise says why below the fields and stays open for another try.
// The server's current connection is not touched until the new login has succeeded.
// Object names for tests: "UserEdit", "PasswordEdit", "ContextEdit", "RememberBox", "StatusLabel",
// "LoginButton".
class LoginAsDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoginAsDialog)

public:
    // attachment: the server as it is attached now (its user and context fill the fields).
    LoginAsDialog(const QString& serverName, NetClient::Attachment attachment, bool canRemember,
                  Ncp::PcapWriter* capture, QWidget* parent);
    ~LoginAsDialog() override;

    // After Accepted: the logged-in session, the attachment it was made with, and the password to remember
    // (nothing unless the user asked for it).
    std::unique_ptr<NetClient::ServerSession> takeSession();
    const NetClient::Attachment& attachment() const { return attachment_; }
    std::optional<NetClient::SecretText> takePasswordToRemember();

private:
    void logIn();
    void loginEnded();

    NetClient::Attachment attachment_;
    Ncp::PcapWriter* capture_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* context_ = nullptr;
    QCheckBox* remember_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* login_ = nullptr;
    AttachJob* job_ = nullptr;
    std::unique_ptr<NetClient::ServerSession> session_;
    std::optional<NetClient::SecretText> toRemember_;
};
