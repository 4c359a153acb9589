#include "console/CodePage437.h"

#include <QSet>
#include <QTest>

#include <array>

using CodePage437::DecodeRow;
using CodePage437::FromUnicode;
using CodePage437::ToUnicode;

namespace {

// The glyphs of the control codes 0x01-0x1F and of the high half 0x80-0xFF, as a PC's display shows them.
const QString ControlGlyphs = QString::fromUtf8("☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼");
const QString HighHalf = QString::fromUtf8("ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»"
                                           "░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
                                           "αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0");

bool BreaksALine(QChar character) {
    const char16_t code = character.unicode();
    return code == u'\n' || code == u'\r' || code == 0x2028 || code == 0x2029 || code == 0x0085 ||
           code == 0x000B || code == 0x000C;
}

} // namespace

class CodePage437Test final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wholeTable() {
        QCOMPARE(ControlGlyphs.size(), 31);
        QCOMPARE(HighHalf.size(), 128);
        QCOMPARE(ToUnicode(0x00), QChar(u' '));
        for (int byte = 0x01; byte <= 0x1F; ++byte)
            QCOMPARE(ToUnicode(static_cast<std::uint8_t>(byte)), ControlGlyphs[byte - 1]);
        for (int byte = 0x20; byte <= 0x7E; ++byte)
            QCOMPARE(ToUnicode(static_cast<std::uint8_t>(byte)), QChar(byte));
        QCOMPARE(ToUnicode(0x7F), QChar(u'⌂'));
        for (int byte = 0x80; byte <= 0xFF; ++byte)
            QCOMPARE(ToUnicode(static_cast<std::uint8_t>(byte)), HighHalf[byte - 0x80]);
    }

    void noControlCharacterIsShown() {
        QSet<char16_t> seen;
        for (int byte = 0; byte <= 0xFF; ++byte) {
            const QChar character = ToUnicode(static_cast<std::uint8_t>(byte));
            QVERIFY2(!BreaksALine(character), qPrintable(QString::number(byte, 16)));
            QVERIFY2(character.category() != QChar::Other_Control, qPrintable(QString::number(byte, 16)));
            if (byte != 0)
                seen.insert(character.unicode());
        }
        // Every byte but 0 (a blank cell) has a character of its own.
        QCOMPARE(seen.size(), 255);
    }

    void frameCharacters_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("character");
        QTest::addRow("double top left") << 0xC9 << "╔";
        QTest::addRow("double top right") << 0xBB << "╗";
        QTest::addRow("double bottom left") << 0xC8 << "╚";
        QTest::addRow("double bottom right") << 0xBC << "╝";
        QTest::addRow("double horizontal") << 0xCD << "═";
        QTest::addRow("double vertical") << 0xBA << "║";
        QTest::addRow("single top left") << 0xDA << "┌";
        QTest::addRow("single bottom right") << 0xD9 << "┘";
        QTest::addRow("single horizontal") << 0xC4 << "─";
        QTest::addRow("single vertical") << 0xB3 << "│";
        QTest::addRow("cross") << 0xC5 << "┼";
        QTest::addRow("full block") << 0xDB << "█";
        QTest::addRow("light shade") << 0xB0 << "░";
        QTest::addRow("line feed glyph") << 0x0A << "◙";
        QTest::addRow("carriage return glyph") << 0x0D << "♪";
        QTest::addRow("escape glyph") << 0x1B << "←";
    }

    void frameCharacters() {
        QFETCH(int, byte);
        QFETCH(QString, character);
        QCOMPARE(QString(ToUnicode(static_cast<std::uint8_t>(byte))), character);
        QCOMPARE(FromUnicode(character[0]), std::optional<std::uint8_t>(static_cast<std::uint8_t>(byte)));
    }

    void roundTrip() {
        for (int byte = 1; byte <= 0xFF; ++byte) {
            const auto back = FromUnicode(ToUnicode(static_cast<std::uint8_t>(byte)));
            QVERIFY2(back.has_value(), qPrintable(QString::number(byte, 16)));
            QCOMPARE(int(*back), byte);
        }
    }

    void typedCharacters_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("byte"); // -1: the code page lacks it
        QTest::addRow("letter") << "A" << 0x41;
        QTest::addRow("space") << " " << 0x20;
        QTest::addRow("tilde") << "~" << 0x7E;
        QTest::addRow("umlaut") << "ä" << 0x84;
        QTest::addRow("sharp s") << "ß" << 0xE1;
        QTest::addRow("no-break space") << "\u00A0" << 0xFF;
        QTest::addRow("smiley") << "☺" << 0x01;
        QTest::addRow("euro sign") << "€" << -1;
        QTest::addRow("tab") << "\t" << -1;
        QTest::addRow("line feed") << "\n" << -1;
        QTest::addRow("delete") << "\u007F" << -1;
        QTest::addRow("nul") << QString(QChar(0)) << -1;
        QTest::addRow("latin capital A grave") << "À" << -1;
    }

    void typedCharacters() {
        QFETCH(QString, typed);
        QFETCH(int, byte);
        const std::optional<std::uint8_t> expected =
            byte < 0 ? std::nullopt : std::optional<std::uint8_t>(static_cast<std::uint8_t>(byte));
        QCOMPARE(FromUnicode(typed[0]), expected);
    }

    void decodesARow() {
        // Character bytes 0x00, 0x0A, 0x0D, 'A', 0xC4 ... ; the second byte of each cell is an attribute that
        // must not show, here a line feed.
        std::array<std::uint8_t, 160> cells{};
        const std::array<std::uint8_t, 5> start{0x00, 0x0A, 0x0D, 'A', 0xC4};
        for (std::size_t column = 0; column < 80; ++column) {
            cells[column * 2] = column < start.size() ? start[column] : static_cast<std::uint8_t>('-');
            cells[column * 2 + 1] = 0x0A;
        }
        const QString line = DecodeRow(cells.data());
        QCOMPARE(line.size(), 80);
        QCOMPARE(line.left(6), QString::fromUtf8(" ◙♪A─-"));
        QCOMPARE(line.right(1), QString("-"));
    }

    void everyByteDecodesToEightyCharactersWithoutBreaks() {
        for (int first = 0; first < 256; first += 80) {
            std::array<std::uint8_t, 160> cells{};
            for (int column = 0; column < 80; ++column)
                cells[static_cast<std::size_t>(column) * 2] =
                    static_cast<std::uint8_t>((first + column) & 0xFF);
            const QString line = DecodeRow(cells.data());
            QCOMPARE(line.size(), 80);
            for (int column = 0; column < 80; ++column) {
                QVERIFY(!BreaksALine(line[column]));
                QCOMPARE(line[column], ToUnicode(static_cast<std::uint8_t>((first + column) & 0xFF)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(CodePage437Test)
#include "CodePage437Test.moc"
