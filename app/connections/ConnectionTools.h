#pragma once

#include "netclient/AttachFailures.h"
#include "netclient/ConnectionControl.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class QTimer;
class ServerListMenu;
class TMainForm;

namespace NetClient {
class PasswordStore;
}

// The window's hold on its connections: the server list's context menu (Reconnect, also F5; Log in again…,
// Log in as…; Log out; Detach; Attach a server…), the mark and tool tip of each entry's state, and the list
// following the connections (a newly attached server at the end, a detached one removed). After an action
// on the chosen server the Connections page is filled again as for a choice.
//
// It lives as long as the window and knows its entries by connection reference, in list order.
class ConnectionTools final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConnectionTools)

public:
    // How often the states are looked at: a lost connection shows well within a second.
    static constexpr int StatePollMilliseconds = 250;

    // What start-up knew: the attachments file, the servers not attached and why, the keyring.
    struct StartInfo {
        std::string attachmentsFile;
        std::vector<NetClient::AttachFailure> failures;
        NetClient::PasswordStore* keyring = nullptr; // not owned; null: nothing is remembered
    };

    ConnectionTools(TMainForm& form, NetClient::ConnectionControl& control);
    ~ConnectionTools() override;

    void setStartInfo(StartInfo info);
    ServerListMenu& menu() { return *menu_; }

    // The actions, on an entry of the server list.
    void reconnect(int entry);
    void logIn(int entry, bool asSomeoneElse);
    void logOut(int entry);
    void detach(int entry);
    void attachServer();

    // Looks at the states now and updates the marks.
    void refreshMarks();

private:
    std::uint32_t referenceOf(int entry) const;
    bool isEntry(int entry) const;
    NetClient::ConnectionEntry entryState(int entry);
    // After an action: the page shows the chosen server again, as after a choice.
    void chooseAgain(int entry);
    void tellFailure(int entry, std::uint16_t status, const char* operation);
    void remember(const NetClient::Attachment& attachment, const NetClient::SecretText& password);
    void addEntry(std::uint32_t reference, const std::string& serverName, const std::string& address);

    TMainForm& form_;
    NetClient::ConnectionControl& control_;
    ServerListMenu* menu_ = nullptr;
    QTimer* poll_ = nullptr;
    StartInfo start_;
    std::vector<std::uint32_t> references_; // per server list entry
    std::vector<QString> shownStates_;      // the words each entry's mark shows (empty: none yet)
};
