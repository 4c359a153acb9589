// The Transfer button: copies the named NLM from the local source directory into SYS:SYSTEM of the chosen
// server, through the server volume's network path.

#include "app/Feedback.h"
#include "app/MainForm.h"
#include "app/WaitBox.h"
#include "app/widgets/RadioGroup.h"
#include "netclient/ClientLibrary.h"
#include "netclient/Connections.h"
#include "netclient/SharedState.h"
#include "util/DisplayTexts.h"
#include "util/ErrorReporting.h"
#include "util/FileCopy.h"
#include "util/PlatformPaths.h"
#include "util/PlatformPathsText.h"
#include "util/TextRoutines.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {
constexpr std::size_t MaxDirectoryLength = 255;

// The size of the copied file, for the success tip; -1 when it cannot be read.
std::int64_t LocalFileSize(const std::string& path) {
    std::string localPath;
    if (!Platform::ToLocalPath(path, localPath))
        return -1;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(localPath, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}
} // namespace

QString TMainForm::ConvertToDos(const QString& netWarePath) {
    // The server's name and path are the server's 8-bit text, as in the server list and the lookup.
    std::string path = "\\\\" + SelectedServerName() + "\\" + ServerBytes(netWarePath);
    NetUtil::ReplaceAll(path, ":", "\\", true);
    return ServerText(path);
}

std::string TMainForm::TransferSourceFile() const {
    // A local path: its bytes as the file system holds them.
    const std::string sourceDirectory =
        NetUtil::AddTrailingSeparator(Platform::PathBytes(EditNLMSourcePath->text()))
            .substr(0, MaxDirectoryLength);
    return sourceDirectory + Platform::PathBytes(EditNLMName->text());
}

void TMainForm::ButtonCopyToServerClick(QObject*) {
    // Without a chosen server there is no network path to copy to.
    if (ServerList->itemIndex() < 0) {
        lastCopyProblem_ = NCP_Ext::CopyProblem::NoServer;
        LastStatus = NCP_Ext::CopyFailed;
        NetUtil::ReportError(LastStatus, "CopyFile");
        return;
    }
    const std::string destination =
        NetUtil::AddTrailingSeparator(ServerBytes(ConvertToDos(QStringLiteral("SYS:SYSTEM"))))
            .substr(0, MaxDirectoryLength);
    const std::string source = TransferSourceFile();
    // A copy that takes a while shows its progress, and can be cancelled (a failed copy, as any).
    waitBox_->TransferStarted(ServerList->itemText(ServerList->itemIndex()),
                              static_cast<std::uint64_t>(std::max<std::int64_t>(LocalFileSize(source), 0)));
    // The path names the server; of servers that share the name, the chosen one is meant.
    Client().PreferConnectionForPaths(ServerEntryConnection(ServerList->itemIndex()).connRef);
    LastStatus = NCP_Ext::CopyFile(source, destination, lastCopyProblem_);
    Client().PreferConnectionForPaths(0);
    waitBox_->TransferEnded();
    NetUtil::ReportError(LastStatus, "CopyFile");
    if (LastStatus != 0)
        return;
    const NCP_Ext::FilePath arrived = NCP_Ext::SplitFileName(source);
    std::string directory = destination;
    if (directory.ends_with('\\'))
        directory.pop_back();
    ShowSuccessTip(ButtonCopyToServer, CopiedText(Platform::PathText(arrived.Name + arrived.Ext),
                                                  ServerText(directory), LocalFileSize(source)));
}
