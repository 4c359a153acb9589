#pragma once

#include "netclient/StatusTexts.h"
#include "util/FileCopy.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <string>

class ConnectionTools;
class QCloseEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;
class RadioGroup;
class TabbedNotebook;
class WaitBox;

namespace NetUtil {
struct ServerConnection;
}

// What the close handler leaves the window to do.
enum class CloseAction { None, Hide, Free, Minimize };

// The main window: a three-page notebook (Connections, Extensions, Server Screen) and the event handlers
// of all its controls. Handlers talk to the server through the bound client library and the routines of
// netclient/, console/ and util/; they share the module variables CurrentConn, LastStatus and ConsoleExt.
//
// Controls carry their names as object names, so tests find them with findChild.
class TMainForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMainForm)

public:
    // Builds the window and its controls, starts the refresh timer, then runs FormCreate. The window is
    // shown by the caller.
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The handlers and page routines, in the order the window declares them.
    void FormCreate(QObject* sender);
    void ServerListClick(QObject* sender);
    void GetSomeDSInfo(QObject* sender);
    void GetMoreServerInfo(QObject* sender);
    void GetAllNCPExtensions(QObject* sender);
    void TabbedNotebook1Change(QObject* sender, int newTab, bool& allowChange);
    QString ConvertToDos(const QString& netWarePath);
    void FormClose(QObject* sender, CloseAction& action);
    void ButtonLoadNLMClick(QObject* sender);
    void ButtonUnloadNLMClick(QObject* sender);
    void ButtonCopyToServerClick(QObject* sender);
    void GetScreenNamesIntoRadioGroup(QObject* sender);
    void GetServerScreens(QObject* sender);
    void DisplayScreen(const QString& screenName);
    void GetCurrentScreenContents(QObject* sender);
    void EditKeyChange(QObject* sender);
    void ButtonESCClick(QObject* sender);
    void ButtonCRClick(QObject* sender);
    void ButtonCLSClick(QObject* sender);
    void SpeedButton2Click(QObject* sender);
    void SpeedButton1Click(QObject* sender);

    // The server list's menu, the connections' state marks and their actions; null when the bound client
    // offers no connection control.
    ConnectionTools* Connections() const { return connections_; }

    // The server list's entries (ServerListEntries.cpp). An entry's text is the server's name as shown (or a
    // placeholder for a server without one); its data is the connection, so that a choice opens that very
    // connection even when several servers report the same name. Entries of the same name carry their
    // address as a note.
    void FillServerList();
    void AddServerEntry(const NetUtil::ServerConnection& connection);
    void MarkSameNamedServers();
    NetUtil::ServerConnection ServerEntryConnection(int index) const;
    // The name bytes of the chosen server, as it reported them; empty when none is chosen.
    std::string SelectedServerName() const;

    // The outer size the window opens with.
    static constexpr int OuterWidth = 683;
    static constexpr int OuterHeight = 462;
    static constexpr int ScreenRefreshMilliseconds = 60000;
    static constexpr int ServerScreenPageIndex = 2;

    // Controls, named as the window's design names them.
    TabbedNotebook* TabbedNotebook1 = nullptr;
    // Page 0, Connections
    QFrame* Panel1Left = nullptr;
    QLabel* PanelCurrentConnLabel = nullptr;
    RadioGroup* ServerList = nullptr;
    QFrame* Panel1Right = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* User = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* EditUser = nullptr;
    QLineEdit* EditSrv = nullptr;
    QLineEdit* EditVer = nullptr;
    QLineEdit* EditConn = nullptr;
    QLineEdit* EditVol = nullptr;
    QLineEdit* EditBndCtx = nullptr;
    // Page 1, Extensions
    QFrame* Panel2Left = nullptr;
    QLabel* PanelCurrentExtensionsLanel = nullptr;
    QListWidget* ListBoxNCPExtensions = nullptr;
    QFrame* PanelExtensionsRight = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* EditNLMName = nullptr;
    QPushButton* ButtonLoadNLM = nullptr;
    QPushButton* ButtonUnloadNLM = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* EditNLMSourcePath = nullptr;
    QPushButton* ButtonCopyToServer = nullptr;
    // Page 2, Server Screen
    QFrame* PanelServerLeft = nullptr;
    RadioGroup* RadioGroupScreens = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* EditKey = nullptr;
    QPushButton* ButtonCLS = nullptr;
    QPushButton* ButtonESC = nullptr;
    QPushButton* ButtonCR = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QFrame* PanelServerRight = nullptr;
    QPlainTextEdit* MemoConsole = nullptr;
    // The one-minute refresh of the shown screen.
    QTimer* TimerScreenUpdate = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildConnectionsPage(QWidget* page);
    void BuildExtensionsPage(QWidget* page);
    void BuildServerScreenPage(QWidget* page);
    void BindEvents();
    // The window's size and place on the desktop, its icon, the console's keys and zoom, tool tips, and
    // the words below error boxes (MainFormBehaviour.cpp).
    void BindDesktopBehaviour();
    // The transfer's source file as local bytes: the source directory, cut, with the module name.
    std::string TransferSourceFile() const;
    void SendButtonKey(std::uint16_t keyWord);
    void ReturnToKeyField();
    void LoadOrUnloadNLM(bool load);

    // The words below the error boxes: the chosen server, the transfer's files, the last copy's problem.
    NetUtil::StatusContext ErrorContext();

    ConnectionTools* connections_ = nullptr;
    NCP_Ext::CopyProblem lastCopyProblem_ = NCP_Ext::CopyProblem::None;
    WaitBox* waitBox_ = nullptr;       // what the window does while a handler waits for a server
    bool settingsWriteFailed_ = false; // a close failed to save the settings: the next close closes anyway
};
