#include "app/connections/ConnectionTools.h"

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/connections/AttachDialog.h"
#include "app/connections/LoginAsDialog.h"
#include "app/connections/ServerListMenu.h"
#include "app/connections/StateMarks.h"
#include "app/widgets/RadioGroup.h"
#include "netclient/Attachments.h"
#include "netclient/Connections.h"
#include "netclient/Passwords.h"
#include "netclient/ServerSession.h"
#include "netclient/SharedState.h"
#include "netclient/StatusTexts.h"
#include "util/ErrorReporting.h"

#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cctype>

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace

ConnectionTools::ConnectionTools(TMainForm& form, NetClient::ConnectionControl& control)
    : QObject(&form), form_(form), control_(control), menu_(new ServerListMenu(form.ServerList, &form)),
      poll_(new QTimer(this)) {
    // Each entry of the list knows the reference it was listed from.
    for (int entry = 0; entry < form_.ServerList->count(); ++entry)
        references_.push_back(form_.ServerEntryConnection(entry).connRef);
    shownStates_.assign(references_.size(), QString());

    const auto isEntry = [this](int entry) { return this->isEntry(entry); };
    menu_->addItem(
        QStringLiteral("&Reconnect"), [this](int entry) { reconnect(entry); }, isEntry,
        QKeySequence(Qt::Key_F5));
    menu_->addItem(
        QStringLiteral("Log in &again…"), [this](int entry) { logIn(entry, false); },
        [this](int entry) { return this->isEntry(entry) && !entryState(entry).attachment.user.empty(); });
    menu_->addItem(
        QStringLiteral("Log in a&s…"), [this](int entry) { logIn(entry, true); }, isEntry);
    menu_->addItem(
        QStringLiteral("Log &out"), [this](int entry) { logOut(entry); },
        [this](int entry) {
            return this->isEntry(entry) && entryState(entry).state == NetClient::ConnectionState::LoggedIn;
        });
    menu_->addItem(
        QStringLiteral("&Detach"), [this](int entry) { detach(entry); }, isEntry);
    menu_->addSeparator();
    menu_->addItem(
        QStringLiteral("A&ttach a server…"), [this](int) { attachServer(); }, {},
        QKeySequence(Qt::CTRL | Qt::Key_N));

    poll_->setInterval(StatePollMilliseconds);
    connect(poll_, &QTimer::timeout, this, &ConnectionTools::refreshMarks);
    poll_->start();
    refreshMarks();
}

ConnectionTools::~ConnectionTools() = default;

void ConnectionTools::setStartInfo(StartInfo info) {
    start_ = std::move(info);
}

bool ConnectionTools::isEntry(int entry) const {
    return referenceOf(entry) != 0;
}

std::uint32_t ConnectionTools::referenceOf(int entry) const {
    return entry >= 0 && entry < static_cast<int>(references_.size())
               ? references_[static_cast<std::size_t>(entry)]
               : 0;
}

NetClient::ConnectionEntry ConnectionTools::entryState(int entry) {
    const std::uint32_t reference = referenceOf(entry);
    for (NetClient::ConnectionEntry& known : control_.ConnectionList())
        if (known.reference == reference)
            return known;
    return {};
}

void ConnectionTools::refreshMarks() {
    const std::vector<NetClient::ConnectionEntry> entries = control_.ConnectionList();
    for (std::size_t index = 0; index < references_.size(); ++index) {
        const auto found =
            std::find_if(entries.begin(), entries.end(), [&](const NetClient::ConnectionEntry& entry) {
                return entry.reference == references_[index];
            });
        if (found == entries.end())
            continue;
        // The words change with the user as well as with the state.
        const QString words = QString::fromStdString(NetClient::DescribeConnectionState(*found));
        if (shownStates_[index] == words)
            continue;
        shownStates_[index] = words;
        form_.ServerList->setItemMark(static_cast<int>(index), StateMarks::Mark(found->state), words);
    }
}

void ConnectionTools::chooseAgain(int entry) {
    if (entry == form_.ServerList->itemIndex())
        form_.ServerListClick(form_.ServerList);
}

void ConnectionTools::tellFailure(int entry, std::uint16_t status, const char* operation) {
    NetUtil::StatusContext context;
    context.server = form_.ServerList->itemText(entry).toStdString();
    MessageBoxes::ShowErrorDialog(QString::fromStdString(NetUtil::FormatError(status, operation)),
                                  QString::fromStdString(NetUtil::StatusText(status, context)));
}

void ConnectionTools::remember(const NetClient::Attachment& attachment,
                               const NetClient::SecretText& password) {
    if (start_.keyring != nullptr && start_.keyring->Write(NetClient::PasswordKey(attachment), password))
        return;
    if (const std::string notice = NetClient::TellRememberFailureOnce({attachment.serverName});
        !notice.empty())
        MessageBoxes::ShowPlainDialog(QString::fromStdString(notice));
}

void ConnectionTools::reconnect(int entry) {
    const std::uint32_t reference = referenceOf(entry);
    if (reference == 0)
        return;
    form_.ServerList->setItemMark(entry, StateMarks::Mark(NetClient::ConnectionState::Reconnecting),
                                  QStringLiteral("Reconnecting…"));
    shownStates_[static_cast<std::size_t>(entry)].clear();
    form_.ServerList->repaint();
    const std::uint16_t status = control_.Reconnect(reference);
    refreshMarks();
    if (status != 0)
        tellFailure(entry, status, "Reconnect");
    chooseAgain(entry);
}

