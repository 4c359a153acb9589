#include "emulator/ScreenBuffer.h"

#include <QObject>
#include <QTest>

using Emulator::ScreenBuffer;

// Teletype writing on a 25 x 80 console screen.
class ScreenBufferTest final : public QObject {
    Q_OBJECT

    static QByteArray Row(const ScreenBuffer& screen, int row) {
        return QByteArray::fromStdString(screen.RowText(row)).trimmed();
    }

private Q_SLOTS:
    void blankScreenIsSpacesWithTheNormalAttribute() {
        ScreenBuffer screen;
        const auto cells = screen.RowCells(24);
        QCOMPARE(cells.size(), std::size_t{160});
        for (std::size_t i = 0; i < cells.size(); i += 2) {
            QCOMPARE(cells[i], std::uint8_t{' '});
            QCOMPARE(cells[i + 1], std::uint8_t{0x07});
        }
    }

    void writing_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("cursorRow");
        QTest::addColumn<int>("cursorColumn");
        QTest::addColumn<QByteArray>("row0");
        QTest::addColumn<QByteArray>("row1");
        QTest::newRow("plain") << QByteArray("abc") << 0 << 3 << QByteArray("abc") << QByteArray();
        QTest::newRow("new line") << QByteArray("ab\ncd") << 1 << 2 << QByteArray("ab") << QByteArray("cd");
        // A full row followed by a new line gives one new row, not a blank one between.
        QTest::newRow("full row then new line")
            << QByteArray(80, 'x') + "\ny" << 1 << 1 << QByteArray(80, 'x') << QByteArray("y");
        QTest::newRow("wrap") << QByteArray(81, 'x') << 1 << 1 << QByteArray(80, 'x') << QByteArray("x");
    }
    void writing() {
        QFETCH(QByteArray, text);
        QFETCH(int, cursorRow);
        QFETCH(int, cursorColumn);
        QFETCH(QByteArray, row0);
        QFETCH(QByteArray, row1);
        ScreenBuffer screen;
        screen.Write(text.toStdString());
        QCOMPARE(screen.CursorRow(), cursorRow);
        QCOMPARE(screen.CursorColumn(), cursorColumn);
        QCOMPARE(Row(screen, 0), row0);
        QCOMPARE(Row(screen, 1), row1);
    }

    void newLineOnTheLastRowScrolls() {
        ScreenBuffer screen;
        for (int i = 0; i < 26; ++i)
            screen.Write("line " + std::to_string(i) + "\n");
        QCOMPARE(Row(screen, 0), QByteArray("line 2"));
        QCOMPARE(Row(screen, 23), QByteArray("line 25"));
        QCOMPARE(Row(screen, 24), QByteArray());
        QCOMPARE(screen.CursorRow(), 24);
    }

    void backspaceStopsAtTheRowStart() {
        ScreenBuffer screen;
        screen.Write("ab");
        screen.Backspace();
        screen.Backspace();
        screen.Backspace();
        QCOMPARE(screen.CursorColumn(), 0);
        QCOMPARE(Row(screen, 0), QByteArray());
    }

    void placedTextIsCutAtTheEdge() {
        ScreenBuffer screen;
        screen.PutText(3, 75, "0123456789", ScreenBuffer::InverseAttribute);
        QCOMPARE(Row(screen, 3), QByteArray("01234"));
        QCOMPARE(Row(screen, 4), QByteArray());
        QCOMPARE(screen.AttributeAt(3, 79), std::uint8_t{0x70});
        QCOMPARE(screen.CursorColumn(), 0);
    }
};

QTEST_GUILESS_MAIN(ScreenBufferTest)
#include "ScreenBufferTest.moc"
