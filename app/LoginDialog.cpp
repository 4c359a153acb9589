#include "app/LoginDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

LoginDialog::LoginDialog(const NetClient::PasswordQuestion& question, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Log in to %1").arg(Text(question.serverName)));

    auto* server =
        new QLabel(QStringLiteral("%1 (%2)").arg(Text(question.serverName), Text(question.address)), this);
    server->setObjectName(QStringLiteral("ServerLabel"));
    auto* user = new QLabel(Text(question.user), this);
    user->setObjectName(QStringLiteral("UserLabel"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("PasswordEdit"));
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(127); // the longest password a NetWare server takes
    remember_ = new QCheckBox(QStringLiteral("&Remember in the keyring"), this);
    remember_->setObjectName(QStringLiteral("RememberBox"));
    remember_->setEnabled(question.canRemember);
    if (!question.canRemember)
        remember_->setToolTip(QStringLiteral("No secret store is running on this desktop"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Server:"), server);
    form->addRow(QStringLiteral("User:"), user);
    form->addRow(QStringLiteral("&Password:"), password_);
    form->addRow(QString(), remember_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Log in"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Skip server"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    password_->setFocus();
}

LoginDialog::~LoginDialog() {
    // The field's text must not linger in freed memory longer than needed.
    password_->clear();
}

NetClient::SecretText LoginDialog::TakePassword() {
    QByteArray bytes = password_->text().toUtf8();
    NetClient::SecretText password(bytes.toStdString());
    bytes.fill('\0');
    password_->clear();
    return password;
}

bool LoginDialog::Remember() const {
    return remember_->isEnabled() && remember_->isChecked();
}

std::optional<NetClient::PasswordAnswer> LoginDialogPrompt::Ask(const NetClient::PasswordQuestion& question) {
    LoginDialog dialog(question);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    NetClient::PasswordAnswer answer;
    answer.remember = dialog.Remember();
    answer.password = dialog.TakePassword();
    return answer;
}
