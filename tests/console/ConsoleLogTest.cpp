#include "console/ConsoleLog.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
std::string Row(const std::string& text) {
    return text + std::string(80 - text.size(), ' ');
}
} // namespace

class ConsoleLogTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The file after a series of refreshes: a heading, a time stamp before the rows of each refresh that
    // wrote some (none for a refresh without rows), the rows as UTF-8 without trailing blanks, and the last
    // screen with its time stamp at the end.
    void file_data() {
        QTest::addColumn<QList<int>>("rowsPerRefresh");
        QTest::addColumn<QString>("expected");
        QTest::addRow("no refresh wrote rows")
            << QList<int>{0, 0}
            << "Console log of ATLAS: Logger Screen, started 2026-12-09 14:40:00\n"
               "[2026-12-09 14:40:03] screen at the end\n"
               "last \u2302\u00c7\n\n";
        QTest::addRow("two refreshes with rows, one without")
            << QList<int>{2, 0, 1}
            << "Console log of ATLAS: Logger Screen, started 2026-12-09 14:40:00\n"
               "[2026-12-09 14:40:01]\n"
               "row 1.0\n"
               "row 1.1\n"
               "[2026-12-09 14:40:03]\n"
               "row 3.0\n"
               "[2026-12-09 14:40:04] screen at the end\n"
               "last \u2302\u00c7\n\n";
    }
    void file() {
        QFETCH(QList<int>, rowsPerRefresh);
        QFETCH(QString, expected);
        QTemporaryDir directory;
        QDateTime now(QDate(2026, 12, 9), QTime(14, 40, 0));
        ConsoleLog log([&now] { return now; });
        QString error;
        const QString path = directory.filePath("atlas.log");
        QVERIFY(log.Open(path, "ATLAS: Logger Screen", error));
        for (int refresh = 0; refresh < rowsPerRefresh.size(); ++refresh) {
            now = now.addSecs(1);
            std::vector<std::string> rows;
            for (int row = 0; row < rowsPerRefresh[refresh]; ++row)
                rows.push_back(Row("row " + std::to_string(refresh + 1) + "." + std::to_string(row)));
            log.WriteRows(rows);
        }
        now = now.addSecs(1);
        log.Finish({Row("last \x7F\x80"), Row("")});
        QVERIFY(!log.IsOpen());
        QVERIFY(log.Healthy());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), expected);
    }

    void unwritableFileSaysWhy() {
        ConsoleLog log;
        QString error;
        QVERIFY(!log.Open("/nonexistent-directory/atlas.log", "ATLAS: System Console", error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!log.IsOpen());
    }
};

QTEST_GUILESS_MAIN(ConsoleLogTest)
#include "ConsoleLogTest.moc"
