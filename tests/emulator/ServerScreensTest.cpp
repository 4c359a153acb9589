#include "EmulatorTestSupport.h"

#include "emulator/ConsoleCommands.h"
#include "emulator/ConsoleScreen.h"
#include "emulator/MonitorScreen.h"
#include "emulator/SystemConsoleScreen.h"

#include <QObject>
#include <QTest>

using namespace EmulatorTest;
using Emulator::ConsoleScreen;

// The console screens of an emulated server: the system console and its commands, the monitor, the logger.
class ServerScreensTest final : public QObject {
    Q_OBJECT

    struct Fixture {
        QTemporaryDir volumes;
        ManualClock clock;
        std::unique_ptr<Emulator::Server> server = std::make_unique<Emulator::Server>(
            Config("ATLAS", 5), volumes.path().toStdString(), clock.AsClock());

        Fixture() {
            server->ServerVolumes().WriteSystemFileIfMissing("QVEXT.NLM", std::vector<std::uint8_t>{0});
            server->ServerVolumes().WriteSystemFileIfMissing("MONITOR.NLM", std::vector<std::uint8_t>{0});
        }
        ConsoleScreen& Screen(const char* name) { return *server->Console().ScreenByName(name); }
        ConsoleScreen& SystemConsole() { return Screen("System Console"); }
        void Type(const std::string& text) {
            for (const char c : text)
                SystemConsole().HandleKey(static_cast<std::uint8_t>(c));
        }
        QStringList Rows(const char* name) {
            ConsoleScreen& screen = Screen(name);
            screen.Refresh();
            QStringList rows;
            for (int row = 0; row < 25; ++row)
                rows << QString::fromLatin1(screen.Cells().RowText(row));
            return rows;
        }
        QString CursorRow() {
            const auto& cells = SystemConsole().Cells();
            return QString::fromLatin1(cells.RowText(cells.CursorRow())).trimmed();
        }
        QStringList Extensions() {
            QStringList names;
            for (const auto& info : server->Extensions().All())
                names << QString::fromStdString(info.name);
            return names;
        }
    };

private Q_SLOTS:
    void promptEchoesTypedCharacters() {
        Fixture fixture;
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:"));
        fixture.Type("Modu");
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:Modu"));
        fixture.SystemConsole().HandleKey(0x0008);
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:Mod"));
        fixture.SystemConsole().HandleKey(0x001B);
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:"));
        // Backspace on an empty line leaves the prompt alone.
        fixture.SystemConsole().HandleKey(0x0008);
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:"));
    }

    void carriageReturnRunsTheLine() {
        Fixture fixture;
        fixture.server->LoadModule("QVEXT.NLM");
        const int row = fixture.SystemConsole().Cells().CursorRow();
        fixture.Type("modules\r");
        const QStringList rows = fixture.Rows("System Console");
        QCOMPARE(rows[row].trimmed(), QStringLiteral("ATLAS:modules"));
        QVERIFY(rows[row + 1].startsWith("QVEXT.NLM      Tessaline Remote Console Extension"));
        QCOMPARE(rows[row + 2].trimmed(), QStringLiteral("1 modules loaded"));
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:"));
    }

