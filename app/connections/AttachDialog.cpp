#include "app/connections/AttachDialog.h"

#include "app/connections/AttachOutcome.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
QLineEdit* MakeField(QWidget* parent, const QString& name, int maxLength) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setMaxLength(maxLength);
    return field;
}

QSpinBox* MakeNumber(QWidget* parent, const QString& name, int low, int high, int value) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(low, high);
    box->setValue(value);
    return box;
}
} // namespace

AttachDialog::AttachDialog(std::vector<NotAttached> notAttached, const QString& attachmentsFile,
                           bool fileRead, bool canRemember, Ncp::PcapWriter* capture, QWidget* parent)
    : QDialog(parent), notAttached_(std::move(notAttached)), capture_(capture) {
    setWindowTitle(QStringLiteral("Attach a server"));
    address_ = MakeField(this, QStringLiteral("AddressEdit"), 253);
    address_->setPlaceholderText(QStringLiteral("IPv4 address or host name"));
    port_ = MakeNumber(this, QStringLiteral("PortBox"), 1, 65535, NetClient::DefaultNcpPort);
    user_ = MakeField(this, QStringLiteral("UserEdit"), 47);
    user_->setPlaceholderText(QStringLiteral("empty: attach without a login"));
    password_ = MakeField(this, QStringLiteral("PasswordEdit"), 127);
    password_->setEchoMode(QLineEdit::Password);
    context_ = MakeField(this, QStringLiteral("ContextEdit"), 255);
    context_->setPlaceholderText(QStringLiteral("optional, e.g. OU=Sales.O=ACME"));
    timeLimit_ = MakeNumber(this, QStringLiteral("TimeLimitBox"), 1, NetClient::MaxTimeoutSeconds,
                            NetClient::DefaultTimeoutSeconds);
    timeLimit_->setSuffix(QStringLiteral(" s"));
    remember_ = new QCheckBox(QStringLiteral("&Remember the password in the keyring"), this);
    remember_->setObjectName(QStringLiteral("RememberBox"));
    remember_->setEnabled(canRemember);
    save_ = new QCheckBox(QStringLiteral("&Save in the attachments file"), this);
    save_->setObjectName(QStringLiteral("SaveBox"));
    save_->setToolTip(attachmentsFile);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Address:"), address_);
    form->addRow(QStringLiteral("&Port:"), port_);
    form->addRow(QStringLiteral("&User:"), user_);
    form->addRow(QStringLiteral("Pass&word:"), password_);
    form->addRow(QStringLiteral("C&ontext:"), context_);
    form->addRow(QStringLiteral("Time &limit:"), timeLimit_);
    form->addRow(QString(), remember_);
    form->addRow(QString(), save_);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("NotAttachedList"));
    for (const NotAttached& server : notAttached_)
        list_->addItem(QStringLiteral("%1 (%2): %3")
                           .arg(QString::fromStdString(server.attachment.serverName),
                                QString::fromStdString(server.attachment.AddressText()), server.reason));
    connect(list_, &QListWidget::currentRowChanged, this, &AttachDialog::fillFrom);
    QString listNote;
    if (!fileRead)
        listNote =
            QStringLiteral("There is no attachments file yet (%1): Save in the attachments file starts one.")
                .arg(attachmentsFile);
    else if (notAttached_.empty())
        listNote = QStringLiteral("Every server of the attachments file is attached.");
    else
        listNote = QStringLiteral("Not attached from the attachments file (choose one to try it again):");
    auto* listLabel = new QLabel(listNote, this);
    listLabel->setWordWrap(true);
    listLabel->setBuddy(list_);
    list_->setVisible(!notAttached_.empty());

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLabel"));
    status_->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    test_ = buttons->addButton(QStringLiteral("&Test"), QDialogButtonBox::ActionRole);
    test_->setObjectName(QStringLiteral("TestButton"));
    attach_ = buttons->addButton(QStringLiteral("Atta&ch"), QDialogButtonBox::AcceptRole);
    attach_->setObjectName(QStringLiteral("AttachButton"));
    attach_->setDefault(true);
    connect(test_, &QPushButton::clicked, this, [this] { run(Purpose::Test); });
    connect(attach_, &QPushButton::clicked, this, [this] { run(Purpose::Attach); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listLabel);
    layout->addWidget(list_);
    layout->addLayout(form);
    layout->addWidget(status_);
    layout->addWidget(buttons);
    address_->setFocus();
}

