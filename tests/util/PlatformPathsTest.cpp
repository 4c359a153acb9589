#include "util/PlatformPaths.h"
#include "util/PlatformPathsText.h"

#include "tests/util/FakeVolumeClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace std::string_literals;

namespace {

// Expected local paths are written below the test's volume tree as "@/...".
std::string BelowRoot(const std::string& expected, const std::string& root) {
    return expected.starts_with('@') ? root + expected.substr(1) : expected;
}

// "<XX>" stands for the character that shows the undecodable byte XX (U+DCXX).
QString Escaped(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('<') && i + 3 < text.size() && text[i + 3] == QLatin1Char('>')) {
            shown.append(QChar(static_cast<char16_t>(0xDC00 + text.mid(i + 1, 2).toUInt(nullptr, 16))));
            i += 3;
        } else {
            shown.append(text[i]);
        }
    }
    return shown;
}

bool Link(const std::string& target, const std::string& name) {
    return ::symlink(target.c_str(), name.c_str()) == 0;
}

} // namespace

class PlatformPathsTest final : public QObject {
    Q_OBJECT

private:
    FakeVolumeClient client;
    ScopedClientBinding binding{client};
    QTemporaryDir temporary;
    std::string root; // the real path of the temporary directory

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(temporary.isValid());
        root = QFileInfo(temporary.path()).canonicalFilePath().toStdString();
        for (const char* directory : {"/fs1/sys/SYSTEM", "/fs1/data", "/fs2", "/outside"})
            QVERIFY(QDir().mkpath(QString::fromStdString(root + directory)));
        client.AddVolume("FS1", "SYS", root + "/fs1/sys");
        client.AddVolume("FS1", "DATA", root + "/fs1/data/");
        client.AddVolume("FS2", "SYS", root + "/fs2");
        client.AddVolume("ROOTED", "SYS", "/");
        client.AddVolume("GONE", "SYS", root + "/missing");
        client.AddVolume("LINKED", "SYS", root + "/fs1/sys-link");
        // Links inside the SYS volume of FS1: some stay inside, some lead out.
        const std::string sys = root + "/fs1/sys";
        QVERIFY(Link(root + "/fs1/sys", root + "/fs1/sys-link"));
        QVERIFY(Link("SYSTEM", sys + "/inner"));
        QVERIFY(Link(root + "/outside", sys + "/out"));
        QVERIFY(Link("../../outside/file", sys + "/SYSTEM/outfile"));
        QVERIFY(Link(root + "/outside/none", sys + "/nowhere"));
        QVERIFY(Link("/", sys + "/top"));
        QFile file(QString::fromStdString(sys + "/SYSTEM/A.NLM"));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    void networkPaths_data() {
        QTest::addColumn<std::string>("path");
        QTest::addColumn<bool>("mapped");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("transfer destination")
            << "\\\\FS1\\SYS\\SYSTEM\\QVEXT.NLM"s << true << "@/fs1/sys/SYSTEM/QVEXT.NLM"s;
        QTest::addRow("directory with trailing separator")
            << "\\\\FS1\\SYS\\SYSTEM\\"s << true << "@/fs1/sys/SYSTEM/"s;
        QTest::addRow("names in lower case") << "\\\\fs1\\sys\\SYSTEM"s << true << "@/fs1/sys/SYSTEM"s;
        QTest::addRow("names in mixed case") << "\\\\Fs2\\sYs\\a"s << true << "@/fs2/a"s;
        QTest::addRow("volume root") << "\\\\FS1\\SYS"s << true << "@/fs1/sys"s;
        QTest::addRow("volume root with separator") << "\\\\FS1\\SYS\\"s << true << "@/fs1/sys/"s;
        QTest::addRow("volume directory ending in slash") << "\\\\FS1\\DATA\\x"s << true << "@/fs1/data/x"s;
        QTest::addRow("volume at the file-system root") << "\\\\ROOTED\\SYS\\x"s << true << "/x"s;
        QTest::addRow("rest with slashes") << "\\\\FS1\\SYS\\a/b"s << true << "@/fs1/sys/a/b"s;
        QTest::addRow("dots that do not climb")
            << "\\\\FS1\\SYS\\..x\\...\\.\\y"s << true << "@/fs1/sys/..x/.../y"s;
        QTest::addRow("existing file") << "\\\\FS1\\SYS\\SYSTEM\\A.NLM"s << true << "@/fs1/sys/SYSTEM/A.NLM"s;
        QTest::addRow("climbing out") << "\\\\FS1\\SYS\\SYSTEM\\..\\..\\etc\\passwd"s << false << ""s;
        QTest::addRow("climbing to the parent") << "\\\\FS1\\SYS\\.."s << false << ""s;
        QTest::addRow("climbing at the end with separator") << "\\\\FS1\\SYS\\a\\..\\"s << false << ""s;
        QTest::addRow("climbing through a slash") << "\\\\FS1\\SYS\\a/../../b"s << false << ""s;
        QTest::addRow("unknown server") << "\\\\FS9\\SYS\\SYSTEM\\"s << false << ""s;
        QTest::addRow("unknown volume") << "\\\\FS2\\DATA\\x"s << false << ""s;
        QTest::addRow("volume directory missing") << "\\\\GONE\\SYS\\x"s << false << ""s;
        QTest::addRow("server only") << "\\\\FS1"s << false << ""s;
        QTest::addRow("server and separator only") << "\\\\FS1\\"s << false << ""s;
        QTest::addRow("no server") << "\\\\\\SYS\\x"s << false << ""s;
        QTest::addRow("just the prefix") << "\\\\"s << false << ""s;
        QTest::addRow("zero byte") << "\\\\FS1\\SYS\\a\0b"s << false << ""s;
    }
    void networkPaths() {
        QFETCH(std::string, path);
        QFETCH(bool, mapped);
        QFETCH(std::string, expected);
        std::string local = "left from before";
        QCOMPARE(Platform::ToLocalPath(path, local), mapped);
        QCOMPARE(local, BelowRoot(expected, root));
    }

