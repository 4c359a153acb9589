#include "console/ScrollDetection.h"
#include "console/Scrollback.h"

#include <QTest>

using namespace ConsoleScroll;

Q_DECLARE_METATYPE(ConsoleScroll::ChangeKind)

namespace {

std::string Row(const std::string& text) {
    return text + std::string(80 - text.size(), ' ');
}

// A console that wrote lines first..first+24, the last one the prompt being typed.
ScreenLines Console(int first, const std::string& prompt = "ATLAS:") {
    ScreenLines lines;
    for (int i = first; i < first + 24; ++i)
        lines.push_back(Row("output line " + std::to_string(i)));
    lines.push_back(Row(prompt));
    return lines;
}

// A screen whose first rows are top, blank below.
ScreenLines Screen(std::initializer_list<std::string> top) {
    ScreenLines lines;
    for (const std::string& text : top)
        lines.push_back(Row(text));
    lines.resize(25, Row(""));
    return lines;
}

ScreenLines Monitor(int utilisation) {
    ScreenLines lines = Screen({});
    lines[0] = Row("NetWare Monitor");
    lines[3] = Row("Utilization: " + std::to_string(utilisation) + " %");
    lines[4] = Row("Cache buffers: 1024");
    return lines;
}

} // namespace

class ScrollDetectionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What each refresh is taken for, after a first screen (and, where the row says so, a scroll by 1 that
    // shows the screen scrolls), and which rows it sends to the scrollback.
    void changes_data() {
        QTest::addColumn<ScreenLines>("before");
        QTest::addColumn<bool>("scrolledBefore");
        QTest::addColumn<ScreenLines>("after");
        QTest::addColumn<ChangeKind>("kind");
        QTest::addColumn<int>("rows");
        QTest::addRow("the same screen") << Console(0) << false << Console(0) << ChangeKind::Same << 0;
        QTest::addRow("scrolled by 1") << Console(0) << false << Console(1) << ChangeKind::Scrolled << 1;
        QTest::addRow("scrolled by 5") << Console(0) << false << Console(5) << ChangeKind::Scrolled << 5;
        QTest::addRow("scrolled by 5 while the prompt line was typed on")
            << Console(0, "ATLAS:MOD") << false << Console(5) << ChangeKind::Scrolled << 5;
        QTest::addRow("scrolled by 25, a scrolling screen")
            << Console(0) << true << Console(25) << ChangeKind::Scrolled << 25;
        QTest::addRow("all new, a screen never seen scrolling")
            << Console(0) << false << Console(25) << ChangeKind::Redrawn << 0;
        QTest::addRow("cleared to a prompt")
            << Console(0) << true << Screen({"ATLAS:"}) << ChangeKind::Cleared << 0;
        QTest::addRow("redrawn in place") << Monitor(3) << false << Monitor(4) << ChangeKind::Redrawn << 0;
        QTest::addRow("a line added below, no scroll")
            << Screen({"a", "b"}) << false << Screen({"a", "b", "c"}) << ChangeKind::Redrawn << 0;
        QTest::addRow("blank screen filled") << Screen({}) << false << Console(0) << ChangeKind::Redrawn << 0;
    }
    void changes() {
        QFETCH(ScreenLines, before);
        QFETCH(bool, scrolledBefore);
        QFETCH(ScreenLines, after);
        QFETCH(ChangeKind, kind);
        QFETCH(int, rows);
        ScrollDetector detector;
        if (scrolledBefore) {
            // Rows marked so start from Console(0), which Console(-1) scrolled by one.
            detector.Feed(Console(-1));
            QCOMPARE(detector.Feed(before).kind, ChangeKind::Scrolled);
        } else {
            QCOMPARE(detector.Feed(before).kind, ChangeKind::Redrawn);
        }
        const ScreenChange change = detector.Feed(after);
        QCOMPARE(change.kind, kind);
        QCOMPARE(static_cast<int>(change.scrolledRows), rows);
        QCOMPARE(detector.Previous(), after);
    }

    // The scrollback keeps the newest rows up to its bound, without their trailing blanks.
    void scrollbackBound_data() {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("appended");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("dropped");
        QTest::addRow("below the bound") << 10 << 4 << 4 << 0;
        QTest::addRow("at the bound") << 10 << 10 << 10 << 0;
        QTest::addRow("past the bound") << 10 << 25 << 10 << 15;
        QTest::addRow("10 000 lines") << 10000 << 10025 << 10000 << 25;
    }
    void scrollbackBound() {
        QFETCH(int, limit);
        QFETCH(int, appended);
        QFETCH(int, kept);
        QFETCH(int, dropped);
        Scrollback scrollback(static_cast<std::size_t>(limit));
        std::vector<std::string> rows;
        for (int i = 0; i < appended; ++i)
            rows.push_back(Row("row " + std::to_string(i)));
        QCOMPARE(static_cast<int>(scrollback.Append(rows)), dropped);
        QCOMPARE(static_cast<int>(scrollback.Size()), kept);
        QCOMPARE(scrollback.Row(0), "row " + std::to_string(appended - kept));
        QCOMPARE(scrollback.Row(scrollback.Size() - 1), "row " + std::to_string(appended - 1));
    }
};

QTEST_GUILESS_MAIN(ScrollDetectionTest)
#include "ScrollDetectionTest.moc"
