#include "util/TextRoutines.h"

#include "tests/support/StubClient.h"

#include <QRandomGenerator>
#include <QTest>

#include <cctype>

using namespace std::string_literals;

namespace {

// Byte texts with zero bytes, shown readably in failure messages.
QByteArray Show(const std::string& text) {
    QByteArray shown = "'";
    for (const char c : text)
        shown += c == '\0' ? QByteArray("\\0") : QByteArray(1, c);
    return shown + "'";
}

bool SameByte(char a, char b, bool caseSensitive) {
    if (caseSensitive)
        return a == b;
    return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
}

// The plain meaning of ReplaceAll: take the occurrences of oldText from the right end, each one left of the
// one taken before, and replace them; nothing inserted is looked at again. Equal old and new texts (compared
// exactly) leave the text alone, as they do in ReplaceAll.
std::string ReplaceFromRight(const std::string& text, const std::string& oldText, const std::string& newText,
                             bool caseSensitive) {
    if (oldText.empty() || oldText == newText || oldText.size() > text.size())
        return text;
    std::string replacedTail;
    std::size_t keptEnd = text.size();
    auto position = static_cast<std::ptrdiff_t>(text.size() - oldText.size());
    while (position >= 0) {
        const auto start = static_cast<std::size_t>(position);
        bool matches = true;
        for (std::size_t k = 0; k < oldText.size() && matches; ++k)
            matches = SameByte(text[start + k], oldText[k], caseSensitive);
        if (matches) {
            const std::size_t after = start + oldText.size();
            replacedTail = newText + text.substr(after, keptEnd - after) + replacedTail;
            keptEnd = start;
            position -= static_cast<std::ptrdiff_t>(oldText.size());
        } else {
            --position;
        }
    }
    return text.substr(0, keptEnd) + replacedTail;
}

std::string RandomText(QRandomGenerator& random, const std::string& alphabet, int maxLength) {
    const int length = random.bounded(maxLength + 1);
    std::string text;
    for (int i = 0; i < length; ++i)
        text += alphabet[static_cast<std::size_t>(random.bounded(static_cast<int>(alphabet.size())))];
    return text;
}

} // namespace

