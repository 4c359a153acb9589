// The server list's menu against the demo servers on 127.0.0.1: each action as a user takes it (right click
// or the menu key, the item, the dialog's fields and buttons), and what the window then shows.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/connections/ConnectionTools.h"
#include "app/widgets/RadioGroup.h"
#include "netclient/ClientLibrary.h"
#include "netclient/NcpClient.h"
#include "netclient/SharedState.h"
#include "network/LoopbackDemo.h"
#include "tests/support/ModalBoxCloser.h"
#include "tests/support/WhenShown.h"
#include "util/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>

using NetClient::Attachment;
using NetClient::SecretText;

namespace {

// A keyring that keeps what it is given.
struct MemoryKeyring final : NetClient::PasswordStore {
    std::map<std::string, std::string> kept;
    bool IsAvailable() override { return true; }
    std::optional<SecretText> Read(const std::string& key) override {
        const auto found = kept.find(key);
        return found == kept.end() ? std::nullopt : std::optional<SecretText>(SecretText(found->second));
    }
    bool Write(const std::string& key, const SecretText& password) override {
        kept[key] = password.Reveal();
        return true;
    }
    void Remove(const std::string& key) override { kept.erase(key); }
};

// Picks the menu's item of that text (without its '&') with the keyboard, as soon as the menu is open.
void PickFromMenu(const QString& item) {
    WhenShown<QMenu>(QStringLiteral("ServerListMenu"), [item](QMenu* menu) {
        for (QAction* action : menu->actions())
            if (action->text().remove(QLatin1Char('&')) == item) {
                QVERIFY2(action->isEnabled(), qPrintable(item + QStringLiteral(" is disabled")));
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        QFAIL(qPrintable(QStringLiteral("no menu item ") + item));
    });
}

template <typename Widget> Widget* Field(QWidget* dialog, const char* name) {
    auto* field = dialog->findChild<Widget*>(QString::fromLatin1(name));
    if (field == nullptr)
        qFatal("no %s", name);
    return field;
}

void Type(QWidget* dialog, const char* field, const QString& text) {
    QLineEdit* edit = Field<QLineEdit>(dialog, field);
    edit->clear();
    QTest::keyClicks(edit, text);
}

// The demo network with some of its servers attached, the window on top, and the attachments file that
// lists the servers given.
struct LiveWindow {
    QTemporaryDir settings;
    QTemporaryDir volumes;
    LoopbackDemo demo;
    NetClient::NcpClient client;
    QtMessageBoxPresenter presenter;
    ModalBoxCloser boxes;
    MemoryKeyring keyring;
    std::unique_ptr<TMainForm> form;
    std::string attachmentsFile;

    // servers: name -> the password given at start ("" attaches CASTOR without a user).
    explicit LiveWindow(const std::vector<std::pair<std::string, std::string>>& servers) {
        std::string error;
        if (!demo.Start(volumes.path().toStdString(), error))
            qFatal("demo network: %s", error.c_str());
        ResetSharedState();
        NetUtil::SetSettingsDirectory(settings.path().toStdString());
        NetUtil::BindMessageBoxPresenter(&presenter);
        attachmentsFile = settings.filePath(QStringLiteral("attachments.ini")).toStdString();
        std::vector<Attachment> attachments;
        std::map<std::string, SecretText> passwords;
        std::string fileText = "; the test's servers\n";
        for (const auto& [name, password] : servers) {
            Attachment attachment = Server(name);
            attachments.push_back(attachment);
            passwords[name] = SecretText(password);
            fileText += "[" + name + "]\nAddress = " + attachment.AddressText() +
                        (attachment.user.empty() ? "" : "\nUser = " + attachment.user) + "\n";
        }
        QFile file(QString::fromStdString(attachmentsFile));
        if (!file.open(QIODevice::WriteOnly) || file.write(fileText.c_str()) < 0)
            qFatal("cannot write the attachments file");
        file.close();
        NetClient::FixedPasswords given(std::move(passwords));
        const std::vector<NetClient::AttachFailure> failures = client.AttachAll(attachments, given);
        BindClient(&client);
        NetClient::BindConnectionControl(&client);
        form = std::make_unique<TMainForm>();
        form->Connections()->setStartInfo({attachmentsFile, failures, &keyring});
        form->show();
    }
    ~LiveWindow() {
        form.reset();
        NetClient::BindConnectionControl(nullptr);
        BindClient(nullptr);
        NetUtil::BindMessageBoxPresenter(nullptr);
    }
    LiveWindow(const LiveWindow&) = delete;
    LiveWindow& operator=(const LiveWindow&) = delete;

    Attachment Server(const std::string& name) {
        for (const Attachment& attachment : demo.Attachments(2))
            if (attachment.serverName == name)
                return attachment;
        qFatal("no demo server %s", name.c_str());
    }

    QRadioButton* Entry(int entry) const {
        return form->ServerList->findChildren<QRadioButton*>().value(entry);
    }

    // Opens the menu on an entry with a right click (through the window, which turns the press into a
    // context-menu request), picks an item.
    void Choose(int entry, const QString& item) {
        PickFromMenu(item);
        QRadioButton* button = Entry(entry);
        QTest::mouseClick(form->windowHandle(), Qt::RightButton, {},
                          button->mapTo(form.get(), button->rect().center()));
    }

    QString State(int entry) const { return form->ServerList->itemToolTip(entry); }

    QString FileText() const {
        QFile file(QString::fromStdString(attachmentsFile));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

} // namespace

class ConnectionMenuLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One row per action: the servers attached at start (name, password), what the user does, and what
    // the window shows afterwards: the list, the chosen entry's state in words, its user, the boxes.
    void menuActionsOnTheDemoNetwork_data() {
        QTest::addColumn<QStringList>("startWith"); // "NAME:password"
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("boxes");
        QTest::addRow("reconnect with F5 after the server dropped the connection")
            << QStringList{"ATLAS:acme", "BOREAS:sales"} << "reconnect" << QStringList{"ATLAS", "BOREAS"}
            << "Logged in as JDOE"
            << "CN=jdoe.OU=Sales.O=ACME" << QStringList{};
        QTest::addRow("log in again after a wrong password")
            << QStringList{"ATLAS:acme"} << "log in again" << QStringList{"ATLAS"} << "Logged in as ADMIN"
            << "CN=Admin.O=ACME" << QStringList{};
        QTest::addRow("log in as another user")
            << QStringList{"ATLAS:acme"} << "log in as" << QStringList{"ATLAS"} << "Logged in as GUEST"
            << "CN=Guest.O=ACME" << QStringList{};
        QTest::addRow("log out, from the menu key")
            << QStringList{"ATLAS:acme"} << "log out" << QStringList{"ATLAS"} << "Attached without a login"
            << "<not authenticated>"
            // A version-5 server answers directory requests only after a login, and the box says so.
            << QStringList{"Error FFFFFC1E: NWDSGetServerDN"};
        QTest::addRow("detach the chosen server: the first one left is chosen")
            << QStringList{"ATLAS:acme", "BOREAS:sales"} << "detach" << QStringList{"BOREAS"}
            << "Logged in as JDOE"
            << "CN=jdoe.OU=Sales.O=ACME" << QStringList{};
        QTest::addRow("attach a new server and save it in the file")
            << QStringList{"ATLAS:acme"} << "attach" << QStringList{"ATLAS", "BOREAS"} << "Logged in as JDOE"
            << "CN=jdoe.OU=Sales.O=ACME" << QStringList{};
        QTest::addRow("retry a server that failed at start")
            << QStringList{"ATLAS:acme", "BOREAS:wrong"} << "retry" << QStringList{"ATLAS", "BOREAS"}
            << "Logged in as JDOE"
            << "CN=jdoe.OU=Sales.O=ACME" << QStringList{};
    }

    void menuActionsOnTheDemoNetwork() {
        QFETCH(QStringList, startWith);
        QFETCH(QString, action);
        QFETCH(QStringList, entries);
        QFETCH(QString, state);
        QFETCH(QString, user);
        QFETCH(QStringList, boxes);
        std::vector<std::pair<std::string, std::string>> servers;
        for (const QString& server : startWith)
            servers.emplace_back(server.section(QLatin1Char(':'), 0, 0).toStdString(),
                                 server.section(QLatin1Char(':'), 1).toStdString());
        LiveWindow live(servers);
        TMainForm& form = *live.form;
        const QString originalFile = live.FileText();

        if (action == QStringLiteral("reconnect")) {
            form.ServerList->setItemIndex(1);
            live.demo.Network().DropConnections("BOREAS");
            // Noticed without any request: the mark turns to "lost" by itself.
            QTRY_VERIFY_WITH_TIMEOUT(live.State(1).startsWith(QStringLiteral("Connection lost")), 5000);
            QTest::keyClick(&form, Qt::Key_F5);
        } else if (action == QStringLiteral("log in again")) {
            bool refusedSeen = false;
            WhenShown<QDialog>(QStringLiteral("LoginAsDialog"), [&refusedSeen](QDialog* dialog) {
                QCOMPARE(Field<QLineEdit>(dialog, "UserEdit")->text(), QStringLiteral("ADMIN"));
                Type(dialog, "PasswordEdit", QStringLiteral("wrong"));
                QTest::mouseClick(Field<QPushButton>(dialog, "LoginButton"), Qt::LeftButton);
                QTRY_VERIFY_WITH_TIMEOUT(Field<QLabel>(dialog, "StatusLabel")
                                             ->text()
                                             .contains(QStringLiteral("refused the password")),
                                         10000);
                refusedSeen = dialog->isVisible();
                Type(dialog, "PasswordEdit", QStringLiteral("acme"));
                Field<QCheckBox>(dialog, "RememberBox")->setChecked(true);
                QTest::mouseClick(Field<QPushButton>(dialog, "LoginButton"), Qt::LeftButton);
            });
            live.Choose(0, QStringLiteral("Log in again…"));
            QTRY_VERIFY_WITH_TIMEOUT(form.EditUser->text() == user, 10000);
            QVERIFY(refusedSeen);
            QCOMPARE(live.keyring.kept["ADMIN@ATLAS"], std::string("acme"));
        } else if (action == QStringLiteral("log in as")) {
            WhenShown<QDialog>(QStringLiteral("LoginAsDialog"), [](QDialog* dialog) {
                QCOMPARE(Field<QLineEdit>(dialog, "UserEdit")->text(), QString());
                Type(dialog, "UserEdit", QStringLiteral("GUEST"));
                Type(dialog, "PasswordEdit", QStringLiteral("guest"));
                QTest::mouseClick(Field<QPushButton>(dialog, "LoginButton"), Qt::LeftButton);
            });
            live.Choose(0, QStringLiteral("Log in as…"));
            QTRY_VERIFY_WITH_TIMEOUT(form.EditUser->text() == user, 10000);
        } else if (action == QStringLiteral("log out")) {
            PickFromMenu(QStringLiteral("Log out"));
            live.Entry(0)->setFocus();
            // What the X11 platform sends the focused widget for the menu key (xcb turns the key into it).
            QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
            QApplication::sendEvent(live.Entry(0), &menuKey);
        } else if (action == QStringLiteral("detach")) {
            live.Choose(0, QStringLiteral("Detach"));
        } else if (action == QStringLiteral("attach") || action == QStringLiteral("retry")) {
            const Attachment boreas = live.Server("BOREAS");
            const bool retry = action == QStringLiteral("retry");
            WhenShown<QDialog>(QStringLiteral("AttachDialog"), [&](QDialog* dialog) {
                auto* notAttached = Field<QListWidget>(dialog, "NotAttachedList");
                if (retry) {
                    QCOMPARE(notAttached->count(), 1);
                    QCOMPARE(notAttached->item(0)->text(),
                             QStringLiteral("BOREAS (%1): The server refused the password (status 89DE)")
                                 .arg(QString::fromStdString(boreas.AddressText())));
                    notAttached->setCurrentRow(0);
                    QCOMPARE(Field<QLineEdit>(dialog, "UserEdit")->text(), QStringLiteral("JDOE"));
                } else {
                    QCOMPARE(notAttached->count(), 0);
                    Type(dialog, "AddressEdit", QStringLiteral("127.0.0.1"));
                    Field<QSpinBox>(dialog, "PortBox")->setValue(boreas.port);
                    Type(dialog, "UserEdit", QStringLiteral("JDOE"));
                    Field<QCheckBox>(dialog, "SaveBox")->setChecked(true);
                }
                Type(dialog, "PasswordEdit", QStringLiteral("sales"));
                QTest::mouseClick(Field<QPushButton>(dialog, "TestButton"), Qt::LeftButton);
                QTRY_VERIFY_WITH_TIMEOUT(Field<QLabel>(dialog, "StatusLabel")->text() ==
                                             QStringLiteral("Reached BOREAS: logged in as JDOE"),
                                         10000);
                QTest::mouseClick(Field<QPushButton>(dialog, "AttachButton"), Qt::LeftButton);
            });
            live.Choose(0, QStringLiteral("Attach a server…"));
            QTRY_VERIFY_WITH_TIMEOUT(form.ServerList->count() == 2, 10000);
            const QString saved = QStringLiteral("\n[BOREAS]\nAddress = %1\nUser = JDOE\n")
                                      .arg(QString::fromStdString(boreas.AddressText()));
            QCOMPARE(live.FileText(), retry ? originalFile : originalFile + saved);
        }

        QTRY_COMPARE_WITH_TIMEOUT(form.ServerList->items(), entries, 10000);
        const int chosen = form.ServerList->itemIndex();
        QVERIFY(chosen >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(live.State(chosen).startsWith(state), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(form.EditUser->text(), user, 10000);
        QCOMPARE(form.windowTitle(), form.ServerList->itemText(chosen) + QStringLiteral(": ") + user);
        QCOMPARE(live.boxes.texts(), boxes);
        QVERIFY(CurrentConn != 0);
    }
};

QTEST_MAIN(ConnectionMenuLoopbackTest)
#include "ConnectionMenuLoopbackTest.moc"
