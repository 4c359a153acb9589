// What a user meets beyond the handlers: the window's outer size and place, its title and icon, words below
// error boxes, the keyboard after a box, tool tips after a success and on fields too narrow for their text,
// and server names as 8-bit text in the transfer's network path.

#include "WindowFixture.h"

#include "util/ProgramDirectory.h"
#include "app/WindowPlacement.h"
#include "app/widgets/RadioGroup.h"
#include "app/widgets/TabbedNotebook.h"
#include "ncp/StatusCodes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QWindow>

namespace {

constexpr std::uint32_t UserId = 0x100;

struct DesktopFixture : WindowFixture {
    QTemporaryDir source;
    QTemporaryDir volumes;

    explicit DesktopFixture(const std::string& serverName = "FS4", const std::string& userName = "ADMIN") {
        RecordingClient::ScriptedServer server;
        server.name = serverName;
        server.majorVersion = 3;
        server.users.push_back(
            {.objectId = UserId, .dsStatus = StatusCodes::DSNotAvailable, .binderyName = userName});
        server.moduleExtensions["QVEXT.NLM"] = {{.id = 0x77, .name = "QV_EXT"}};
        Connect(server, UserId);
        client.volumeDirectories[serverName + "\\SYS"] = QDir(volumes.path()).filePath("SYS").toStdString();
        QDir(volumes.path()).mkpath(QStringLiteral("SYS/SYSTEM"));
        QFile module(QDir(source.path()).filePath(QStringLiteral("QVEXT.NLM")));
        if (module.open(QIODevice::WriteOnly))
            module.write(QByteArray(522, 'N'));
    }

    TMainForm& OpenOnExtensions() {
        TMainForm& window = Open();
        window.TabbedNotebook1->setPageIndex(1);
        window.EditNLMSourcePath->setText(source.path());
        return window;
    }
};

} // namespace

class DesktopBehaviourTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theWindowIsCentredByItsFrame_data() {
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("framePosition");
        QTest::addColumn<QSize>("clientSize");
        QTest::addRow("no window manager")
            << QMargins() << QRect(0, 0, 1024, 768) << QPoint(170, 153) << QSize(683, 462);
        QTest::addRow("openbox's frame")
            << QMargins(1, 20, 1, 5) << QRect(0, 0, 1024, 768) << QPoint(170, 153) << QSize(681, 437);
        QTest::addRow("panel above") << QMargins(4, 30, 4, 4) << QRect(0, 40, 1920, 1040) << QPoint(618, 329)
                                     << QSize(675, 428);
        QTest::addRow("screen smaller than the window")
            << QMargins(1, 20, 1, 5) << QRect(0, 0, 640, 400) << QPoint(0, 0) << QSize(681, 437);
    }

    void theWindowIsCentredByItsFrame() {
        QFETCH(QMargins, frame);
        QFETCH(QRect, available);
        QFETCH(QPoint, framePosition);
        QFETCH(QSize, clientSize);
        const WindowPlace place = CentredPlace(QSize(683, 462), frame, available);
        QCOMPARE(place.framePosition, framePosition);
        QCOMPARE(place.clientSize, clientSize);
    }

    void aTitleShowsItsTextLiterally() {
        DesktopFixture fixture("FS4", "a[*]b");
        TMainForm& form = fixture.Open();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowHandle()->title(), QStringLiteral("FS4: a[*]b"));
    }

    void theWindowHasTheProgramsIcon() {
        DesktopFixture fixture;
        const QList<QSize> sizes = fixture.Open().windowIcon().availableSizes();
        for (const int size : {16, 32, 48, 256})
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
    }

    void aServerNameBeyondAsciiReachesItsOwnNetworkPath() {
        const std::string server = "FS\xC9"; // Latin-1 É
        DesktopFixture fixture(server);
        TMainForm& form = fixture.OpenOnExtensions();
        QCOMPARE(form.ServerList->itemText(0), QStringLiteral("FSÉ"));
        QTest::mouseClick(form.ButtonCopyToServer, Qt::LeftButton);
        QCOMPARE(fixture.boxes.texts(), QStringList{});
        QVERIFY(QFile::exists(QDir(fixture.volumes.path()).filePath(QStringLiteral("SYS/SYSTEM/QVEXT.NLM"))));
        QVERIFY(fixture.client.CallsNamed("GetVolumeDirectory")
                    .at(0)
                    .starts_with("GetVolumeDirectory(server=" + server + ",volume=SYS,"));
    }

    void errorBoxesSayInWordsWhatFailed_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("detail");
        QTest::addRow("unloading a module not loaded") << "ButtonUnloadNLM"
                                                       << "QVEXT.NLM"
                                                       << "Error 8903: NWSMUnloadNLM"
                                                       << "QVEXT.NLM is not loaded on FS4";
        // The copy's status stays 0xFFFF; the line below names what went wrong.
        QTest::addRow("a source file that is not there")
            << "ButtonCopyToServer"
            << "NOPE.NLM"
            << "Error FFFF: CopyFile"
            << "COPYFAILED: there is no such file; check the source path and the NLM name";
        QTest::addRow("a read-only module in SYS:SYSTEM")
            << "ButtonCopyToServer"
            << "QVEXT.NLM"
            << "Error FFFF: CopyFile"
            << "COPYFAILED: the file in SYS:SYSTEM is read-only";
    }

    void errorBoxesSayInWordsWhatFailed() {
        QFETCH(QString, button);
        QFETCH(QString, module);
        QFETCH(QString, text);
        QFETCH(QString, detail);
        DesktopFixture fixture;
        if (detail.contains(QStringLiteral("read-only"))) {
            QFile old(QDir(fixture.volumes.path()).filePath(QStringLiteral("SYS/SYSTEM/QVEXT.NLM")));
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
            old.close();
            QVERIFY(old.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        TMainForm& form = fixture.OpenOnExtensions();
        form.EditNLMName->setText(module);
        QTest::mouseClick(form.findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(fixture.boxes.texts(), QStringList{text});
        QCOMPARE(fixture.boxes.boxes()[0].caption, QStringLiteral("Fehler"));
        if (detail.startsWith(QLatin1String("COPYFAILED")))
            detail = QDir(fixture.source.path()).filePath(module) +
                     QStringLiteral(" could not be copied to \\\\FS4\\SYS\\SYSTEM") + detail.mid(10);
        QCOMPARE(fixture.boxes.boxes()[0].detail, detail);
    }

    // The transfer's default source: the program's directory when it holds the module, else an installed
    // tree's share/tessaline beside its bin directory.
    void theTransferSourceFallsBackToTheInstalledShare_data() {
        QTest::addColumn<QStringList>("modules"); // where QVEXT.NLM lies below the prefix
        QTest::addColumn<QString>("expected");    // below the prefix
        QTest::addRow("build tree: beside the program") << QStringList{"bin"} << "bin/";
        QTest::addRow("installed: share/tessaline") << QStringList{"share/tessaline"} << "share/tessaline/";
        QTest::addRow("both: the program's own first") << QStringList{"bin", "share/tessaline"} << "bin/";
        QTest::addRow("neither: the program's directory") << QStringList{} << "bin/";
    }
    void theTransferSourceFallsBackToTheInstalledShare() {
        QFETCH(QStringList, modules);
        QFETCH(QString, expected);
        QTemporaryDir prefix;
        QDir(prefix.path()).mkpath(QStringLiteral("bin"));
        for (const QString& directory : modules) {
            QDir(prefix.path()).mkpath(directory);
            QFile module(QDir(prefix.path()).filePath(directory + QStringLiteral("/QVEXT.NLM")));
            QVERIFY(module.open(QIODevice::WriteOnly));
        }
        QCOMPARE(QString::fromStdString(TransferDirectoryFor(prefix.path().toStdString() + "/bin/")),
                 prefix.path() + QLatin1Char('/') + expected);
    }

    void theWindowIsActiveAgainWhenABoxCloses() {
        DesktopFixture fixture;
        TMainForm& form = fixture.OpenOnExtensions();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        fixture.boxes.closeKey = Qt::Key_Escape;
        QTest::mouseClick(form.ButtonUnloadNLM, Qt::LeftButton); // not loaded: a box
        QCOMPARE(fixture.boxes.boxes().size(), size_t{1});
        QTRY_COMPARE(QApplication::activeWindow(), &form);
    }

    void successesShowATipAtTheirButton_data() {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("tip");
        QTest::addRow("Transfer") << QStringList{"ButtonCopyToServer"}
                                  << "Copied QVEXT.NLM to \\\\FS4\\SYS\\SYSTEM, 522 bytes";
        QTest::addRow("Load") << QStringList{"ButtonLoadNLM"} << "Loaded QVEXT.NLM";
        QTest::addRow("Unload") << QStringList{"ButtonLoadNLM", "ButtonUnloadNLM"} << "Unloaded QVEXT.NLM";
    }

    void successesShowATipAtTheirButton() {
        QFETCH(QStringList, buttons);
        QFETCH(QString, tip);
        DesktopFixture fixture;
        TMainForm& form = fixture.OpenOnExtensions();
        for (const QString& button : buttons)
            QTest::mouseClick(form.findChild<QPushButton*>(button), Qt::LeftButton);
        QVERIFY(fixture.boxes.boxes().empty());
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), tip);
        QToolTip::hideText();
    }

    void connectionFieldsShowTheirWholeTextWhenItDoesNotFit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("tip");
        QTest::addRow("short") << "CN=ATLAS.O=ACME" << false;
        QTest::addRow("long") << "CN=ATLAS-PRIMARY-FILESERVER.OU=HEADQUARTERS.O=ACME" << true;
    }

    void connectionFieldsShowTheirWholeTextWhenItDoesNotFit() {
        QFETCH(QString, text);
        QFETCH(bool, tip);
        DesktopFixture fixture;
        TMainForm& form = fixture.Open();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EditSrv->setText(text);
        QHelpEvent ask(QEvent::ToolTip, QPoint(5, 5), form.EditSrv->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(form.EditSrv, &ask);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tip ? text : QString());
        QToolTip::hideText();
    }
};

QTEST_MAIN(DesktopBehaviourTest)
#include "DesktopBehaviourTest.moc"
