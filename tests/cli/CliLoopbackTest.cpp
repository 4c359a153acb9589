// tessaline-cli against servers on loopback that this test controls: where passwords come from, --all with
// a server that is down, run waiting for output that comes late, and watch following a screen that scrolls.

#include "CliProcess.h"
#include "emulator/ConsoleScreen.h"
#include "emulator/Server.h"
#include "network/LoopbackDemo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>

#include <sys/stat.h>

#include <chrono>
#include <csignal>

namespace {

using Clock = std::chrono::steady_clock;

// A System Console whose command prints "early" at once and, after a delay, "late" and the prompt again;
// with no delay it prints a dot at every read from then on, so that it never settles.
class LateConsole final : public Emulator::ConsoleScreen {
public:
    explicit LateConsole(std::chrono::milliseconds delay) : ConsoleScreen("System Console"), delay_(delay) {
        MutableCells().Write("ATLAS:");
    }
    void HandleKey(std::uint16_t keyWord) override {
        const char character = static_cast<char>(keyWord & 0xFF);
        if (character != '\r') {
            MutableCells().Write(std::string(1, character));
            return;
        }
        MutableCells().Write("\nearly\n");
        due_ = Clock::now() + delay_;
        pending_ = true;
    }
    void Refresh() override {
        if (!pending_)
            return;
        if (delay_.count() == 0) {
            MutableCells().Write(".");
        } else if (Clock::now() >= due_) {
            MutableCells().Write("late\nATLAS:");
            pending_ = false;
        }
    }

private:
    std::chrono::milliseconds delay_;
    Clock::time_point due_;
    bool pending_ = false;
};

// A screen that prints a numbered line every 250 ms, scrolling at the bottom.
class Ticker final : public Emulator::ConsoleScreen {
public:
    Ticker() : ConsoleScreen("Ticker") {}
    void Refresh() override {
        while (Clock::now() - last_ >= std::chrono::milliseconds(250)) {
            MutableCells().Write("line " + std::to_string(++count_) + "\n");
            last_ = count_ == 1 ? Clock::now() : last_ + std::chrono::milliseconds(250);
        }
    }

private:
    int count_ = 0;
    Clock::time_point last_{};
};

} // namespace

class CliLoopbackTest final : public QObject {
    Q_OBJECT

    CliHome home_;
    LoopbackDemo demo_;

    QString Section(const QString& name, const QString& user) {
        const std::uint16_t port = demo_.Network().Port(name.toStdString());
        return QStringLiteral("[%1]\nAddress = 127.0.0.1:%2\n%3\n")
            .arg(name)
            .arg(port)
            .arg(user.isEmpty() ? QString() : QStringLiteral("User = ") + user);
    }

    Emulator::Server& Atlas() { return *demo_.FindServer("ATLAS"); }

private Q_SLOTS:
    void initTestCase() {
        std::string error;
        QVERIFY2(demo_.Start(home_.Path(QStringLiteral("volumes")).toStdString(), error), error.c_str());
        const QString down = QStringLiteral("[DOWN]\nAddress = 127.0.0.1:1\n");
        home_.WriteFile(QStringLiteral("atlas.ini"),
                        Section(QStringLiteral("ATLAS"), QStringLiteral("ADMIN")).toUtf8());
        home_.WriteFile(QStringLiteral("all.ini"),
                        (Section(QStringLiteral("ATLAS"), QStringLiteral("ADMIN")) +
                         Section(QStringLiteral("CASTOR"), {}) + down)
                            .toUtf8());
    }

