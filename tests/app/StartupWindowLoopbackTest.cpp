#include "app/startup/StartupWindow.h"
#include "network/LoopbackDemo.h"
#include "tests/support/SilentSocket.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using NetClient::Attachment;

namespace {

class NoPasswords final : public NetClient::PasswordSource {
public:
    std::optional<NetClient::SecretText> PasswordFor(const Attachment&) override { return std::nullopt; }
};

QStringList RowTexts(const QTableWidget& table, int row) {
    QStringList texts;
    for (int column = 0; column < 3; ++column)
        texts << (table.item(row, column) != nullptr ? table.item(row, column)->text() : QString());
    return texts;
}

} // namespace

class StartupWindowLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A hung server and a quick one: the window comes up listing both, the quick one attached and the hung
    // one still connecting; the user skips the hung one, chooses Continue, or closes the window, and the
    // start-up goes on with the quick one.
    void leavesTheHungServerOut_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("state"); // of the hung server afterwards
        QTest::addColumn<int>("why");
        QTest::addRow("Skip") << "skip"
                              << "Skipped: skipped in the start-up window"
                              << int(NetClient::NotAttached::Skipped);
        QTest::addRow("Continue") << "continue"
                                  << "Skipped: left out when Continue was chosen"
                                  << int(NetClient::NotAttached::LeftOut);
        QTest::addRow("closing the window")
            << "close"
            << "Skipped: left out when Continue was chosen" << int(NetClient::NotAttached::LeftOut);
    }
    void leavesTheHungServerOut() {
        QFETCH(QString, action);
        QFETCH(QString, state);
        QFETCH(int, why);
        QTemporaryDir volumes;
        LoopbackDemo demo;
        std::string error;
        QVERIFY2(demo.Start(volumes.path().toStdString(), error), error.c_str());
        Attachment hung{"ZEUS", "127.0.0.1", 0, "", {}, 60};
        const int silent = SilentSocket(hung.port);
        Attachment castor = demo.Attachments(60)[2];
        QCOMPARE(castor.serverName, std::string("CASTOR"));

        NetClient::ParallelAttach run({hung, castor}, nullptr);
        NoPasswords none;
        StartupWindow window(run, none);
        auto* table = window.findChild<QTableWidget*>("ServerTable");
        QVERIFY(table != nullptr);
        QList<QStringList> seen;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!window.isVisible() || table->rowCount() != 2 || RowTexts(*table, 1).at(2) != "Attached")
                return;
            poll.stop();
            seen << RowTexts(*table, 0) << RowTexts(*table, 1);
            if (action == "skip") {
                table->selectRow(0);
                QTest::mouseClick(window.findChild<QPushButton*>("SkipButton"), Qt::LeftButton);
            } else if (action == "continue") {
                QTest::mouseClick(window.findChild<QPushButton*>("ContinueButton"), Qt::LeftButton);
            } else {
                window.close();
            }
        });
        poll.start();
        // Should the window never come up, the start-up still ends and the comparison below fails.
        QTimer::singleShot(60000, &window, [&] { run.SkipUnfinished(); });
        window.Run();

        const QString address = "127.0.0.1:%1";
        QCOMPARE(seen, (QList<QStringList>{{"ZEUS", address.arg(hung.port), "Connecting"},
                                           {"CASTOR", address.arg(castor.port), "Attached"}}));
        QCOMPARE(RowTexts(*table, 0).at(2), state);
        QVERIFY(!window.isVisible());
        const auto failures = run.Failures();
        QCOMPARE(failures.size(), std::size_t{1});
        QCOMPARE(failures[0].serverName, std::string("ZEUS"));
        QCOMPARE(int(failures[0].why), why);
        QCOMPARE(run.TakeAttached().size(), std::size_t{1});
        ::close(silent);
    }
};

QTEST_MAIN(StartupWindowLoopbackTest)
#include "StartupWindowLoopbackTest.moc"
