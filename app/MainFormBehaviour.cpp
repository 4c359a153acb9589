// How the window behaves on a desktop beyond its handlers: its outer size and place, its icon, the console's
// terminal-like keys and zoom, tool tips with the whole text of the Connections fields, and the words in
// the error boxes about the chosen server and the transfer's files.

#include "app/ConsoleInput.h"
#include "app/DesktopIntegration.h"
#include "app/Feedback.h"
#include "app/MainForm.h"
#include "app/WindowPlacement.h"
#include "app/widgets/RadioGroup.h"
#include "ncp/StatusCodes.h"
#include "netclient/ClientLibrary.h"
#include "netclient/SharedState.h"
#include "netclient/StatusTexts.h"
#include "util/ErrorReporting.h"
#include "util/PlatformPaths.h"
#include "util/PlatformPathsText.h"

#include <QLineEdit>

namespace {

// Keeps the error boxes' detail source bound while the window lives.
class ErrorDetailBinding final : public QObject {
public:
    ErrorDetailBinding(QObject* window, NetUtil::ErrorDetailSource source) : QObject(window) {
        NetUtil::BindErrorDetailSource(std::move(source));
    }
    ~ErrorDetailBinding() override { NetUtil::BindErrorDetailSource(nullptr); }
    Q_DISABLE_COPY_MOVE(ErrorDetailBinding)
};

} // namespace

void TMainForm::BindDesktopBehaviour() {
    new OuterSizePlacement(this, QSize(OuterWidth, OuterHeight));
    setWindowIcon(Desktop::ProgramIcon());

    new ConsoleInput(EditKey, MemoConsole, [this](std::uint16_t keyWord) { SendButtonKey(keyWord); });

    auto* fullTexts = new FullTextToolTips(this);
    for (QLineEdit* field : {EditUser, EditSrv, EditVer, EditConn, EditVol, EditBndCtx})
        fullTexts->watch(field);

    new ErrorDetailBinding(this, [this](std::uint32_t status, const std::string&) {
        NetUtil::StatusContext context = ErrorContext();
        // A server that refuses directory requests may only want a login first: asked only then.
        if (status == StatusCodes::DSNotAvailable) {
            std::uint32_t userId = 0;
            context.notLoggedIn =
                Client().GetConnInfo(CurrentConn, ClientLibrary::InfoUserId, sizeof userId, &userId) == 0 &&
                userId == 0;
        }
        return NetUtil::StatusText(status, context);
    });
}

NetUtil::StatusContext TMainForm::ErrorContext() {
    NetUtil::StatusContext context;
    if (ServerList->itemIndex() >= 0) {
        context.server = ServerList->itemText(ServerList->itemIndex()).toStdString();
        context.destination = ConvertToDos(QStringLiteral("SYS:SYSTEM")).toStdString();
    }
    context.module = EditNLMName->text().toStdString();
    // The source as the file system names it, with '/' where the transfer joins with '\'.
    std::string localSource;
    Platform::ToLocalPath(TransferSourceFile(), localSource);
    context.sourceFile = Platform::PathText(localSource).toStdString();
    context.copyProblem = lastCopyProblem_;
    return context;
}