AttachDialog::~AttachDialog() {
    password_->clear();
}

void AttachDialog::fillFrom(int row) {
    if (row < 0 || row >= static_cast<int>(notAttached_.size()))
        return;
    const NetClient::Attachment& known = notAttached_[static_cast<std::size_t>(row)].attachment;
    address_->setText(QString::fromStdString(known.host));
    port_->setValue(known.port);
    user_->setText(QString::fromStdString(known.user));
    context_->setText(QString::fromStdString(known.context));
    timeLimit_->setValue(static_cast<int>(known.timeoutSeconds));
    password_->clear();
    attachment_.serverName = known.serverName;
    (known.user.empty() ? address_ : password_)->setFocus();
}

bool AttachDialog::readFields(NetClient::Attachment& attachment) {
    std::string problem;
    std::uint16_t port = 0;
    if (!NetClient::ParseAddress(address_->text().toStdString(), attachment.host, port, problem)) {
        status_->setText(QString::fromStdString(problem));
        return false;
    }
    // A port written into the address wins over the field.
    attachment.port =
        address_->text().contains(QLatin1Char(':')) ? port : static_cast<std::uint16_t>(port_->value());
    attachment.user = user_->text().trimmed().toStdString();
    attachment.context = context_->text().trimmed().toStdString();
    attachment.timeoutSeconds = static_cast<std::uint32_t>(timeLimit_->value());
    return true;
}

void AttachDialog::run(Purpose purpose) {
    if (job_ != nullptr && job_->isRunning())
        return;
    NetClient::Attachment attempt = attachment_;
    if (!readFields(attempt))
        return;
    // A name for the dialogs until the server says its own.
    if (attempt.serverName.empty())
        attempt.serverName = attempt.host;
    QByteArray bytes = password_->text().toUtf8();
    NetClient::SecretText password(bytes.toStdString());
    bytes.fill('\0');
    toRemember_.reset();
    if (purpose == Purpose::Attach && remember_->isEnabled() && remember_->isChecked() &&
        !attempt.user.empty())
        toRemember_ = password;
    purpose_ = purpose;
    attachment_ = attempt;
    delete job_;
    job_ =
        new AttachJob(attempt, std::move(password), capture_,
                      purpose == Purpose::Attach ? AttachJob::Keep::Session : AttachJob::Keep::Nothing, this);
    connect(job_, &AttachJob::finished, this, &AttachDialog::ended);
    test_->setEnabled(false);
    attach_->setEnabled(false);
    status_->setText(QStringLiteral("Reaching %1…").arg(QString::fromStdString(attempt.AddressText())));
    job_->start();
}

void AttachDialog::ended() {
    test_->setEnabled(true);
    attach_->setEnabled(true);
    status_->setText(AttachOutcomeText(*job_, QString::fromStdString(attachment_.user)));
    if (job_->status() != 0 || purpose_ == Purpose::Test) {
        toRemember_.reset();
        return;
    }
    session_ = job_->takeSession();
    // The file and the keyring know the server by the name it gives itself.
    attachment_.serverName = job_->serverName();
    password_->clear();
    accept();
}

std::unique_ptr<NetClient::ServerSession> AttachDialog::takeSession() {
    return std::move(session_);
}

bool AttachDialog::saveInFile() const {
    return save_->isChecked();
}

std::optional<NetClient::SecretText> AttachDialog::takePasswordToRemember() {
    return std::exchange(toRemember_, std::nullopt);
}
