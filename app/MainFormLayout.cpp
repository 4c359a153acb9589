// The window's controls: kinds, parents, positions, sizes, captions, hints, fonts and focus order.

#include "app/ConsoleKeys.h"
#include "app/MainForm.h"
#include "app/connections/ConnectionTools.h"
#include "app/WaitBox.h"
#include "app/consolewindow/ConsoleWindowOpeners.h"
#include "app/widgets/ArrowPictures.h"
#include "app/widgets/RadioGroup.h"
#include "app/widgets/TabbedNotebook.h"
#include "netclient/ClientLibrary.h"

#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Arial, MS Sans Serif and Courier New are not on Linux; Liberation's faces have the same metrics.
const QString SansFamily = QStringLiteral("Liberation Sans");
const QString MonoFamily = QStringLiteral("Liberation Mono");

QFont PixelFont(const QString& family, int pixelHeight, bool bold = false) {
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    font.setStyleHint(family == MonoFamily ? QFont::TypeWriter : QFont::SansSerif);
    return font;
}

enum class Bevel { None, Raised };

QFrame* MakePanel(QWidget* parent, const QString& name, Bevel bevel) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(bevel == Bevel::Raised ? (QFrame::Panel | QFrame::Raised) : QFrame::NoFrame);
    return panel;
}

// A panel with a centred caption that serves as a heading.
QLabel* MakeHeading(QWidget* parent, const QString& name, const QString& caption, Bevel bevel, int height) {
    auto* heading = new QLabel(caption, parent);
    heading->setObjectName(name);
    heading->setAlignment(Qt::AlignCenter);
    heading->setFrameStyle(bevel == Bevel::Raised ? (QFrame::Panel | QFrame::Raised) : QFrame::NoFrame);
    heading->setFixedHeight(height);
    return heading;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption, QPoint position) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->adjustSize();
    label->move(position);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QString& text, QRect geometry) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}

QToolButton* MakeSpeedButton(QWidget* parent, const QString& name, ArrowPictures::Direction direction,
                             QRect geometry) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setIcon(ArrowPictures::Icon(direction));
    button->setIconSize(QSize(ArrowPictures::ImageSize, ArrowPictures::ImageSize));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QHBoxLayout* MakeRow(QWidget* parent) {
    auto* row = new QHBoxLayout(parent);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    return row;
}

QVBoxLayout* MakeColumn(QWidget* parent) {
    auto* column = new QVBoxLayout(parent);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    return column;
}

constexpr int EditHeight = 21;

// Tab moves through the widgets in the order given. A radio group's buttons come later; the group keeps
// its place for them.
void SetFocusOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (auto* group = qobject_cast<RadioGroup*>(widget); group != nullptr && previous != nullptr)
            group->setFocusPredecessor(previous);
        else if (previous != nullptr)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

} // namespace

void TMainForm::BuildConnectionsPage(QWidget* page) {
    Panel1Left = MakePanel(page, QStringLiteral("Panel1Left"), Bevel::None);
    Panel1Left->setFixedWidth(233);
    PanelCurrentConnLabel = MakeHeading(Panel1Left, QStringLiteral("PanelCurrentConnLabel"),
                                        QStringLiteral("Current Connections"), Bevel::Raised, 24);
    ServerList = new RadioGroup(QString(), Panel1Left);
    ServerList->setObjectName(QStringLiteral("ServerList"));
    QVBoxLayout* left = MakeColumn(Panel1Left);
    left->addWidget(PanelCurrentConnLabel);
    left->addWidget(ServerList, 1);

    Panel1Right = MakePanel(page, QStringLiteral("Panel1Right"), Bevel::Raised);
    Bevel1 = new QFrame(Panel1Right);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Raised);
    MakeColumn(Panel1Right)->addWidget(Bevel1);

    User = MakeLabel(Panel1Right, QStringLiteral("User"), QStringLiteral("User"), {10, 23});
    Label1 = MakeLabel(Panel1Right, QStringLiteral("Label1"), QStringLiteral("Server Name"), {10, 49});
    Label2 = MakeLabel(Panel1Right, QStringLiteral("Label2"), QStringLiteral("Version"), {10, 75});
    Label3 = MakeLabel(Panel1Right, QStringLiteral("Label3"), QStringLiteral("Connections"), {10, 102});
    Label4 = MakeLabel(Panel1Right, QStringLiteral("Label4"), QStringLiteral("Max Volumes"), {10, 128});
    Label5 = MakeLabel(Panel1Right, QStringLiteral("Label5"), QStringLiteral("Bindery Context"), {10, 154});
    EditUser =
        MakeEdit(Panel1Right, QStringLiteral("EditUser"), QStringLiteral("EditUser"), {128, 23, 145, 23});
    EditSrv = MakeEdit(Panel1Right, QStringLiteral("EditSrv"), QStringLiteral("EditSrv"), {128, 49, 145, 23});
    EditVer = MakeEdit(Panel1Right, QStringLiteral("EditVer"), QStringLiteral("EditVer"), {128, 75, 145, 23});
    EditConn =
        MakeEdit(Panel1Right, QStringLiteral("EditConn"), QStringLiteral("EditConn"), {128, 100, 145, 23});
    EditVol =
        MakeEdit(Panel1Right, QStringLiteral("EditVol"), QStringLiteral("EditVol"), {128, 126, 145, 23});
    EditBndCtx = MakeEdit(Panel1Right, QStringLiteral("EditBndCtx"), QStringLiteral("EditBndCtx"),
                          {128, 152, 145, 23});

    QHBoxLayout* row = MakeRow(page);
    row->addWidget(Panel1Left);
    row->addWidget(Panel1Right, 1);

    SetFocusOrder({EditUser, EditSrv, EditVer, EditConn, EditVol, EditBndCtx, ServerList});
}

