// Which page may be entered, and what entering it refreshes.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "console/ConsoleLookup.h"

namespace {
constexpr int ExtensionsPage = 1;
constexpr int ServerScreenPage = 2;
} // namespace

void TMainForm::TabbedNotebook1Change(QObject* sender, int newTab, bool& allowChange) {
    if (newTab >= ServerScreenPage && !FindConsoleExtension()) {
        allowChange = false;
        MessageBoxes::ShowErrorDialog(QStringLiteral("NCP Extensions not loaded. Load QVEXT.NLM, first"));
        // Refreshes the extension list, whichever page stays in view.
        TabbedNotebook1Change(sender, ExtensionsPage, allowChange);
        return;
    }
    if (newTab == ExtensionsPage)
        GetAllNCPExtensions(sender);
    if (newTab == ServerScreenPage)
        GetServerScreens(sender);
}
