#include "app/connections/LoginAsDialog.h"

#include "app/connections/AttachOutcome.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int MaxNameLength = 47;
constexpr int MaxPasswordLength = 127;
constexpr int MaxContextLength = 255;

QLineEdit* MakeField(QWidget* parent, const QString& name, const QString& text, int maxLength) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(name);
    field->setMaxLength(maxLength);
    return field;
}
} // namespace

LoginAsDialog::LoginAsDialog(const QString& serverName, NetClient::Attachment attachment, bool canRemember,
                             Ncp::PcapWriter* capture, QWidget* parent)
    : QDialog(parent), attachment_(std::move(attachment)), capture_(capture) {
    setWindowTitle(QStringLiteral("Log in to %1").arg(serverName));
    auto* server = new QLabel(
        QStringLiteral("%1 (%2)").arg(serverName, QString::fromStdString(attachment_.AddressText())), this);
    user_ =
        MakeField(this, QStringLiteral("UserEdit"), QString::fromStdString(attachment_.user), MaxNameLength);
    password_ = MakeField(this, QStringLiteral("PasswordEdit"), QString(), MaxPasswordLength);
    password_->setEchoMode(QLineEdit::Password);
    context_ = MakeField(this, QStringLiteral("ContextEdit"), QString::fromStdString(attachment_.context),
                         MaxContextLength);
    context_->setPlaceholderText(QStringLiteral("optional, e.g. OU=Sales.O=ACME"));
    remember_ = new QCheckBox(QStringLiteral("&Remember in the keyring"), this);
    remember_->setObjectName(QStringLiteral("RememberBox"));
    remember_->setEnabled(canRemember);
    if (!canRemember)
        remember_->setToolTip(QStringLiteral("No secret store is running on this desktop"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLabel"));
    status_->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Server:"), server);
    form->addRow(QStringLiteral("&User:"), user_);
    form->addRow(QStringLiteral("&Password:"), password_);
    form->addRow(QStringLiteral("C&ontext:"), context_);
    form->addRow(QString(), remember_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    login_ = buttons->button(QDialogButtonBox::Ok);
    login_->setText(QStringLiteral("&Log in"));
    login_->setObjectName(QStringLiteral("LoginButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &LoginAsDialog::logIn);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(status_);
    layout->addWidget(buttons);
    // Logging in again is about the password; logging in as someone else starts with the user.
    (attachment_.user.empty() ? user_ : password_)->setFocus();
}

LoginAsDialog::~LoginAsDialog() {
    password_->clear();
}

void LoginAsDialog::logIn() {
    if (job_ != nullptr && job_->isRunning())
        return;
    const QString user = user_->text().trimmed();
    NetClient::Attachment attempt = attachment_;
    attempt.user = user.toStdString();
    attempt.context = context_->text().trimmed().toStdString();
    QByteArray bytes = password_->text().toUtf8();
    NetClient::SecretText password(bytes.toStdString());
    bytes.fill('\0');
    if (remember_->isEnabled() && remember_->isChecked() && !attempt.user.empty())
        toRemember_ = password;
    else
        toRemember_.reset();
    delete job_;
    job_ = new AttachJob(attempt, std::move(password), capture_, AttachJob::Keep::Session, this);
    connect(job_, &AttachJob::finished, this, &LoginAsDialog::loginEnded);
    attachment_.user = attempt.user;
    attachment_.context = attempt.context;
    login_->setEnabled(false);
    status_->setText(user.isEmpty() ? QStringLiteral("Attaching without a login…")
                                    : QStringLiteral("Logging in as %1…").arg(user));
    job_->start();
}

void LoginAsDialog::loginEnded() {
    login_->setEnabled(true);
    status_->setText(AttachOutcomeText(*job_, user_->text().trimmed()));
    if (job_->status() != 0) {
        toRemember_.reset();
        password_->selectAll();
        password_->setFocus();
        return;
    }
    session_ = job_->takeSession();
    password_->clear();
    accept();
}

std::unique_ptr<NetClient::ServerSession> LoginAsDialog::takeSession() {
    return std::move(session_);
}

std::optional<NetClient::SecretText> LoginAsDialog::takePasswordToRemember() {
    return std::exchange(toRemember_, std::nullopt);
}
