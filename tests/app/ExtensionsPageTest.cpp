// The Extensions page: the extension list, loading and unloading NLMs, through the real window.

#include "WindowFixture.h"

#include "app/widgets/TabbedNotebook.h"
#include "ncp/StatusCodes.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

struct ExtensionsFixture : WindowFixture {
    explicit ExtensionsFixture(std::vector<RecordingClient::ScriptedExtension> extensions = {}) {
        RecordingClient::ScriptedServer server;
        server.name = "FS4";
        server.majorVersion = 3;
        server.extensions = std::move(extensions);
        server.moduleExtensions["QVEXT.NLM"] = {
            {.id = 0x77, .name = "QV_EXT", .majorVersion = 2, .minorVersion = 1}};
        Connect(server);
    }

    TMainForm& OpenOnExtensions() {
        TMainForm& window = Open();
        window.TabbedNotebook1->setPageIndex(1);
        return window;
    }

    QStringList Lines() const {
        QStringList lines;
        for (int row = 0; row < form->ListBoxNCPExtensions->count(); ++row)
            lines << form->ListBoxNCPExtensions->item(row)->text();
        return lines;
    }
};

} // namespace

class ExtensionsPageTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void enteringThePageListsTheExtensions() {
        ExtensionsFixture fixture(
            {{.id = 3, .name = "XYZ", .majorVersion = 1, .minorVersion = 2, .revision = 10},
             {.id = 9, .name = "DSLOADER", .majorVersion = 255, .minorVersion = 0}});
        fixture.OpenOnExtensions();
        QCOMPARE(fixture.Lines(), (QStringList{"XYZ Rev 1.2.10", "DSLOADER Rev 255.0.0"}));
        QCOMPARE(LastStatus, static_cast<std::uint32_t>(StatusCodes::NoSuchExtension));
        QVERIFY(fixture.boxes.boxes().empty());
    }

    void aFailingScanGivesAnEmptyListSilently() {
        ExtensionsFixture fixture({{.id = 3, .name = "XYZ"}});
        fixture.client.FailAlways("ScanNCPExtensions", 0x8801);
        TMainForm& form = fixture.Open();
        form.ListBoxNCPExtensions->addItem(QStringLiteral("stale"));
        form.TabbedNotebook1->setPageIndex(1);
        QCOMPARE(fixture.Lines(), QStringList{});
        QVERIFY(fixture.boxes.boxes().empty());
    }

    void aScanThatComesBackToAnEarlierIdEnds() {
        // IDs 1, 2, 1: the client would hand out 2 and 1 forever.
        ExtensionsFixture fixture({{.id = 1, .name = "A"}, {.id = 2, .name = "B"}, {.id = 1, .name = "C"}});
        fixture.OpenOnExtensions();
        QCOMPARE(fixture.Lines(), (QStringList{"A Rev 1.0.0", "B Rev 1.0.0"}));
    }

    void loadAndUnload_data() {
        QTest::addColumn<QStringList>("actions"); // "load NAME" / "unload NAME"
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("lines");
        QTest::addRow("load registers the extension")
            << QStringList{"load QVEXT.NLM"} << QStringList{} << QStringList{"QV_EXT Rev 2.1.0"};
        QTest::addRow("names are case-insensitive to the server")
            << QStringList{"load qvext.nlm"} << QStringList{} << QStringList{"QV_EXT Rev 2.1.0"};
        QTest::addRow("loading twice")
            << QStringList{"load QVEXT.NLM", "load QVEXT.NLM"} << QStringList{"Error 8902: NWSMLoadNLM"}
            << QStringList{"QV_EXT Rev 2.1.0"};
        QTest::addRow("unload removes it")
            << QStringList{"load QVEXT.NLM", "unload QVEXT.NLM"} << QStringList{} << QStringList{};
        QTest::addRow("unloading a module not loaded")
            << QStringList{"unload QVEXT.NLM"} << QStringList{"Error 8903: NWSMUnloadNLM"} << QStringList{};
        QTest::addRow("an empty name is sent and its status reported")
            << QStringList{"load "} << QStringList{"Error 8904: NWSMLoadNLM"} << QStringList{};
    }

    void loadAndUnload() {
        QFETCH(QStringList, actions);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, lines);
        ExtensionsFixture fixture;
        TMainForm& form = fixture.OpenOnExtensions();
        for (const QString& action : actions) {
            const QString name = action.section(QLatin1Char(' '), 1);
            form.EditNLMName->setText(name);
            fixture.client.ClearCalls();
            QTest::mouseClick(action.startsWith(QLatin1String("load")) ? form.ButtonLoadNLM
                                                                       : form.ButtonUnloadNLM,
                              Qt::LeftButton);
            // The call, then the refresh, whatever the status.
            const QStringList calls = fixture.client.CallList();
            QVERIFY(!calls.isEmpty());
            QCOMPARE(
                calls.front(),
                QStringLiteral("%1(conn=101,name=%2)")
                    .arg(action.startsWith(QLatin1String("load")) ? "NWSMLoadNLM" : "NWSMUnloadNLM", name));
            QCOMPARE(calls.at(1), QStringLiteral("ScanNCPExtensions(conn=101,id=4294967295)"));
        }
        QCOMPARE(fixture.boxes.texts(), boxes);
        QCOMPARE(fixture.Lines(), lines);
    }

    void aLongModuleNameIsCutBeforeItsTerminator() {
        ExtensionsFixture fixture;
        TMainForm& form = fixture.OpenOnExtensions();
        form.EditNLMName->setText(QString(300, QLatin1Char('N')));
        fixture.client.ClearCalls();
        form.ButtonLoadNLM->click();
        const std::string call = fixture.client.CallsNamed("NWSMLoadNLM").at(0);
        QCOMPARE(call, "NWSMLoadNLM(conn=101,name=" + std::string(254, 'N') + ")");
    }
};

QTEST_MAIN(ExtensionsPageTest)
#include "ExtensionsPageTest.moc"