void ConnectionTools::logIn(int entry, bool asSomeoneElse) {
    const NetClient::ConnectionEntry known = entryState(entry);
    if (known.reference == 0)
        return;
    NetClient::Attachment attachment = known.attachment;
    if (asSomeoneElse)
        attachment.user.clear();
    const bool canRemember = start_.keyring != nullptr && start_.keyring->IsAvailable();
    LoginAsDialog dialog(form_.ServerList->itemText(entry), attachment, canRemember, control_.Capture(),
                         &form_);
    dialog.setObjectName(QStringLiteral("LoginAsDialog"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    std::unique_ptr<NetClient::ServerSession> session = dialog.takeSession();
    if (session == nullptr)
        return;
    NetClient::Attachment used = dialog.attachment();
    used.serverName = known.attachment.serverName;
    control_.Replace(known.reference, std::move(session));
    if (const std::optional<NetClient::SecretText> password = dialog.takePasswordToRemember())
        remember(used, *password);
    refreshMarks();
    chooseAgain(entry);
}

void ConnectionTools::logOut(int entry) {
    const std::uint32_t reference = referenceOf(entry);
    if (reference == 0)
        return;
    const std::uint16_t status = control_.LogOut(reference);
    refreshMarks();
    if (status != 0)
        tellFailure(entry, status, "Logout");
    chooseAgain(entry);
}

void ConnectionTools::detach(int entry) {
    const std::uint32_t reference = referenceOf(entry);
    if (reference == 0)
        return;
    const bool chosen = entry == form_.ServerList->itemIndex();
    control_.Detach(reference);
    form_.ServerList->removeItem(entry);
    form_.MarkSameNamedServers();
    references_.erase(references_.begin() + entry);
    shownStates_.erase(shownStates_.begin() + entry);
    if (!chosen)
        return;
    // The chosen server is gone: the first one left is chosen, as at start-up; with none left the page and
    // the caption are as without connections.
    if (form_.ServerList->count() > 0) {
        form_.ServerList->setItemIndex(0);
        return;
    }
    CurrentConn = 0;
    for (QLineEdit* field :
         {form_.EditUser, form_.EditSrv, form_.EditVer, form_.EditConn, form_.EditVol, form_.EditBndCtx})
        field->clear();
    form_.setWindowTitle(QStringLiteral("Tessaline"));
}

void ConnectionTools::addEntry(std::uint32_t reference, const std::string& serverName,
                               const std::string& address) {
    form_.AddServerEntry({reference, serverName, address});
    form_.MarkSameNamedServers();
    references_.push_back(reference);
    shownStates_.emplace_back();
    refreshMarks();
}

void ConnectionTools::attachServer() {
    // The servers of the attachments file that are not attached now, with what start-up said of them.
    std::vector<AttachDialog::NotAttached> notAttached;
    NetClient::AttachmentList file;
    const bool fileRead =
        !start_.attachmentsFile.empty() &&
        NetClient::ReadAttachmentsFile(start_.attachmentsFile, file) == NetClient::AttachmentsFileState::Read;
    if (fileRead) {
        const std::vector<NetClient::ConnectionEntry> attached = control_.ConnectionList();
        for (const NetClient::Attachment& attachment : file.attachments) {
            const bool isAttached = std::any_of(attached.begin(), attached.end(), [&](const auto& entry) {
                return SameName(entry.serverName, attachment.serverName) ||
                       SameName(entry.attachment.serverName, attachment.serverName);
            });
            if (isAttached)
                continue;
            QString reason = QStringLiteral("Not attached");
            for (const NetClient::AttachFailure& failure : start_.failures)
                if (SameName(failure.serverName, attachment.serverName))
                    reason = QString::fromStdString(NetClient::DescribeNotAttached(failure));
            notAttached.push_back({attachment, reason});
        }
    }
    const bool canRemember = start_.keyring != nullptr && start_.keyring->IsAvailable();
    AttachDialog dialog(std::move(notAttached), QString::fromStdString(start_.attachmentsFile), fileRead,
                        canRemember, control_.Capture(), &form_);
    dialog.setObjectName(QStringLiteral("AttachDialog"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    std::unique_ptr<NetClient::ServerSession> session = dialog.takeSession();
    if (session == nullptr)
        return;
    const std::string serverName = session->ServerName();
    const NetClient::Attachment attachment = dialog.attachment();
    const std::uint32_t reference = control_.Adopt(std::move(session));
    std::erase_if(start_.failures,
                  [&](const auto& failure) { return SameName(failure.serverName, serverName); });
    if (const std::optional<NetClient::SecretText> password = dialog.takePasswordToRemember())
        remember(attachment, *password);
    if (dialog.saveInFile()) {
        std::string problem;
        if (start_.attachmentsFile.empty() ||
            !NetClient::SaveAttachment(start_.attachmentsFile, attachment, problem))
            MessageBoxes::ShowErrorDialog(
                QStringLiteral("%1 is attached, but not saved in the attachments file")
                    .arg(QString::fromLatin1(serverName)),
                QString::fromStdString(problem.empty() ? "No attachments file is known" : problem));
    }
    addEntry(reference, serverName, attachment.AddressText());
    // The new server is the one the user wants to work with: it is chosen, as a click would choose it.
    form_.ServerList->setItemIndex(form_.ServerList->count() - 1);
}
