// The Transfer button: copies the named NLM from the local source directory into SYS:SYSTEM of the chosen
// server, through the server volume's network path.

#include "app/MainForm.h"
#include "app/widgets/RadioGroup.h"
#include "netclient/SharedState.h"
#include "util/ErrorReporting.h"
#include "util/FileCopy.h"
#include "util/TextRoutines.h"

#include <QLineEdit>

namespace {
constexpr std::size_t MaxDirectoryLength = 255;

std::string Bytes(const QString& text) {
    return text.toUtf8().toStdString();
}
} // namespace

QString TMainForm::ConvertToDos(const QString& netWarePath) {
    std::string path =
        "\\\\" + Bytes(ServerList->itemText(ServerList->itemIndex())) + "\\" + Bytes(netWarePath);
    NetUtil::ReplaceAll(path, ":", "\\", true);
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

void TMainForm::ButtonCopyToServerClick(QObject*) {
    // Without a chosen server there is no network path to copy to.
    if (ServerList->itemIndex() < 0) {
        LastStatus = NCP_Ext::CopyFailed;
        NetUtil::ReportError(LastStatus, "CopyFile");
        return;
    }
    const std::string destination =
        NetUtil::AddTrailingSeparator(Bytes(ConvertToDos(QStringLiteral("SYS:SYSTEM"))))
            .substr(0, MaxDirectoryLength);
    const std::string sourceDirectory =
        NetUtil::AddTrailingSeparator(Bytes(EditNLMSourcePath->text())).substr(0, MaxDirectoryLength);
    const std::string source = sourceDirectory + Bytes(EditNLMName->text());
    LastStatus = NCP_Ext::CopyFile(source, destination);
    NetUtil::ReportError(LastStatus, "CopyFile");
}