    void passwordSources_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("passwordFile");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        const QStringList file{QStringLiteral("--password-file"), QStringLiteral("pw")};
        QTest::addRow("file 0600") << file << QByteArray("acme\n") << 0600 << QByteArray() << 0 << "";
        QTest::addRow("file 0400") << file << QByteArray("acme") << 0400 << QByteArray() << 0 << "";
        QTest::addRow("file readable by others") << file << QByteArray("acme\n") << 0644 << QByteArray() << 2
                                                 << "may be read by others (mode 0644)";
        QTest::addRow("file with a wrong password")
            << file << QByteArray("wrong\n") << 0600 << QByteArray() << 4 << "ATLAS: Error";
        QTest::addRow("stdin") << QStringList{QStringLiteral("--password-stdin")} << QByteArray() << 0
                               << QByteArray("acme\n") << 0 << "";
        QTest::addRow("none, no terminal")
            << QStringList{} << QByteArray() << 0 << QByteArray() << 4 << "no password for ADMIN on ATLAS";
    }
    void passwordSources() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, passwordFile);
        QFETCH(int, mode);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        if (!passwordFile.isEmpty()) {
            home_.WriteFile(QStringLiteral("pw"), passwordFile);
            QVERIFY(::chmod(home_.Path(QStringLiteral("pw")).toLocal8Bit().constData(),
                            static_cast<mode_t>(mode)) == 0);
            options.replace(1, home_.Path(QStringLiteral("pw")));
        }
        const CliRun run = home_.Run(options + QStringList{QStringLiteral("--attachments"),
                                                           home_.Path(QStringLiteral("atlas.ini")),
                                                           QStringLiteral("info"), QStringLiteral("ATLAS")},
                                     input);
        QVERIFY2(run.exitCode == exitCode, run.err.constData());
        QVERIFY2(QString::fromUtf8(run.err).contains(err), run.err.constData());
        if (exitCode == 0)
            QVERIFY(run.out.contains("User:            CN=Admin.O=ACME"));
    }

    void allWithOneServerDown() {
        const CliRun run = home_.Run({QStringLiteral("--json"), QStringLiteral("--all"),
                                      QStringLiteral("--password-stdin"), QStringLiteral("--attachments"),
                                      home_.Path(QStringLiteral("all.ini")), QStringLiteral("info")},
                                     "acme\n");
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(run.err.contains("DOWN: Error 8885: attach 127.0.0.1:1"), run.err.constData());
        const QJsonObject results = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(results.value("ATLAS").toObject().value("version").toString(), QStringLiteral("v5.0"));
        QCOMPARE(results.value("CASTOR").toObject().value("user").toString(),
                 QStringLiteral("<not authenticated>"));
        QCOMPARE(results.value("DOWN").toObject().value("error").toObject().value("exit").toInt(), 4);
    }

    void runSettles_data() {
        QTest::addColumn<int>("delay");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addRow("late output within the settle time")
            << 700 << QStringList{"--settle", "3000"} << 0 << QByteArray("early\nlate\n");
        QTest::addRow("settled before the late output")
            << 20000 << QStringList{"--settle", "100"} << 0 << QByteArray("early\n");
        QTest::addRow("never settles")
            << 0 << QStringList{"--settle", "1500", "--timeout", "1"} << 5 << QByteArray("early\n");
    }
    void runSettles() {
        QFETCH(int, delay);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        demo_.Network().Call([&] {
            Atlas().Console().RemoveAllScreens();
            Atlas().Console().AddScreen(std::make_unique<LateConsole>(std::chrono::milliseconds(delay)));
        });
        const CliRun run = home_.Run(options + QStringList{"--password-stdin", "--attachments",
                                                           home_.Path("atlas.ini"), "run", "ATLAS", "SLOW"},
                                     "acme\n");
        QVERIFY2(run.exitCode == exitCode, run.err.constData());
        QVERIFY2(run.out.startsWith(out), run.out.constData());
        QVERIFY(!run.out.contains("SLOW"));
    }

    void watchFollowsScrollingScreen() {
        demo_.Network().Call([&] { Atlas().Console().AddScreen(std::make_unique<Ticker>()); });
        home_.WriteFile(QStringLiteral("pw"), "acme\n");
        QProcess process;
        home_.Start(process, {"--password-file", home_.Path("pw"), "--attachments", home_.Path("atlas.ini"),
                              "--interval", "50", "watch", "ATLAS", "Ticker"});
        QTRY_VERIFY_WITH_TIMEOUT(process.peek(1 << 20).contains("line 30\n"), 60000);
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        // Every line once, in order, across many scrolls.
        const QStringList lines =
            QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 20);
        const int first = lines.front().mid(5).toInt();
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i], QStringLiteral("line %1").arg(first + i));
    }
};

QTEST_GUILESS_MAIN(CliLoopbackTest)
#include "CliLoopbackTest.moc"
