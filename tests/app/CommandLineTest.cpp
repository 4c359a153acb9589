#include "app/CommandLine.h"

#include <QTest>

using CommandLine::Action;

Q_DECLARE_METATYPE(CommandLine::Action)

class CommandLineTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesTheArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QString>("attachments");
        QTest::addColumn<QString>("capture");
        QTest::addColumn<QString>("problem");
        QTest::addRow("none") << QStringList{} << Action::Run << false << ""
                              << ""
                              << "";
        QTest::addRow("help wins over the rest")
            << QStringList{"--demo", "--help", "--version"} << Action::ShowHelp << true << ""
            << ""
            << "";
        QTest::addRow("-h") << QStringList{"-h"} << Action::ShowHelp << false << ""
                            << ""
                            << "";
        QTest::addRow("version") << QStringList{"--version"} << Action::ShowVersion << false << ""
                                 << ""
                                 << "";
        QTest::addRow("values after a blank or an equals sign")
            << QStringList{"--attachments", "my servers.ini", "--capture=/tmp/s.pcap", "--demo"}
            << Action::Run << true << "my servers.ini"
            << "/tmp/s.pcap"
            << "";
        QTest::addRow("later value wins")
            << QStringList{"--capture=a", "--capture", "b"} << Action::Run << false << ""
            << "b"
            << "";
        QTest::addRow("unknown option")
            << QStringList{"--demo", "--password=x"} << Action::Refuse << false << ""
            << ""
            << "unknown option --password=x (try --help)";
        QTest::addRow("missing value") << QStringList{"--attachments"} << Action::Refuse << false << ""
                                       << ""
                                       << "--attachments needs a file name";
        QTest::addRow("empty value") << QStringList{"--capture="} << Action::Refuse << false << ""
                                     << ""
                                     << "--capture needs a file name";
        QTest::addRow("stray argument") << QStringList{"ATLAS"} << Action::Refuse << false << ""
                                        << ""
                                        << "unexpected argument ATLAS (try --help)";
        QTest::addRow("an option's prefix is not the option")
            << QStringList{"--captured"} << Action::Refuse << false << ""
            << ""
            << "unknown option --captured (try --help)";
    }
    void parsesTheArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(bool, demo);
        QFETCH(QString, attachments);
        QFETCH(QString, capture);
        QFETCH(QString, problem);
        std::vector<std::string> argv;
        for (const QString& argument : arguments)
            argv.push_back(argument.toStdString());
        const CommandLine::Options options = CommandLine::Parse(argv);
        QCOMPARE(options.action, action);
        QCOMPARE(QString::fromStdString(options.problem), problem);
        if (action == Action::Refuse)
            return;
        QCOMPARE(options.demo, demo);
        QCOMPARE(QString::fromStdString(options.attachmentsFile), attachments);
        QCOMPARE(QString::fromStdString(options.captureFile), capture);
    }

    // --demo-latency takes whole milliseconds up to the limit; anything else refuses the line.
    void demoLatency_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("latency"); // -1: refused
        QTest::addRow("none") << QStringList{"--demo"} << 0;
        QTest::addRow("a blank before the value") << QStringList{"--demo-latency", "50"} << 50;
        QTest::addRow("an equals sign") << QStringList{"--demo-latency=250"} << 250;
        QTest::addRow("the limit") << QStringList{"--demo-latency=10000"} << 10000;
        QTest::addRow("over the limit") << QStringList{"--demo-latency=10001"} << -1;
        QTest::addRow("not a number") << QStringList{"--demo-latency", "50ms"} << -1;
        QTest::addRow("negative") << QStringList{"--demo-latency=-5"} << -1;
        QTest::addRow("missing") << QStringList{"--demo-latency"} << -1;
    }
    void demoLatency() {
        QFETCH(QStringList, arguments);
        QFETCH(int, latency);
        std::vector<std::string> argv;
        for (const QString& argument : arguments)
            argv.push_back(argument.toStdString());
        const CommandLine::Options options = CommandLine::Parse(argv);
        if (latency < 0) {
            QCOMPARE(options.action, Action::Refuse);
            QCOMPARE(QString::fromStdString(options.problem),
                     QString("--demo-latency needs a number of milliseconds from 0 to 10000"));
            return;
        }
        QCOMPARE(options.action, Action::Run);
        QCOMPARE(options.demoLatencyMilliseconds, std::uint32_t(latency));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
