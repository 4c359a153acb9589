// Which page may be entered, and what entering it refreshes.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "console/ConsoleLookup.h"
#include "netclient/SharedState.h"
#include "netclient/StatusTexts.h"

namespace {
constexpr int ExtensionsPage = 1;
constexpr int ServerScreenPage = 2;
} // namespace

void TMainForm::TabbedNotebook1Change(QObject* sender, int newTab, bool& allowChange) {
    if (newTab >= ServerScreenPage && !FindConsoleExtension()) {
        allowChange = false;
        // When the extension is not what is missing, a line below says what is.
        const std::string detail = NetUtil::ConsoleRefusalText(LastStatus, ErrorContext());
        MessageBoxes::ShowErrorDialog(QStringLiteral("NCP Extensions not loaded. Load QVEXT.NLM, first"),
                                      QString::fromStdString(detail));
        // Refreshes the extension list, whichever page stays in view.
        TabbedNotebook1Change(sender, ExtensionsPage, allowChange);
        return;
    }
    if (newTab == ExtensionsPage)
        GetAllNCPExtensions(sender);
    if (newTab == ServerScreenPage)
        GetServerScreens(sender);
}
