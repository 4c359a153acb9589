#include "console/ConsoleSearch.h"

#include <QTest>

namespace {
const QStringList Lines{"ATLAS:modules", "Loaded MONITOR.NLM", "ATLAS:", "monitor.nlm unloaded",
                        "ATLAS:MODULES"};

using Places = QList<QList<int>>; // line, column per place

Places PlacesOf(const ConsoleSearch& search) {
    Places places;
    for (const ConsoleSearch::Match& match : search.Matches())
        places.append({match.line, match.column});
    return places;
}
} // namespace

class ConsoleSearchTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The places found (letter case ignored, several on a line), where the search starts, and where next
    // and previous go from there, wrapping at either end.
    void places_data() {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("fromLine");
        QTest::addColumn<Places>("places");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("steps"); // n: next, p: previous
        QTest::addColumn<int>("afterSteps");
        QTest::addRow("from the bottom: the newest place")
            << "monitor" << 5 << Places{{1, 7}, {3, 0}} << 1 << "" << 1;
        QTest::addRow("from a line: the first place at or below it")
            << "atlas:" << 1 << Places{{0, 0}, {2, 0}, {4, 0}} << 1 << "" << 1;
        QTest::addRow("next wraps to the top")
            << "atlas:" << 5 << Places{{0, 0}, {2, 0}, {4, 0}} << 2 << "n" << 0;
        QTest::addRow("previous wraps to the bottom")
            << "modules" << 0 << Places{{0, 6}, {4, 6}} << 0 << "p" << 1;
        QTest::addRow("several on one line")
            << "o" << 3 << Places{{0, 7}, {1, 1}, {1, 8}, {1, 12}, {3, 1}, {3, 5}, {3, 15}, {4, 7}} << 4
            << "nnp" << 5;
        QTest::addRow("not there") << "SYS:" << 0 << Places{} << -1 << "np" << -1;
        QTest::addRow("empty") << "" << 0 << Places{} << -1 << "n" << -1;
    }
    void places() {
        QFETCH(QString, needle);
        QFETCH(int, fromLine);
        QFETCH(Places, places);
        QFETCH(int, current);
        QFETCH(QString, steps);
        QFETCH(int, afterSteps);
        ConsoleSearch search;
        search.Search(Lines, needle, fromLine);
        QCOMPARE(PlacesOf(search), places);
        QCOMPARE(search.CurrentIndex(), current);
        for (const QChar step : steps) {
            if (step == u'n')
                search.Next();
            else
                search.Previous();
        }
        QCOMPARE(search.CurrentIndex(), afterSteps);
        if (afterSteps >= 0)
            QCOMPARE(search.Current()->length, static_cast<int>(needle.size()));
        else
            QVERIFY(search.Current() == nullptr);
    }
};

QTEST_GUILESS_MAIN(ConsoleSearchTest)
#include "ConsoleSearchTest.moc"