void TMainForm::BuildExtensionsPage(QWidget* page) {
    Panel2Left = MakePanel(page, QStringLiteral("Panel2Left"), Bevel::Raised);
    PanelCurrentExtensionsLanel =
        MakeHeading(Panel2Left, QStringLiteral("PanelCurrentExtensionsLanel"),
                    QStringLiteral("NCP extensions loaded on selected server"), Bevel::None, 18);
    ListBoxNCPExtensions = new QListWidget(Panel2Left);
    ListBoxNCPExtensions->setObjectName(QStringLiteral("ListBoxNCPExtensions"));
    QVBoxLayout* left = MakeColumn(Panel2Left);
    left->addWidget(PanelCurrentExtensionsLanel);
    left->addWidget(ListBoxNCPExtensions, 1);

    PanelExtensionsRight = MakePanel(page, QStringLiteral("PanelExtensionsRight"), Bevel::None);
    PanelExtensionsRight->setFixedWidth(185);
    Label8 = MakeLabel(PanelExtensionsRight, QStringLiteral("Label8"), QStringLiteral("NLM  Name"), {8, 8});
    EditNLMName = MakeEdit(PanelExtensionsRight, QStringLiteral("EditNLMName"), QStringLiteral("QVEXT.NLM"),
                           {8, 32, 169, EditHeight});
    ButtonLoadNLM = MakeButton(PanelExtensionsRight, QStringLiteral("ButtonLoadNLM"), QStringLiteral("&Load"),
                               {8, 64, 75, 25});
    ButtonLoadNLM->setToolTip(QStringLiteral("Load NLM on server"));
    ButtonUnloadNLM = MakeButton(PanelExtensionsRight, QStringLiteral("ButtonUnloadNLM"),
                                 QStringLiteral("&Unload"), {104, 64, 75, 25});
    Label9 = MakeLabel(PanelExtensionsRight, QStringLiteral("Label9"),
                       QStringLiteral("Source Path for transfer"), {16, 216});
    EditNLMSourcePath = MakeEdit(PanelExtensionsRight, QStringLiteral("EditNLMSourcePath"), QString(),
                                 {8, 232, 169, EditHeight});
    ButtonCopyToServer = MakeButton(PanelExtensionsRight, QStringLiteral("ButtonCopyToServer"),
                                    QStringLiteral("&Transfer"), {8, 264, 75, 25});
    ButtonCopyToServer->setToolTip(QStringLiteral("Copy selected NLM to Server (Sys:system)"));

    QHBoxLayout* row = MakeRow(page);
    row->addWidget(Panel2Left, 1);
    row->addWidget(PanelExtensionsRight);

    SetFocusOrder({ListBoxNCPExtensions, ButtonCopyToServer, EditNLMSourcePath, ButtonLoadNLM, EditNLMName,
                   ButtonUnloadNLM});
}