class TextRoutinesTest final : public QObject {
    Q_OBJECT

private:
    StubClient client;
    ScopedClientBinding binding{client};

private Q_SLOTS:
    void lastChar_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<char>("expected");
        QTest::addRow("one character") << "x"s << 'x';
        QTest::addRow("separator at the end") << "C:\\X\\"s << '\\';
        QTest::addRow("zero byte at the end") << "ab\0"s << '\0';
    }
    void lastChar() {
        QFETCH(std::string, text);
        QFETCH(char, expected);
        QCOMPARE(NetUtil::LastChar(text), expected);
    }

    void addTrailingZero_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("empty") << ""s
                               << "\0"s;
        QTest::addRow("plain text") << "ab"s
                                    << "ab\0"s;
        QTest::addRow("already terminated") << "ab\0"s
                                            << "ab\0"s;
        QTest::addRow("zero only inside") << "a\0b"s
                                          << "a\0b\0"s;
        QTest::addRow("only a zero") << "\0"s
                                     << "\0"s;
    }
    void addTrailingZero() {
        QFETCH(std::string, text);
        QFETCH(std::string, expected);
        QCOMPARE(Show(NetUtil::AddTrailingZero(text)), Show(expected));
    }

    void upperCaseNet_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("empty") << ""s
                               << ""s;
        QTest::addRow("lower case") << "qvext.nlm"s
                                    << "QVEXT.NLM"s;
        QTest::addRow("mixed, with separators") << "\\\\fs1\\Sys:system"s
                                                << "\\\\FS1\\SYS:SYSTEM"s;
        QTest::addRow("zero in the middle") << "ab\0cd"s
                                            << "AB"s;
        QTest::addRow("zero at the start") << "\0ab"s
                                           << ""s;
        QTest::addRow("zero at the end") << "ab\0"s
                                         << "AB"s;
        QTest::addRow("longer than a client buffer") << std::string(300, 'z') << std::string(300, 'Z');
    }
    void upperCaseNet() {
        QFETCH(std::string, text);
        QFETCH(std::string, expected);
        QCOMPARE(Show(NetUtil::UpperCaseNet(text)), Show(expected));
    }

    void findText_data() {
        QTest::addColumn<std::string>("sought");
        QTest::addColumn<std::string>("searched");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<int>("expected");
        QTest::addRow("empty sought, exact") << ""s
                                             << "abc"s << true << 0;
        QTest::addRow("empty sought, any case") << ""s
                                                << "abc"s << false << 0;
        QTest::addRow("empty searched") << "a"s
                                        << ""s << true << 0;
        QTest::addRow("both empty") << ""s
                                    << ""s << false << 0;
        QTest::addRow("B in abc, any case") << "B"s
                                            << "abc"s << false << 2;
        QTest::addRow("B in abc, exact") << "B"s
                                         << "abc"s << true << 0;
        QTest::addRow("at the start") << "ab"s
                                      << "abc"s << true << 1;
        QTest::addRow("at the end") << "bc"s
                                    << "abc"s << true << 2;
        QTest::addRow("whole text") << "abc"s
                                    << "abc"s << true << 1;
        QTest::addRow("longer than searched") << "abcd"s
                                              << "abc"s << true << 0;
        QTest::addRow("first of several") << "a"s
                                          << "bab a"s << true << 2;
        QTest::addRow("overlapping occurrences") << "aa"s
                                                 << "baaa"s << true << 2;
        QTest::addRow("zero bytes compared exactly") << "b\0c"s
                                                     << "ab\0c"s << true << 2;
        QTest::addRow("any case: searched cut at its zero") << "c"s
                                                            << "ab\0c"s << false << 0;
        QTest::addRow("any case: sought cut at its zero") << "b\0x"s
                                                          << "abc"s << false << 2;
        QTest::addRow("any case: sought empty before zero") << "\0b"s
                                                            << "abc"s << false << 0;
    }
    void findText() {
        QFETCH(std::string, sought);
        QFETCH(std::string, searched);
        QFETCH(bool, caseSensitive);
        QFETCH(int, expected);
        QCOMPARE(NetUtil::FindText(sought, searched, caseSensitive), static_cast<std::size_t>(expected));
    }

    void replaceAll_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<std::string>("oldText");
        QTest::addColumn<std::string>("newText");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("volume colon") << "\\\\FS1\\SYS:SYSTEM"s
                                      << ":"s
                                      << "\\"s << true << "\\\\FS1\\SYS\\SYSTEM"s;
        QTest::addRow("every colon, server name too") << "\\\\F:S\\SYS:SYSTEM"s
                                                      << ":"s
                                                      << "\\"s << true << "\\\\F\\S\\SYS\\SYSTEM"s;
        QTest::addRow("overlap: rightmost wins") << "aaa"s
                                                 << "aa"s
                                                 << "b"s << true << "ab"s;
        QTest::addRow("overlap, four") << "aaaa"s
                                       << "aa"s
                                       << "b"s << true << "bb"s;
        QTest::addRow("overlap, five") << "aaaaa"s
                                       << "aa"s
                                       << "b"s << true << "abb"s;
        QTest::addRow("new contains old") << "a.b.c"s
                                          << "."s
                                          << ".."s << true << "a..b..c"s;
        QTest::addRow("new contains old twice") << "ab"s
                                                << "ab"s
                                                << "abab"s << true << "abab"s;
        QTest::addRow("self-containing, overlapping") << "aaaa"s
                                                      << "aa"s
                                                      << "aaa"s << true << "aaaaaa"s;
        QTest::addRow("empty new") << "a:b:c"s
                                   << ":"s
                                   << ""s << true << "abc"s;
        QTest::addRow("old is the whole text") << "abc"s
                                               << "abc"s
                                               << "x"s << true << "x"s;
        QTest::addRow("old longer than text") << "ab"s
                                              << "abc"s
                                              << "x"s << true << "ab"s;
        QTest::addRow("old empty") << "abc"s
                                   << ""s
                                   << "x"s << true << "abc"s;
        QTest::addRow("text empty") << ""s
                                    << "a"s
                                    << "x"s << false << ""s;
        QTest::addRow("old absent") << "abc"s
                                    << "d"s
                                    << "x"s << true << "abc"s;
        QTest::addRow("old equals new") << "abc"s
                                        << "b"s
                                        << "b"s << true << "abc"s;
        QTest::addRow("any case: a to A") << "aAa"s
                                          << "a"s
                                          << "A"s << false << "AAA"s;
        QTest::addRow("exact: a to A") << "aAa"s
                                       << "a"s
                                       << "A"s << true << "AAA"s;
        QTest::addRow("exact: only exact matches") << "aAa"s
                                                   << "a"s
                                                   << "b"s << true << "bAb"s;
        QTest::addRow("any case: inserts new unchanged") << "xAx"s
                                                         << "a"s
                                                         << "bb"s << false << "xbbx"s;
        QTest::addRow("any case: old and new differ in case only") << "aBc"s
                                                                   << "B"s
                                                                   << "b"s << false << "abc"s;
        QTest::addRow("any case: equal old and new change nothing") << "aBc"s
                                                                    << "b"s
                                                                    << "b"s << false << "aBc"s;
        QTest::addRow("exact: zero byte replaced") << "a\0a"s
                                                   << "\0"s
                                                   << "-"s << true << "a-a"s;
        QTest::addRow("exact: zero byte inserted") << "a-a"s
                                                   << "-"s
                                                   << "\0"s << true << "a\0a"s;
        // Without case, matching sees the texts only up to their first zero byte.
        QTest::addRow("any case: occurrences behind a leading zero stay") << "\0aa"s
                                                                          << "a"s
                                                                          << "b"s << false << "\0aa"s;
        QTest::addRow("any case: zero-byte old never found") << "a\0a"s
                                                             << "\0"s
                                                             << "-"s << false << "a\0a"s;
        QTest::addRow("any case: old holding a zero byte") << "xa\0a"s
                                                           << "a\0"s
                                                           << "b"s << false << "xba"s;
        QTest::addRow("any case: zero between occurrences") << "a\0a"s
                                                            << "a"s
                                                            << "b"s << false << "b\0b"s;
    }
    void replaceAll() {
        QFETCH(std::string, text);
        QFETCH(std::string, oldText);
        QFETCH(std::string, newText);
        QFETCH(bool, caseSensitive);
        QFETCH(std::string, expected);
        NetUtil::ReplaceAll(text, oldText, newText, caseSensitive);
        QCOMPARE(Show(text), Show(expected));
    }

    // ReplaceAll scans from the right with an early stop; on random short texts it must agree with the plain
    // model. The one known difference: without case, a zero byte ends the text that the matching sees (see
    // the "any case" rows of replaceAll), so those inputs are left to the table above.
    void replaceAllAgreesWithModel_data() {
        QTest::addColumn<std::string>("alphabet");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addRow("exact, a and b") << "ab"s << true;
        QTest::addRow("exact, a and A") << "aA"s << true;
        QTest::addRow("any case, a and A") << "aA"s << false;
        QTest::addRow("exact, a and zero byte") << "a\0"s << true;
    }
    void replaceAllAgreesWithModel() {
        QFETCH(std::string, alphabet);
        QFETCH(bool, caseSensitive);
        QRandomGenerator random(20240611);
        for (int round = 0; round < 20000; ++round) {
            const std::string text = RandomText(random, alphabet, 10);
            const std::string oldText = RandomText(random, alphabet, 3);
            const std::string newText = RandomText(random, alphabet, 3);
            std::string replaced = text;
            NetUtil::ReplaceAll(replaced, oldText, newText, caseSensitive);
            const std::string expected = ReplaceFromRight(text, oldText, newText, caseSensitive);
            if (replaced != expected) {
                const QByteArray message = Show(text) + " old " + Show(oldText) + " new " + Show(newText) +
                                           ": got " + Show(replaced) + ", model " + Show(expected);
                QFAIL(message.constData());
            }
        }
    }

    void addTrailingSeparator_data() {
        QTest::addColumn<std::string>("path");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("empty") << ""s
                               << "\\"s;
        QTest::addRow("volume") << "SYS:"s
                                << "SYS:"s;
        QTest::addRow("backslash") << "C:\\X\\"s
                                   << "C:\\X\\"s;
        QTest::addRow("slash") << "a/b/"s
                               << "a/b/"s;
        QTest::addRow("no separator") << "C:\\X"s
                                      << "C:\\X\\"s;
        QTest::addRow("Linux directory") << "/home/admin/nlm"s
                                         << "/home/admin/nlm\\"s;
        QTest::addRow("network path") << "\\\\FS1\\SYS\\SYSTEM"s
                                      << "\\\\FS1\\SYS\\SYSTEM\\"s;
        QTest::addRow("ends in zero byte") << "a\0"s
                                           << "a\0\\"s;
    }
    void addTrailingSeparator() {
        QFETCH(std::string, path);
        QFETCH(std::string, expected);
        QCOMPARE(Show(NetUtil::AddTrailingSeparator(path)), Show(expected));
    }
};

QTEST_GUILESS_MAIN(TextRoutinesTest)
#include "TextRoutinesTest.moc"
