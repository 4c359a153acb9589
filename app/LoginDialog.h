#pragma once

#include "netclient/Passwords.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

// The start-up login dialog: one server's name and address, the user, a password field and "Remember in
// the keyring" (disabled when no secret store is running). OK logs in, Cancel skips the server.
// Controls carry object names for tests: "ServerLabel", "UserLabel", "PasswordEdit", "RememberBox".
class LoginDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoginDialog)

public:
    explicit LoginDialog(const NetClient::PasswordQuestion& question, QWidget* parent = nullptr);
    ~LoginDialog() override;

    // The password typed; the field is emptied by the call.
    NetClient::SecretText TakePassword();
    bool Remember() const;

private:
    QLineEdit* password_ = nullptr;
    QCheckBox* remember_ = nullptr;
};

// Asks with the dialog, one server at a time.
class LoginDialogPrompt final : public NetClient::PasswordPrompt {
public:
    std::optional<NetClient::PasswordAnswer> Ask(const NetClient::PasswordQuestion& question) override;
};
