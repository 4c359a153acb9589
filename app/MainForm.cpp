// The window's life: event bindings, creation, closing and first showing.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/WaitBox.h"
#include "app/widgets/RadioGroup.h"
#include "app/widgets/TabbedNotebook.h"
#include "netclient/ClientLibrary.h"
#include "netclient/ClientStartup.h"
#include "netclient/Connections.h"
#include "util/PlatformPathsText.h"
#include "util/ProgramDirectory.h"
#include "util/Settings.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <string>
#include <vector>

TMainForm::~TMainForm() {
    if (IsClientBound())
        Client().SetWaitObserver(nullptr);
}

void TMainForm::BindEvents() {
    TabbedNotebook1->setChangeHandler([this](int newTab, bool& allowChange) {
        TabbedNotebook1Change(TabbedNotebook1, newTab, allowChange);
    });
    // Typing goes to the server at once, however the Server Screen page was reached.
    connect(TabbedNotebook1, &TabbedNotebook::pageEntered, this, [this](int index) {
        if (index == ServerScreenPageIndex)
            EditKey->setFocus(Qt::OtherFocusReason);
    });
    connect(ServerList, &RadioGroup::clicked, this, [this] { ServerListClick(ServerList); });
    connect(ButtonLoadNLM, &QPushButton::clicked, this, [this] { ButtonLoadNLMClick(ButtonLoadNLM); });
    connect(ButtonUnloadNLM, &QPushButton::clicked, this, [this] { ButtonUnloadNLMClick(ButtonUnloadNLM); });
    connect(ButtonCopyToServer, &QPushButton::clicked, this,
            [this] { ButtonCopyToServerClick(ButtonCopyToServer); });
    connect(RadioGroupScreens, &RadioGroup::clicked, this,
            [this] { GetCurrentScreenContents(RadioGroupScreens); });
    // A tick during a wait runs right after the handler that waits.
    connect(TimerScreenUpdate, &QTimer::timeout, this, [this] {
        waitBox_->RunOutsideWaits(QStringLiteral("TimerScreenUpdate"),
                                  [this] { GetCurrentScreenContents(TimerScreenUpdate); });
    });
    connect(EditKey, &QLineEdit::textChanged, this, [this] { EditKeyChange(EditKey); });
    connect(ButtonESC, &QPushButton::clicked, this, [this] { ButtonESCClick(ButtonESC); });
    connect(ButtonCR, &QPushButton::clicked, this, [this] { ButtonCRClick(ButtonCR); });
    connect(ButtonCLS, &QPushButton::clicked, this, [this] { ButtonCLSClick(ButtonCLS); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(SpeedButton1); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(SpeedButton2); });
}

void TMainForm::FormCreate(QObject*) {
    // Start-up goes on whatever the client reports; it shows its own messages.
    NCP_Ext::InitNetWareClient();

    FillServerList();

    TabbedNotebook1->setPageIndex(0);
    if (ServerList->itemIndex() < 0 && ServerList->count() > 0)
        ServerList->setItemIndex(0);

    // The stored path is bytes; it reaches the field, and later the file again, unchanged.
    EditNLMSourcePath->setText(Platform::PathText(SavedTransferDirectory()));
}

void TMainForm::FormClose(QObject*, CloseAction& action) {
    // Shows the first screen once more when another one was selected.
    RadioGroupScreens->setItemIndex(0);
    if (NetUtil::WriteSetting(TransferSettingsFile, TransferPathsSection, TransferPathKey,
                              Platform::PathBytes(EditNLMSourcePath->text())))
        return;
    MessageBoxes::ShowApplicationError(
        QStringLiteral("nach %1 kann nicht geschrieben werden")
            .arg(Platform::PathText(NetUtil::SettingsFilePath(TransferSettingsFile))));
    // The first failure keeps the window open, so that the user can make room for the file and close again;
    // a later close that fails once more still closes, so that the user can always leave.
    if (!settingsWriteFailed_) {
        settingsWriteFailed_ = true;
        action = CloseAction::None;
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // A close during a wait gives the wait up, and every exchange after it, and closes once the handler has
    // ended: closing never waits on a server.
    if (waitBox_->InsideWait()) {
        waitBox_->GiveUpAll(true);
        event->ignore();
        waitBox_->RunOutsideWaits(QStringLiteral("close"), [this] { close(); });
        return;
    }
    CloseAction action = CloseAction::Free;
    FormClose(this, action);
    waitBox_->GiveUpAll(false);
    if (action == CloseAction::None)
        event->ignore();
    else
        event->accept();
}
