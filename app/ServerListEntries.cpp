// The server list's entries: one per connection, its text the server's name as shown, its data the
// connection it stands for. Kept apart from the Connections page's handlers, so that whatever adds or
// removes entries goes through the same few routines.

#include "util/DisplayTexts.h"
#include "app/MainForm.h"
#include "app/widgets/RadioGroup.h"
#include "netclient/Connections.h"

#include <QHash>
#include <QMetaType>

Q_DECLARE_METATYPE(NetUtil::ServerConnection)

void TMainForm::FillServerList() {
    std::vector<NetUtil::ServerConnection> connections;
    NetUtil::ListServerConnections(connections);
    for (const NetUtil::ServerConnection& connection : connections)
        AddServerEntry(connection);
    MarkSameNamedServers();
}

void TMainForm::AddServerEntry(const NetUtil::ServerConnection& connection) {
    ServerList->addItem(ServerEntryText(connection.serverName), QVariant::fromValue(connection));
}

void TMainForm::MarkSameNamedServers() {
    QHash<QByteArray, int> entriesByName;
    for (int index = 0; index < ServerList->count(); ++index)
        ++entriesByName[QByteArray::fromStdString(ServerEntryConnection(index).serverName)];
    for (int index = 0; index < ServerList->count(); ++index) {
        const NetUtil::ServerConnection connection = ServerEntryConnection(index);
        const bool shared = entriesByName.value(QByteArray::fromStdString(connection.serverName)) > 1;
        ServerList->setItemNote(index, shared ? ServerText(connection.address) : QString());
    }
}

NetUtil::ServerConnection TMainForm::ServerEntryConnection(int index) const {
    const QVariant data = ServerList->itemData(index);
    if (data.canConvert<NetUtil::ServerConnection>())
        return data.value<NetUtil::ServerConnection>();
    // An entry without a connection stands for the first server of its name.
    return NetUtil::ServerConnection{0, ServerBytes(ServerList->itemText(index)), {}};
}

std::string TMainForm::SelectedServerName() const {
    return ServerEntryConnection(ServerList->itemIndex()).serverName;
}