void TMainForm::BuildServerScreenPage(QWidget* page) {
    PanelServerLeft = MakePanel(page, QStringLiteral("PanelServerLeft"), Bevel::None);
    PanelServerLeft->setFixedWidth(201);
    RadioGroupScreens = new RadioGroup(QStringLiteral("Server &Screens"), PanelServerLeft);
    RadioGroupScreens->setObjectName(QStringLiteral("RadioGroupScreens"));
    RadioGroupScreens->setToolTip(QStringLiteral("Select server screen to view"));

    Panel2 = MakePanel(PanelServerLeft, QStringLiteral("Panel2"), Bevel::None);
    Panel2->setFixedHeight(76);
    Label7 = MakeLabel(Panel2, QStringLiteral("Label7"), QStringLiteral("Input"), {16, 12});
    Label7->setFont(PixelFont(SansFamily, 12, true));
    QPalette black = Label7->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label7->setPalette(black);
    Label7->adjustSize();
    EditKey = MakeEdit(Panel2, QStringLiteral("EditKey"), QString(), {56, 8, 140, EditHeight});
    EditKey->setToolTip(QStringLiteral("Send keystrokes to server"));
    ButtonCLS = MakeButton(Panel2, QStringLiteral("ButtonCLS"), QStringLiteral("CLS"), {8, 40, 33, 25});
    ButtonCLS->setToolTip(QStringLiteral("Clear Server Screen"));
    ButtonESC = MakeButton(Panel2, QStringLiteral("ButtonESC"), QStringLiteral("ESC"), {56, 40, 32, 25});
    ButtonESC->setToolTip(QStringLiteral("Send ESC to server"));
    ButtonCR = MakeButton(Panel2, QStringLiteral("ButtonCR"), QStringLiteral("CR"), {92, 40, 32, 25});
    ButtonCR->setToolTip(QStringLiteral("Send CRLF to server"));
    SpeedButton1 = MakeSpeedButton(Panel2, QStringLiteral("SpeedButton1"), ArrowPictures::Direction::Down,
                                   {129, 40, 32, 25});
    SpeedButton1->setToolTip(QStringLiteral("Send 'Cursor Down' key to server"));
    SpeedButton2 = MakeSpeedButton(Panel2, QStringLiteral("SpeedButton2"), ArrowPictures::Direction::Up,
                                   {165, 40, 32, 25});
    SpeedButton2->setToolTip(QStringLiteral("Send 'Cursor Up' key to server"));

    QVBoxLayout* left = MakeColumn(PanelServerLeft);
    left->addWidget(RadioGroupScreens, 1);
    left->addWidget(Panel2);

    PanelServerRight = MakePanel(page, QStringLiteral("PanelServerRight"), Bevel::Raised);
    MemoConsole = new QPlainTextEdit(PanelServerRight);
    MemoConsole->setObjectName(QStringLiteral("MemoConsole"));
    MemoConsole->setFont(PixelFont(MonoFamily, ConsoleDefaultPixelSize));
    MemoConsole->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Scroll bars only when the window is too small for the 25 rows of 80 characters.
    MemoConsole->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MemoConsole->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Stays editable, but Tab moves on along the page's focus order instead of typing a tab.
    MemoConsole->setTabChangesFocus(true);
    // The console text is black whatever the desktop's colours; its background is white with it, so that a
    // dark palette's dark base cannot take the contrast away.
    QPalette memoPalette = MemoConsole->palette();
    memoPalette.setColor(QPalette::Text, Qt::black);
    memoPalette.setColor(QPalette::Base, Qt::white);
    MemoConsole->setPalette(memoPalette);
    MemoConsole->setPlainText(QStringLiteral("\n\n[ Could not read server screen ]\n\n"
                                             "[ The NCP extension NLM must be running on the server ]"));
    MakeColumn(PanelServerRight)->addWidget(MemoConsole);

    QHBoxLayout* row = MakeRow(page);
    row->addWidget(PanelServerLeft);
    row->addWidget(PanelServerRight, 1);

    SetFocusOrder({RadioGroupScreens, EditKey, ButtonESC, ButtonCR, ButtonCLS, MemoConsole});
}

TMainForm::TMainForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Tessaline"));
    setFont(PixelFont(SansFamily, 12));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    resize(OuterWidth, OuterHeight);

    TabbedNotebook1 = new TabbedNotebook(this);
    TabbedNotebook1->setObjectName(QStringLiteral("TabbedNotebook1"));
    TabbedNotebook1->tabBar()->setFont(PixelFont(SansFamily, 11));
    MakeColumn(this)->addWidget(TabbedNotebook1);
    BuildConnectionsPage(TabbedNotebook1->addPage(QStringLiteral("&Connections"), QStringLiteral("Page0")));
    BuildExtensionsPage(TabbedNotebook1->addPage(QStringLiteral("E&xtensions"), QStringLiteral("Page1")));
    BuildServerScreenPage(
        TabbedNotebook1->addPage(QStringLiteral("&Server Screen"), QStringLiteral("Page2")));
    // The notebook is built on its second page; FormCreate turns to the first, through the handler.
    TabbedNotebook1->setPageIndexSilently(1);

    TimerScreenUpdate = new QTimer(this);
    TimerScreenUpdate->setObjectName(QStringLiteral("TimerScreenUpdate"));
    TimerScreenUpdate->setInterval(ScreenRefreshMilliseconds);

    waitBox_ = new WaitBox(this);
    if (IsClientBound())
        Client().SetWaitObserver(waitBox_);
    BindEvents();
    BindDesktopBehaviour();
    TimerScreenUpdate->start();
    FormCreate(this);
    if (NetClient::ConnectionControl* control = NetClient::BoundConnectionControl())
        connections_ = new ConnectionTools(*this, *control);
    // After the server list's menu, which gets an item of its own.
    BindConsoleWindowOpeners(*this);
}
