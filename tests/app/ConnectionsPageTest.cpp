// Starting the window and choosing servers: the Connections page, the caption, the settings file, boxes.

#include "WindowFixture.h"

#include "util/ProgramDirectory.h"
#include "app/widgets/RadioGroup.h"
#include "app/widgets/TabbedNotebook.h"
#include "ncp/StatusCodes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr std::uint32_t AdminId = 0x100;

RecordingClient::ScriptedServer Server(const std::string& name, std::uint8_t major, std::uint8_t minor) {
    RecordingClient::ScriptedServer server;
    server.name = name;
    server.majorVersion = major;
    server.minorVersion = minor;
    server.connectionsInUse = 12;
    server.maxConnections = 250;
    server.volumeCount = 4;
    if (major >= 4) {
        server.serverDN = "CN=" + name + ".O=ACME";
        server.binderyContext = "OU=SALES.O=ACME";
    } else {
        server.serverDNStatus = StatusCodes::DSNotAvailable;
        server.binderyContextStatus = StatusCodes::DSNotAvailable;
    }
    RecordingClient::ScriptedUser admin{.objectId = AdminId, .binderyName = "ADMIN"};
    if (major >= 4)
        admin.dsName = "CN=Admin.O=ACME";
    else
        admin.dsStatus = StatusCodes::DSNotAvailable;
    server.users.push_back(admin);
    return server;
}

QStringList Fields(const TMainForm& form) {
    return {form.EditUser->text(), form.EditSrv->text(), form.EditVer->text(),
            form.EditConn->text(), form.EditVol->text(), form.EditBndCtx->text()};
}

const QStringList InitialFields{QStringLiteral("EditUser"), QStringLiteral("EditSrv"),
                                QStringLiteral("EditVer"),  QStringLiteral("EditConn"),
                                QStringLiteral("EditVol"),  QStringLiteral("EditBndCtx")};

} // namespace

class ConnectionsPageTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startWithoutConnections() {
        WindowFixture fixture;
        TMainForm& form = fixture.Open();
        QCOMPARE(form.ServerList->count(), 0);
        QCOMPARE(Fields(form), InitialFields);
        QCOMPARE(form.windowTitle(), QStringLiteral("Tessaline"));
        QCOMPARE(CurrentConn, 0u);
        QCOMPARE(form.TabbedNotebook1->pageIndex(), 0);
        QVERIFY(fixture.boxes.boxes().empty());
        QVERIFY(form.TimerScreenUpdate->isActive());
        QCOMPARE(form.TimerScreenUpdate->interval(), 60000);
        QCOMPARE(form.frameGeometry().size(), QSize(683, 462));
    }

    void tabMovesAlongThePagesFocusOrder() {
        WindowFixture fixture;
        fixture.Connect(Server("FS5", 5, 0), AdminId);
        fixture.Connect(Server("FS3", 3, 12), AdminId);
        TMainForm& form = fixture.Open();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.EditUser->setFocus();
        QStringList order;
        for (int step = 0; step < 6; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            order << (form.ServerList->isAncestorOf(focused) ? QStringLiteral("ServerList")
                                                             : focused->objectName());
        }
        QCOMPARE(order,
                 (QStringList{"EditSrv", "EditVer", "EditConn", "EditVol", "EditBndCtx", "ServerList"}));
    }

    void serversOfEachVersion_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("directoryCalls");
        QTest::addRow("version 5: directory name and bindery context")
            << 0 << QStringList{"CN=Admin.O=ACME", "CN=FS5.O=ACME", "v5.0", "12 of 250 used", "4",
                                "OU=SALES.O=ACME"}
            << "FS5: CN=Admin.O=ACME" << 1;
        QTest::addRow("version 4.11")
            << 1 << QStringList{"CN=Admin.O=ACME", "CN=FS4.O=ACME", "v4.11", "12 of 250 used", "4",
                                "OU=SALES.O=ACME"}
            << "FS4: CN=Admin.O=ACME" << 1;
        QTest::addRow("version 3: the bindery name, no directory request")
            << 2 << QStringList{"ADMIN", "FS3", "v3.12", "12 of 250 used", "4", ""} << "FS3: ADMIN" << 0;
        QTest::addRow("nobody authenticated")
            << 3 << QStringList{"<not authenticated>", "CN=FS9.O=ACME", "v4.10", "12 of 250 used", "4",
                                "OU=SALES.O=ACME"}
            << "FS9: <not authenticated>" << 1;
    }

    void serversOfEachVersion() {
        QFETCH(int, entry);
        QFETCH(QStringList, fields);
        QFETCH(QString, caption);
        QFETCH(int, directoryCalls);
        WindowFixture fixture;
        fixture.Connect(Server("FS5", 5, 0), AdminId);
        fixture.Connect(Server("FS4", 4, 11), AdminId);
        fixture.Connect(Server("FS3", 3, 12), AdminId);
        fixture.Connect(Server("FS9", 4, 10), 0);
        TMainForm& form = fixture.Open();
        QCOMPARE(form.ServerList->items(), (QStringList{"FS5", "FS4", "FS3", "FS9"}));
        QCOMPARE(form.ServerList->itemIndex(), 0);
        // Another server first, so that every row is a fresh choice over the fields of another server.
        form.ServerList->setItemIndex(entry == 1 ? 2 : 1);
        fixture.client.ClearCalls();
        form.ServerList->setItemIndex(entry);

        QCOMPARE(Fields(form), fields);
        // Long directory names show from their start.
        QCOMPARE(form.EditUser->cursorPosition(), 0);
        QCOMPARE(form.EditSrv->cursorPosition(), 0);
        QCOMPARE(form.windowTitle(), caption);
        QCOMPARE(fixture.client.CallCount("NWDSGetServerDN"), directoryCalls);
        QCOMPARE(fixture.client.CallCount("GetBinderyContext"), directoryCalls);
        QCOMPARE(CurrentConn, 101u + static_cast<std::uint32_t>(entry));
        QCOMPARE(fixture.client.LiveContexts(), 0);
        QVERIFY(fixture.boxes.boxes().empty());
    }

    void choosingTheChosenServerAgainDoesNothing() {
        WindowFixture fixture;
        fixture.Connect(Server("FS5", 5, 0), AdminId);
        TMainForm& form = fixture.Open();
        fixture.client.ClearCalls();
        form.ServerList->setItemIndex(0);
        QVERIFY(fixture.client.Calls().empty());
    }

    // Each row: a failure injected into the first choice (made by FormCreate) on a version-4 server. Fields
    // that the failure keeps from this server's data are emptied, never left showing another server's.
    void failures_data() {
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<uint>("status");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("details");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("caption");
        const QString dn = QStringLiteral("CN=FS4.O=ACME");
        const QString admin = QStringLiteral("CN=Admin.O=ACME");
        QTest::addRow("lookup fails") << "OpenConnByReference" << 0x8801u << true << QStringList{}
                                      << QStringList{} << QStringList{"", "", "", "", "", ""} << "FS4: ";
        QTest::addRow("user name unreadable")
            << "GetConnInfo" << 0x8801u << true << QStringList{} << QStringList{}
            << QStringList{"", dn, "v4.11", "12 of 250 used", "4", "OU=SALES.O=ACME"} << "FS4: ";
        QTest::addRow("server information fails")
            << "NWGetFileServerInformation" << 0x8801u << true
            << QStringList{"Error 8801: NWGetFileServerInformation"}
            << QStringList{"The connection to FS4 is not open"} << QStringList{admin, "", "", "", "", ""}
            << "FS4: CN=Admin.O=ACME";
        QTest::addRow("no directory context")
            << "NWDSCreateContextHandle" << 0x8801u << true
            << QStringList{"Error 0148: NWDSCreateContextHandle"}
            << QStringList{"No directory context could be made"}
            << QStringList{admin, "FS4", "v4.11", "12 of 250 used", "4", ""} << "FS4: CN=Admin.O=ACME";
        QTest::addRow("directory name fails")
            << "NWDSGetServerDN" << 0xFFFFFDA7u << true << QStringList{"Error FFFFFDA7: NWDSGetServerDN"}
            << QStringList{"The directory of FS4 has no such entry"}
            << QStringList{admin, "FS4", "v4.11", "12 of 250 used", "4", "OU=SALES.O=ACME"}
            << "FS4: CN=Admin.O=ACME";
        QTest::addRow("directory refused to a connection without a login")
            << "NWDSGetServerDN" << 0xFFFFFC1Eu << false << QStringList{"Error FFFFFC1E: NWDSGetServerDN"}
            << QStringList{"Nobody is logged in on the connection to FS4, and FS4 answers directory requests "
                           "only after a login"}
            << QStringList{"<not authenticated>", "FS4", "v4.11", "12 of 250 used", "4", "OU=SALES.O=ACME"}
            << "FS4: <not authenticated>";
        QTest::addRow("directory refused by a server without directory services")
            << "NWDSGetServerDN" << 0xFFFFFC1Eu << true << QStringList{"Error FFFFFC1E: NWDSGetServerDN"}
            << QStringList{"FS4 has no directory services"}
            << QStringList{admin, "FS4", "v4.11", "12 of 250 used", "4", "OU=SALES.O=ACME"}
            << "FS4: CN=Admin.O=ACME";
        QTest::addRow("bindery context fails")
            << "GetBinderyContext" << 0xFFFFFDA7u << true << QStringList{} << QStringList{}
            << QStringList{admin, dn, "v4.11", "12 of 250 used", "4", ""} << "FS4: CN=Admin.O=ACME";
    }

    void failures() {
        QFETCH(QString, failingCall);
        QFETCH(uint, status);
        QFETCH(bool, loggedIn);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, details);
        QFETCH(QStringList, fields);
        QFETCH(QString, caption);
        WindowFixture fixture;
        fixture.Connect(Server("FS4", 4, 11), loggedIn ? AdminId : 0);
        fixture.client.FailAlways(failingCall.toStdString(), status);
        TMainForm& form = fixture.Open();

        QCOMPARE(fixture.boxes.texts(), boxes);
        QStringList seenDetails;
        for (const ModalBoxCloser::SeenBox& box : fixture.boxes.boxes()) {
            QCOMPARE(box.caption, QStringLiteral("Fehler"));
            QCOMPARE(box.icon, static_cast<int>(QMessageBox::Critical));
            QCOMPARE(box.buttons, QStringList{"OK"});
            QVERIFY(box.centredOnScreen);
            seenDetails << box.detail;
        }
        QCOMPARE(seenDetails, details);
        QCOMPARE(Fields(form), fields);
        QCOMPARE(form.windowTitle(), caption);
        QCOMPARE(fixture.client.LiveContexts(), 0);
    }

    // A server whose connection is gone since start: the page shows nothing of the server chosen before.
    void aVanishedConnectionEmptiesThePreviousServersFields() {
        WindowFixture fixture;
        fixture.Connect(Server("FS5", 5, 0), AdminId);
        fixture.Connect(Server("FS3", 3, 12), AdminId);
        TMainForm& form = fixture.Open();
        fixture.client.Connection(2).serverName = "GONE"; // the scan no longer finds FS3
        form.EditUser->setText(QStringLiteral("typed by hand"));
        form.ServerList->setItemIndex(1);

        QCOMPARE(form.windowTitle(), QStringLiteral("FS3: "));
        QCOMPARE(Fields(form), (QStringList{"", "", "", "", "", ""}));
        QCOMPARE(CurrentConn, 0u);
        QCOMPARE(LastStatus, static_cast<std::uint32_t>(StatusCodes::NoMoreEntries));
        QVERIFY(fixture.boxes.boxes().empty());
    }

    void theErrorBoxForcesTheArrowAndRestoresTheCursor() {
        WindowFixture fixture;
        fixture.Connect(Server("FS4", 4, 11), AdminId);
        fixture.client.FailAlways("NWGetFileServerInformation", 0x12);
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        fixture.Open();
        QCOMPARE(fixture.boxes.texts(), QStringList{"Error 0012: NWGetFileServerInformation"});
        QCOMPARE(fixture.boxes.boxes()[0].overrideCursor, std::optional<Qt::CursorShape>(Qt::ArrowCursor));
        QVERIFY(QGuiApplication::overrideCursor() != nullptr);
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
        QGuiApplication::restoreOverrideCursor();
    }

    void escapeClosesTheErrorBoxToo() {
        WindowFixture fixture;
        fixture.boxes.closeKey = Qt::Key_Escape;
        fixture.Connect(Server("FS4", 4, 11), AdminId);
        fixture.client.FailAlways("NWGetFileServerInformation", 0x8801);
        TMainForm& form = fixture.Open();
        QCOMPARE(fixture.boxes.texts(), QStringList{"Error 8801: NWGetFileServerInformation"});
        QCOMPARE(form.windowTitle(), QStringLiteral("FS4: CN=Admin.O=ACME"));
    }

    void startUpMessagesComeInOrder() {
        WindowFixture fixture;
        fixture.client.startClientStatus = 0x8866;
        fixture.client.startClxStatus = 0x8866;
        fixture.client.primaryRefStatus = 0x8847;
        fixture.Open();
        QCOMPARE(fixture.boxes.texts(),
                 (QStringList{"Could not Initialize NetWare Client", "Could not Initialize NWCLX"}));
        QCOMPARE(fixture.boxes.boxes()[0].icon, static_cast<int>(QMessageBox::NoIcon));
    }

    void settingsAcrossRuns() {
        WindowFixture fixture;
        {
            TMainForm& form = fixture.Open();
            QCOMPARE(form.EditNLMSourcePath->text().toStdString(), ProgramDirectory());
            QVERIFY(form.EditNLMSourcePath->text().endsWith(QLatin1Char('/')));
            form.EditNLMSourcePath->setText(QString());
            QVERIFY(form.close());
        }
        QCOMPARE(fixture.SettingsText(), std::string("[Paths]\nTransfer Path=\n"));
        // A stored empty path is a value, not a missing one.
        TMainForm& again = fixture.Open();
        QCOMPARE(again.EditNLMSourcePath->text(), QString());
        again.EditNLMSourcePath->setText(QStringLiteral("/srv/nlm"));
        QVERIFY(again.close());
        QCOMPARE(fixture.SettingsText(), std::string("[Paths]\nTransfer Path=/srv/nlm\n"));
    }

    void aFailedSettingsWriteKeepsTheWindowOpen() {
        WindowFixture fixture;
        TMainForm& form = fixture.Open();
        const QString file = QString::fromStdString(NetUtil::SettingsFilePath("QVEXT"));
        QVERIFY(QDir().mkpath(file)); // a directory where the file should go: no write can succeed

        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QCOMPARE(fixture.boxes.texts(),
                 QStringList{QStringLiteral("nach %1 kann nicht geschrieben werden").arg(file)});

        QVERIFY(QDir(file).removeRecursively());
        QVERIFY(form.close());
        QCOMPARE(fixture.boxes.boxes().size(), size_t{1});
        QVERIFY(fixture.SettingsText().find("Transfer Path=") != std::string::npos);
    }

    void timerTicksArriveWhileABoxIsOpen() {
        WindowFixture fixture;
        fixture.Connect(Server("FS4", 4, 11), AdminId);
        TMainForm& form = fixture.Open();
        fixture.client.FailAlways("NWSMLoadNLM", 0x8901);
        int lookupsDuringBox = 0;
        fixture.boxes.whileOpen = [&] {
            const int before = fixture.client.CallCount("GetNCPExtensionInfoByName");
            form.TimerScreenUpdate->setInterval(1);
            QVERIFY(QTest::qWaitFor(
                [&] { return fixture.client.CallCount("GetNCPExtensionInfoByName") > before; }, 5000));
            form.TimerScreenUpdate->setInterval(TMainForm::ScreenRefreshMilliseconds);
            lookupsDuringBox = fixture.client.CallCount("GetNCPExtensionInfoByName") - before;
        };
        form.ButtonLoadNLM->click();
        QCOMPARE(fixture.boxes.texts(), QStringList{"Error 8901: NWSMLoadNLM"});
        QVERIFY(lookupsDuringBox > 0);
    }
};

QTEST_MAIN(ConnectionsPageTest)
#include "ConnectionsPageTest.moc"
