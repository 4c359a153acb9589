// The new lines of a console screen between two reads: scrolled, written below, cleared, unchanged; the row
// the console still writes held back until it is complete.

#include "console/ScreenScroll.h"

#include <QObject>
#include <QStringList>
#include <QTest>

namespace {

// "a|b|" is the rows "a", "b", "" (a screen of three rows here; the routines take any height).
std::vector<std::string> Rows(const QString& text) {
    std::vector<std::string> rows;
    for (const QString& row : text.split(QLatin1Char('|')))
        rows.push_back(row.toStdString());
    return rows;
}

QString Joined(const std::vector<std::string>& lines) {
    QStringList joined;
    for (const std::string& line : lines)
        joined << QString::fromStdString(line);
    return joined.join(QLatin1Char('|'));
}

} // namespace

class ScreenScrollTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newLines_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("firstLines");
        QTest::addColumn<QString>("secondLines");
        QTest::addRow("prompt held back, then its command and output") << "a|P:|||"
                                                                       << "a|P:X|out|P:|"
                                                                       << "a"
                                                                       << "P:X|out";
        QTest::addRow("scrolled by two") << "a|b|c|d|P:"
                                         << "c|d|P:X|e|P:"
                                         << "a|b|c|d"
                                         << "P:X|e";
        QTest::addRow("scrolled by more than the screen") << "a|b|c|P:"
                                                          << "x|y|z|P:"
                                                          << "a|b|c"
                                                          << "x|y|z";
        QTest::addRow("cleared") << "a|b|P:|"
                                 << "P:||||"
                                 << "a|b"
                                 << "";
        QTest::addRow("unchanged") << "a|b|P:|"
                                   << "a|b|P:|"
                                   << "a|b"
                                   << "";
        QTest::addRow("blank line kept between lines") << "a|P:||"
                                                       << "a|P:X||e|P:"
                                                       << "a"
                                                       << "P:X||e";
        QTest::addRow("repeated lines scrolled") << "x|x|P:"
                                                 << "x|P:X|P:"
                                                 << "x|x"
                                                 << "P:X";
    }
    void newLines() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, firstLines);
        QFETCH(QString, secondLines);
        NCP_Ext::NewLineTracker tracker;
        QCOMPARE(Joined(tracker.Follow(Rows(first))), firstLines);
        QCOMPARE(Joined(tracker.Follow(Rows(second))), secondLines);
    }
};

QTEST_GUILESS_MAIN(ScreenScrollTest)
#include "ScreenScrollTest.moc"
