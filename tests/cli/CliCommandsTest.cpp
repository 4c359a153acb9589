// Every command of tessaline-cli against the demo network, as a user runs it: the text and JSON it prints,
// the words on standard error and the exit status.

#include "CliProcess.h"

#include <QJsonDocument>
#include <QObject>

namespace {

// One table row: the arguments after --demo, the exit status, and a text that standard output and
// standard error must each contain (empty: anything).
void AddColumns() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
}

void CheckRun(const CliHome& home) {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const CliRun run = home.Run(QStringList{QStringLiteral("--demo")} + arguments);
    QVERIFY2(
        run.exitCode == exitCode,
        qPrintable(QStringLiteral("exit %1, stderr: %2").arg(run.exitCode).arg(QString::fromUtf8(run.err))));
    QVERIFY2(QString::fromUtf8(run.out).contains(out), run.out.constData());
    QVERIFY2(QString::fromUtf8(run.err).contains(err), run.err.constData());
    if (arguments.contains(QStringLiteral("--json")) && exitCode != 2) {
        QJsonParseError error{};
        QJsonDocument::fromJson(run.out, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
    }
}

QStringList Words(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class CliCommandsTest final : public QObject {
    Q_OBJECT

    CliHome home_;

private Q_SLOTS:
    void usage_data() {
        AddColumns();
        QTest::addRow("no command") << QStringList{} << 2 << ""
                                    << "no command given";
        QTest::addRow("unknown command") << Words("reboot ATLAS") << 2 << ""
                                         << "unknown command reboot";
        QTest::addRow("unknown option") << Words("--password ATLAS info") << 2 << ""
                                        << "unknown option --password";
        QTest::addRow("missing argument") << Words("load ATLAS") << 2 << ""
                                          << "wrong number of arguments";
        QTest::addRow("all with screens") << Words("--all screens") << 2 << ""
                                          << "--all works with";
        QTest::addRow("two password sources")
            << Words("--password-stdin --password-file x info ATLAS") << 2 << ""
            << "do not go together";
        QTest::addRow("unknown key") << Words("send ATLAS --key home") << 2 << ""
                                     << "--key takes";
        QTest::addRow("no such server") << Words("info ZEUS") << 3 << ""
                                        << "no server named ZEUS";
        QTest::addRow("help") << Words("--help") << 0 << "Exit status:"
                              << "";
    }
    void usage() { CheckRun(home_); }

    void servers_data() {
        AddColumns();
        QTest::addRow("text") << Words("servers") << 0 << "CASTOR       127.0.0.1:"
                              << "";
        QTest::addRow("json") << Words("--json servers") << 0 << "\"name\": \"BOREAS\""
                              << "";
    }
    void servers() { CheckRun(home_); }

    void info_data() {
        AddColumns();
        QTest::addRow("version 5") << Words("info ATLAS") << 0 << "Version:         v5.0"
                                   << "";
        QTest::addRow("bindery only") << Words("info castor") << 0 << "Version:         v3."
                                      << "";
        QTest::addRow("json") << Words("--json info ATLAS") << 0 << "\"user\": \"CN=Admin.O=ACME\""
                              << "";
        QTest::addRow("all") << Words("--all info") << 0 << "== BOREAS ==\nUser:            CN=jdoe"
                             << "";
    }
    void info() { CheckRun(home_); }

    void extensions_data() {
        AddColumns();
        QTest::addRow("text") << Words("extensions ATLAS") << 0 << "QV_EXT Rev "
                              << "";
        QTest::addRow("json") << Words("--json extensions ATLAS") << 0 << "\"name\": \"QV_EXT\""
                              << "";
    }
    void extensions() { CheckRun(home_); }

    void loadAndUnload_data() {
        AddColumns();
        QTest::addRow("unload") << Words("unload ATLAS QVEXT.NLM") << 0 << "Unloaded QVEXT.NLM"
                                << "";
        QTest::addRow("loaded already") << Words("load ATLAS QVEXT.NLM") << 1 << ""
                                        << "ATLAS: Error 8902: NWSMLoadNLM";
        QTest::addRow("not loaded") << Words("--json unload ATLAS NOPE.NLM") << 1 << "\"status\": \"0x8903\""
                                    << "Error 8903: NWSMUnloadNLM";
        QTest::addRow("file missing") << Words("load BOREAS QVEXT.NLM") << 1 << ""
                                      << "Error 8901: NWSMLoadNLM";
    }
    void loadAndUnload() { CheckRun(home_); }

    void screens_data() {
        AddColumns();
        QTest::addRow("text") << Words("screens ATLAS") << 0 << "System Console\nMonitor\n"
                              << "";
        QTest::addRow("no console module") << Words("screens BOREAS") << 1 << ""
                                           << "NCP Extensions not loaded. Load QVEXT.NLM, first";
    }
    void screens() { CheckRun(home_); }

    void show_data() {
        AddColumns();
        QTest::addRow("first screen") << Words("show ATLAS") << 0 << "ATLAS:"
                                      << "";
        QTest::addRow("json") << Words("--json show ATLAS") << 0 << "\"screen\": \"System Console\""
                              << "";
        QTest::addRow("no such screen") << Words("show ATLAS Nothing") << 1 << ""
                                        << "no screen named \"Nothing\"";
    }
    void show() { CheckRun(home_); }

    void showPrintsWholeScreen() {
        const CliRun text = home_.Run(Words("--demo show ATLAS"));
        QCOMPARE(text.out.count('\n'), 25);
        const CliRun raw = home_.Run(Words("--demo --raw show ATLAS"));
        QCOMPARE(raw.out.size(), 25 * 81);
    }

    void send_data() {
        AddColumns();
        QTest::addRow("command and enter")
            << QStringList{"send", "ATLAS", "VERSION\\r"} << 0 << "Emulated by Tessaline"
            << "";
        QTest::addRow("clear") << QStringList{"send", "ATLAS", "--key", "cls"} << 0 << ""
                               << "";
        QTest::addRow("bad escape") << QStringList{"send", "ATLAS", "A\\q"} << 2 << ""
                                    << "unknown escape \\q";
        QTest::addRow("not on the code page") << QStringList{"send", "ATLAS", "€"} << 2 << ""
                                              << "code page has no";
    }
    void send() { CheckRun(home_); }

    void run_data() {
        AddColumns();
        QTest::addRow("text") << Words("run ATLAS VERSION") << 0 << "NetWare v5.00 revision"
                              << "";
        QTest::addRow("json") << Words("--json --settle 300 run ATLAS VOLUMES") << 0 << "\"settled\": true"
                              << "";
        QTest::addRow("no console rights") << Words("run CASTOR VERSION") << 1 << ""
                                           << "CASTOR:";
    }
    void run() { CheckRun(home_); }

    void copy_data() {
        AddColumns();
        QTest::addRow("file") << QStringList{"copy", "BOREAS", home_.Path(QStringLiteral("TOOL.NLM"))} << 0
                              << "Copied TOOL.NLM to \\\\BOREAS\\SYS\\SYSTEM, 5000 bytes"
                              << "";
        QTest::addRow("no such file")
            << QStringList{"copy", "BOREAS", home_.Path(QStringLiteral("NONE.NLM"))} << 1 << ""
            << "Error FFFF: CopyFile";
    }
    void copy() {
        home_.WriteFile(QStringLiteral("TOOL.NLM"), QByteArray(5000, 'x'));
        CheckRun(home_);
        QFETCH(int, exitCode);
        if (exitCode == 0)
            QCOMPARE(QFileInfo(home_.Path(QStringLiteral(
                                   ".local/share/Tessaline/volumes/BOREAS/SYS/SYSTEM/TOOL.NLM")))
                         .size(),
                     5000);
    }
};

QTEST_GUILESS_MAIN(CliCommandsTest)
#include "CliCommandsTest.moc"
