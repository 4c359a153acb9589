// The Connections page: choosing a server makes it the program's server and shows facts about it.

#include "util/DisplayTexts.h"
#include "app/MainForm.h"
#include "app/widgets/RadioGroup.h"
#include "netclient/ClientLibrary.h"
#include "netclient/Connections.h"
#include "netclient/SharedState.h"
#include "netclient/UserNames.h"
#include "util/BufferText.h"
#include "util/ErrorReporting.h"

#include <QLineEdit>

namespace {
constexpr std::size_t MaxServerNameLength = 255;

// Shows a text from its first character: a field set from code would otherwise scroll to its end, hiding
// the start of a long directory name.
void ShowText(QLineEdit* field, const QString& text) {
    field->setText(text);
    field->setCursorPosition(0);
}

void Empty(std::initializer_list<QLineEdit*> fields) {
    for (QLineEdit* field : fields)
        field->clear();
}
} // namespace

void TMainForm::ServerListClick(QObject* sender) {
    // The entry's own connection, by its reference and the name bytes its server reported: the text shown
    // may differ from those bytes, and another server may report the same name.
    const NetUtil::ServerConnection entry = ServerEntryConnection(ServerList->itemIndex());
    std::uint32_t connRef = 0;
    const std::uint16_t status = NetUtil::FindConnectionByReference(
        entry.connRef, entry.serverName.substr(0, MaxServerNameLength), connRef, CurrentConn);
    LastStatus = status;
    if (status == 0) {
        // Starts empty, so a user name that cannot be read shows as an empty field.
        NetUtil::UserNameBuffer userName{};
        NetUtil::GetConnRefUserName(connRef, userName);
        ShowText(EditUser, ShownName(TextUpToZero(userName.data(), userName.size())));
        GetMoreServerInfo(sender);
    } else {
        // Whatever the fields showed belongs to the server chosen before: under this server's name it would
        // read as its data.
        Empty({EditUser, EditSrv, EditVer, EditConn, EditVol, EditBndCtx});
    }
    setWindowTitle(LiteralWindowTitle(ServerList->itemText(ServerList->itemIndex()) + QStringLiteral(": ") +
                                      EditUser->text()));
}

void TMainForm::GetMoreServerInfo(QObject* sender) {
    char serverName[ClientLibrary::FileServerNameSize] = {};
    std::uint8_t majorVersion = 0;
    std::uint8_t minorVersion = 0;
    std::uint8_t revision = 0;
    std::uint16_t maxConnections = 0;
    std::uint16_t peakConnections = 0;
    std::uint16_t connectionsInUse = 0;
    std::uint16_t volumeCount = 0;
    std::uint8_t sftLevel = 0;
    std::uint8_t ttsLevel = 0;
    const std::uint16_t status = Client().NWGetFileServerInformation(
        CurrentConn, serverName, &majorVersion, &minorVersion, &revision, &maxConnections, &peakConnections,
        &connectionsInUse, &volumeCount, &sftLevel, &ttsLevel);
    // The user is this server's already; the other fields would still show the server chosen before.
    if (status != 0)
        Empty({EditSrv, EditVer, EditConn, EditVol, EditBndCtx});
    NetUtil::ReportError(status, "NWGetFileServerInformation");
    if (status != 0)
        return;
    ShowText(EditSrv, ShownName(TextUpToZero(serverName, sizeof serverName)));
    ShowText(EditVer, QStringLiteral("v%1.%2").arg(majorVersion).arg(minorVersion));
    ShowText(EditConn, QStringLiteral("%1 of %2 used").arg(connectionsInUse).arg(maxConnections));
    ShowText(EditVol, QString::number(volumeCount));
    ShowText(EditBndCtx, QString());
    if (majorVersion >= 4)
        GetSomeDSInfo(sender);
}

void TMainForm::GetSomeDSInfo(QObject*) {
    // Starts as "no context", so a creation that writes nothing is recognised as failed too.
    std::uint32_t context = ClientLibrary::NoContext;
    Client().NWDSCreateContextHandle(&context);
    if (context == ClientLibrary::NoContext) {
        NetUtil::ReportError(ClientLibrary::NoContext, "NWDSCreateContextHandle");
        return;
    }
    char serverDN[ClientLibrary::DSNameSize] = {};
    const std::uint32_t dnStatus = Client().NWDSGetServerDN(context, CurrentConn, serverDN);
    NetUtil::ReportError(dnStatus, "NWDSGetServerDN");
    if (dnStatus == 0)
        ShowText(EditSrv, ShownName(TextUpToZero(serverDN, sizeof serverDN)));

    char binderyContext[ClientLibrary::DSNameSize] = {};
    if (Client().GetBinderyContext(context, CurrentConn, binderyContext) == 0)
        ShowText(EditBndCtx, ShownName(TextUpToZero(binderyContext, sizeof binderyContext)));
    Client().FreeContext(context);
}
