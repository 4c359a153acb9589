// The Extensions page: the server's NCP extensions, and loading and unloading an NLM by name.

#include "app/ExtensionList.h"
#include "app/MainForm.h"
#include "netclient/ClientLibrary.h"
#include "netclient/SharedState.h"
#include "util/ErrorReporting.h"

#include <QLineEdit>
#include <QListWidget>

void TMainForm::GetAllNCPExtensions(QObject*) {
    ListBoxNCPExtensions->clear();
    for (const std::string& line : ScanNCPExtensionLines(CurrentConn))
        ListBoxNCPExtensions->addItem(QString::fromLatin1(line));
}

void TMainForm::ButtonLoadNLMClick(QObject*) {
    LoadOrUnloadNLM(true);
}

void TMainForm::ButtonUnloadNLMClick(QObject*) {
    LoadOrUnloadNLM(false);
}

void TMainForm::LoadOrUnloadNLM(bool load) {
    const std::string moduleName = ModuleNameForClient(EditNLMName->text().toLatin1().toStdString());
    const std::uint16_t status = load ? Client().NWSMLoadNLM(CurrentConn, moduleName.c_str())
                                      : Client().NWSMUnloadNLM(CurrentConn, moduleName.c_str());
    LastStatus = status;
    NetUtil::ReportError(status, load ? "NWSMLoadNLM" : "NWSMUnloadNLM");
    GetAllNCPExtensions(this);
}