    void commands_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("unknown") << "frobnicate"
                                 << "???  Unknown command ???";
        QTest::newRow("help") << "help"
                              << "Console commands:";
        QTest::newRow("version") << "VERSION"
                                 << "NetWare v5.00 revision 0, server ATLAS";
        QTest::newRow("volumes") << "volumes"
                                 << "Mounted Volumes      Name Spaces";
        QTest::newRow("config") << "config"
                                << "File server name: ATLAS";
        QTest::newRow("time") << "time"
                              << "Time synchronization is active.";
        QTest::newRow("load missing") << "load nothing"
                                      << "Unable to find load file NOTHING.NLM";
        QTest::newRow("unload not loaded") << "unload monitor"
                                           << "Module MONITOR.NLM is not loaded";
        QTest::newRow("load without name") << "load"
                                           << "LOAD needs the name of a module";
    }
    void commands() {
        QFETCH(QString, line);
        QFETCH(QString, firstLine);
        Fixture fixture;
        const Emulator::CommandResult result =
            Emulator::RunConsoleCommand(*fixture.server, line.toStdString());
        QVERIFY(!result.lines.empty());
        QCOMPARE(QString::fromStdString(result.lines.front()), firstLine);
    }

    void timeUsesTheServerClock() {
        Fixture fixture;
        const auto result = Emulator::RunConsoleCommand(*fixture.server, "TIME");
        QCOMPARE(QString::fromStdString(result.lines.at(1)),
                 QStringLiteral("Wednesday, May 15, 2024  3:04:00 pm UTC"));
    }

    void loadAndUnloadChangeTheExtensions() {
        Fixture fixture;
        fixture.Type("load qvext\r");
        QCOMPARE(fixture.Extensions(), QStringList{"QV_EXT"});
        QVERIFY(fixture.server->IsModuleLoaded("QVEXT.NLM"));
        fixture.Type("load QVEXT.NLM\r");
        QVERIFY(fixture.Rows("System Console").join('\n').contains("Module QVEXT.NLM is already loaded"));
        fixture.Type("unload qvext.nlm\r");
        QVERIFY(fixture.Extensions().isEmpty());
    }

    void historyRecallsEarlierLines() {
        Fixture fixture;
        fixture.Type("version\r");
        fixture.Type("volumes\r");
        auto& console = dynamic_cast<Emulator::SystemConsoleScreen&>(fixture.SystemConsole());
        console.HandleKey(0x4800);
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:volumes"));
        console.HandleKey(0x4800);
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:version"));
        console.HandleKey(0x4800); // at the oldest: stays
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:version"));
        console.HandleKey(0x5000);
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:volumes"));
        console.HandleKey(0x5000);
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:"));
        console.HandleKey(0x4800);
        console.HandleKey('\r');
        QCOMPARE(console.History(), (std::vector<std::string>{"version", "volumes"}));
    }

    void clsAndClearLeaveOnlyThePrompt_data() {
        QTest::addColumn<bool>("byCommand");
        QTest::newRow("CLS command") << true;
        QTest::newRow("clear message") << false;
    }
    void clsAndClearLeaveOnlyThePrompt() {
        QFETCH(bool, byCommand);
        Fixture fixture;
        fixture.Type("help\r");
        if (byCommand)
            fixture.Type("cls\r");
        else
            fixture.SystemConsole().Clear();
        const QStringList rows = fixture.Rows("System Console");
        QCOMPARE(rows[0].trimmed(), QStringLiteral("ATLAS:"));
        for (int row = 1; row < 25; ++row)
            QCOMPARE(rows[row].trimmed(), QString());
    }

    void fullScreenScrolls() {
        Fixture fixture;
        for (int i = 0; i < 6; ++i)
            fixture.Type("help\r");
        const QStringList rows = fixture.Rows("System Console");
        QCOMPARE(rows[24].trimmed(), QStringLiteral("ATLAS:"));
        QVERIFY(rows[23].trimmed().isEmpty());
        QVERIFY(rows[22].contains("VOLUMES"));
        QVERIFY(!rows.join('\n').contains("Type HELP"));
    }

    void longInputStaysOnItsRow() {
        Fixture fixture;
        fixture.Type(std::string(100, 'x'));
        QCOMPARE(fixture.CursorRow(), QStringLiteral("ATLAS:") + QString(73, 'x'));
    }

    void monitorIsFramedAndMovesWithTime() {
        Fixture fixture;
        const QStringList before = fixture.Rows("Monitor");
        ConsoleScreen& monitor = fixture.Screen("Monitor");
        QCOMPARE(monitor.Cells().CharAt(2, 1), std::uint8_t{0xC9});
        QCOMPARE(monitor.Cells().CharAt(2, 78), std::uint8_t{0xBB});
        QCOMPARE(monitor.Cells().CharAt(11, 1), std::uint8_t{0xC8});
        QCOMPARE(monitor.Cells().CharAt(11, 78), std::uint8_t{0xBC});
        QCOMPARE(monitor.Cells().CharAt(5, 1), std::uint8_t{0xBA});
        QCOMPARE(monitor.Cells().CharAt(2, 2), std::uint8_t{0xCD});
        QVERIFY(before.join('\n').contains("Information For Server ATLAS"));
        QVERIFY(before.join('\n').contains("Server up time:         0:00:00:00"));
        QCOMPARE(fixture.Rows("Monitor"), before);

        fixture.clock.Advance(std::chrono::seconds(60));
        const QStringList after = fixture.Rows("Monitor");
        QVERIFY(after != before);
        QVERIFY(after.join('\n').contains("Server up time:         0:00:01:00"));
        int changedRows = 0;
        for (int row = 0; row < 25; ++row)
            changedRows += before[row] != after[row] ? 1 : 0;
        QVERIFY2(changedRows >= 3, "more than the up time moves");
    }

    void monitorOptionsFollowTheCursorKeys() {
        Fixture fixture;
        auto& monitor = dynamic_cast<Emulator::MonitorScreen&>(fixture.Screen("Monitor"));
        QCOMPARE(monitor.Cells().AttributeAt(14, 30), std::uint8_t{0x70});
        monitor.HandleKey(0x5000);
        monitor.HandleKey(0x5000);
        QCOMPARE(monitor.HighlightedOption(), std::size_t{2});
        QCOMPARE(monitor.Cells().AttributeAt(16, 30), std::uint8_t{0x70});
        QCOMPARE(monitor.Cells().AttributeAt(14, 30), std::uint8_t{0x07});
        monitor.HandleKey(0x4800);
        QCOMPARE(monitor.HighlightedOption(), std::size_t{1});
    }

    void loggerRecordsLoadsUnloadsAndCommands() {
        Fixture fixture;
        fixture.server->LoadModule("MONITOR");
        fixture.clock.Advance(std::chrono::seconds(5));
        fixture.Type("unload monitor\r");
        const QStringList rows = fixture.Rows("Logger Screen");
        QCOMPARE(rows[0].trimmed(), QStringLiteral("15:04:00  Loaded module MONITOR.NLM"));
        QCOMPARE(rows[1].trimmed(), QStringLiteral("15:04:05  Console command: unload monitor"));
        QCOMPARE(rows[2].trimmed(), QStringLiteral("15:04:05  Unloaded module MONITOR.NLM"));

        fixture.Screen("Logger Screen").Clear();
        QCOMPARE(fixture.Rows("Logger Screen")[0].trimmed(), QString());
        fixture.server->LoadModule("QVEXT");
        QCOMPARE(fixture.Rows("Logger Screen")[0].trimmed(),
                 QStringLiteral("15:04:05  Loaded module QVEXT.NLM"));
    }

    void loggerShowsTheNewestAtTheBottom() {
        Fixture fixture;
        for (int i = 0; i < 30; ++i)
            fixture.server->Log("event " + std::to_string(i));
        const QStringList rows = fixture.Rows("Logger Screen");
        QCOMPARE(rows[24].trimmed(), QStringLiteral("15:04:00  event 29"));
        QCOMPARE(rows[0].trimmed(), QStringLiteral("15:04:00  event 5"));
    }
};

QTEST_GUILESS_MAIN(ServerScreensTest)
#include "ServerScreensTest.moc"
