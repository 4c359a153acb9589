#pragma once

#include "app/connections/AttachJob.h"
#include "netclient/Attachments.h"
#include "netclient/Passwords.h"

#include <QDialog>

#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

// "Attach a server…": where the server is (address, port), as whom (user, password, context), its time
// limit; Test reaches the server and logs in without keeping the connection, Attach keeps it. The servers
// of the attachments file that are not attached are listed with the reason; choosing one fills the fields
// for another try. "Save in the attachments file" writes the server into the file once it is attached.
// The network work runs on a thread of its own; the dialog says what came of it below the fields.
// Object names for tests: "AddressEdit", "PortBox", "UserEdit", "PasswordEdit", "ContextEdit",
// "TimeLimitBox", "RememberBox", "SaveBox", "NotAttachedList", "StatusLabel", "TestButton", "AttachButton".
class AttachDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AttachDialog)

public:
    // A server of the attachments file that is not attached, and why.
    struct NotAttached {
        NetClient::Attachment attachment;
        QString reason;
    };

    // fileRead: the attachments file exists and was read (otherwise the list says there is none yet).
    AttachDialog(std::vector<NotAttached> notAttached, const QString& attachmentsFile, bool fileRead,
                 bool canRemember, Ncp::PcapWriter* capture, QWidget* parent);
    ~AttachDialog() override;

    // After Accepted: the attached session, the attachment as given (its name is the server's), whether to
    // save it, and the password to remember (nothing unless asked for).
    std::unique_ptr<NetClient::ServerSession> takeSession();
    const NetClient::Attachment& attachment() const { return attachment_; }
    bool saveInFile() const;
    std::optional<NetClient::SecretText> takePasswordToRemember();

private:
    enum class Purpose { Test, Attach };
    void run(Purpose purpose);
    void ended();
    void fillFrom(int notAttachedRow);
    // The attachment the fields describe; false, with the reason shown, when the address is not usable.
    bool readFields(NetClient::Attachment& attachment);

    std::vector<NotAttached> notAttached_;
    Ncp::PcapWriter* capture_ = nullptr;
    NetClient::Attachment attachment_;
    QLineEdit* address_ = nullptr;
    QSpinBox* port_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* context_ = nullptr;
    QSpinBox* timeLimit_ = nullptr;
    QCheckBox* remember_ = nullptr;
    QCheckBox* save_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* test_ = nullptr;
    QPushButton* attach_ = nullptr;
    AttachJob* job_ = nullptr;
    Purpose purpose_ = Purpose::Test;
    std::unique_ptr<NetClient::ServerSession> session_;
    std::optional<NetClient::SecretText> toRemember_;
};
