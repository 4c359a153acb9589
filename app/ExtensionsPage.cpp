// The Extensions page: the server's NCP extensions, and loading and unloading an NLM by name.

#include "util/DisplayTexts.h"
#include "netclient/ExtensionList.h"
#include "app/Feedback.h"
#include "app/MainForm.h"
#include "netclient/ClientLibrary.h"
#include "netclient/SharedState.h"
#include "util/ErrorReporting.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

void TMainForm::GetAllNCPExtensions(QObject*) {
    ListBoxNCPExtensions->clear();
    for (const std::string& line : ScanNCPExtensionLines(CurrentConn))
        ListBoxNCPExtensions->addItem(ShownName(line));
}

void TMainForm::ButtonLoadNLMClick(QObject*) {
    LoadOrUnloadNLM(true);
}

void TMainForm::ButtonUnloadNLMClick(QObject*) {
    LoadOrUnloadNLM(false);
}

void TMainForm::LoadOrUnloadNLM(bool load) {
    const std::string moduleName = ModuleNameForClient(ServerBytes(EditNLMName->text()));
    const std::uint16_t status = load ? Client().NWSMLoadNLM(CurrentConn, moduleName.c_str())
                                      : Client().NWSMUnloadNLM(CurrentConn, moduleName.c_str());
    LastStatus = status;
    NetUtil::ReportError(status, load ? "NWSMLoadNLM" : "NWSMUnloadNLM");
    GetAllNCPExtensions(this);
    if (status == 0) {
        const QString module = ServerText(moduleName);
        ShowSuccessTip(load ? ButtonLoadNLM : ButtonUnloadNLM,
                       load ? LoadedText(module) : UnloadedText(module));
    }
}