    // Links inside a volume are followed; the way must never end, or pass, outside the volume's directory.
    void linksInsideVolumes_data() {
        QTest::addColumn<std::string>("path");
        QTest::addColumn<bool>("mapped");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("link to a directory inside")
            << "\\\\FS1\\SYS\\inner\\QVEXT.NLM"s << true << "@/fs1/sys/SYSTEM/QVEXT.NLM"s;
        QTest::addRow("volume directory itself a link")
            << "\\\\LINKED\\SYS\\SYSTEM\\"s << true << "@/fs1/sys/SYSTEM/"s;
        QTest::addRow("link to a directory outside") << "\\\\FS1\\SYS\\out\\QVEXT.NLM"s << false << ""s;
        QTest::addRow("link to the outside directory itself") << "\\\\FS1\\SYS\\out"s << false << ""s;
        QTest::addRow("link to a file outside") << "\\\\FS1\\SYS\\SYSTEM\\outfile"s << false << ""s;
        QTest::addRow("link that leads nowhere") << "\\\\FS1\\SYS\\nowhere"s << false << ""s;
        QTest::addRow("below a link that leads nowhere") << "\\\\FS1\\SYS\\nowhere\\x"s << false << ""s;
        QTest::addRow("link to the file-system root") << "\\\\FS1\\SYS\\top\\etc"s << false << ""s;
        QTest::addRow("below a file") << "\\\\FS1\\SYS\\SYSTEM\\A.NLM\\x"s << false << ""s;
    }
    void linksInsideVolumes() { networkPaths(); }

    // Path bytes shown in a text field come back unchanged, whatever their encoding.
    void pathText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::addRow("ASCII") << QByteArray("/srv/nlm/") << QStringLiteral("/srv/nlm/");
        QTest::addRow("UTF-8") << QByteArray("/srv/caf\xC3\xA9/\xE2\x82\xAC")
                               << QStringLiteral("/srv/caf\u00E9/\u20AC");
        QTest::addRow("UTF-8 beyond the basic plane")
            << QByteArray("\xF0\x9F\x98\x80") << QStringLiteral("\U0001F600");
        QTest::addRow("Latin-1") << QByteArray("/srv/caf\xE9") << Escaped("/srv/caf<E9>");
        QTest::addRow("sequence cut short") << QByteArray("a\xC3") << Escaped("a<C3>");
        QTest::addRow("overlong slash") << QByteArray("\xC0\xAF") << Escaped("<C0><AF>");
        QTest::addRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << Escaped("<ED><A0><80>");
        QTest::addRow("beyond Unicode") << QByteArray("\xF4\x90\x80\x80") << Escaped("<F4><90><80><80>");
        QTest::addRow("zero byte and control characters")
            << QByteArray("a\0\r\x7F", 4) << QString::fromLatin1("a\0\r\x7F", 4);
    }
    void pathText() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const std::string path = bytes.toStdString();
        QCOMPARE(Platform::PathText(path), shown);
        QCOMPARE(Platform::PathBytes(Platform::PathText(path)), path);
    }

    void namesReachTheClientAsWritten() {
        std::string local;
        QVERIFY(Platform::ToLocalPath("\\\\fS1\\sYs\\SYSTEM", local));
        QCOMPARE(client.lastServer, "fS1"s);
        QCOMPARE(client.lastVolume, "sYs"s);
    }

    void localPaths_data() {
        QTest::addColumn<std::string>("path");
        QTest::addColumn<bool>("mapped");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("drive path") << "C:\\NLM\\QVEXT.NLM"s << true << "C:/NLM/QVEXT.NLM"s;
        QTest::addRow("Linux path") << "/home/admin/nlm/QVEXT.NLM"s << true << "/home/admin/nlm/QVEXT.NLM"s;
        QTest::addRow("Linux directory with separator added")
            << "/home/admin/nlm\\QVEXT.NLM"s << true << "/home/admin/nlm/QVEXT.NLM"s;
        QTest::addRow("root of the current drive") << "\\QVEXT.NLM"s << true << "/QVEXT.NLM"s;
        QTest::addRow("relative") << "nlm\\QVEXT.NLM"s << true << "nlm/QVEXT.NLM"s;
        QTest::addRow("double slash is no network path") << "//FS1/SYS/x"s << true << "//FS1/SYS/x"s;
        QTest::addRow("dots are the caller's business") << "a\\..\\b"s << true << "a/../b"s;
        QTest::addRow("empty") << ""s << false << ""s;
        QTest::addRow("zero byte") << "/tmp/a\0b"s << false << ""s;
    }
    void localPaths() {
        QFETCH(std::string, path);
        QFETCH(bool, mapped);
        QFETCH(std::string, expected);
        const int callsBefore = client.calls;
        std::string local = "left from before";
        QCOMPARE(Platform::ToLocalPath(path, local), mapped);
        QCOMPARE(local, expected);
        // The copy works on local paths without any client bound.
        QCOMPARE(client.calls, callsBefore);
    }
};

QTEST_GUILESS_MAIN(PlatformPathsTest)
#include "PlatformPathsTest.moc"
