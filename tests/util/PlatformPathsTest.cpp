#include "util/PlatformPaths.h"

#include "tests/util/FakeVolumeClient.h"

#include <QTest>

using namespace std::string_literals;

class PlatformPathsTest final : public QObject {
    Q_OBJECT

private:
    FakeVolumeClient client;
    ScopedClientBinding binding{client};

private Q_SLOTS:
    void initTestCase() {
        client.AddVolume("FS1", "SYS", "/srv/nw/fs1/sys");
        client.AddVolume("FS1", "DATA", "/srv/nw/fs1/data/");
        client.AddVolume("FS2", "SYS", "/srv/nw/fs2");
        client.AddVolume("ROOTED", "SYS", "/");
    }

    void networkPaths_data() {
        QTest::addColumn<std::string>("path");
        QTest::addColumn<bool>("mapped");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("transfer destination")
            << "\\\\FS1\\SYS\\SYSTEM\\QVEXT.NLM"s << true << "/srv/nw/fs1/sys/SYSTEM/QVEXT.NLM"s;
        QTest::addRow("directory with trailing separator")
            << "\\\\FS1\\SYS\\SYSTEM\\"s << true << "/srv/nw/fs1/sys/SYSTEM/"s;
        QTest::addRow("names in lower case") << "\\\\fs1\\sys\\SYSTEM"s << true << "/srv/nw/fs1/sys/SYSTEM"s;
        QTest::addRow("names in mixed case") << "\\\\Fs2\\sYs\\a"s << true << "/srv/nw/fs2/a"s;
        QTest::addRow("volume root") << "\\\\FS1\\SYS"s << true << "/srv/nw/fs1/sys"s;
        QTest::addRow("volume root with separator") << "\\\\FS1\\SYS\\"s << true << "/srv/nw/fs1/sys/"s;
        QTest::addRow("volume directory ending in slash")
            << "\\\\FS1\\DATA\\x"s << true << "/srv/nw/fs1/data/x"s;
        QTest::addRow("volume at the file-system root") << "\\\\ROOTED\\SYS\\x"s << true << "/x"s;
        QTest::addRow("rest with slashes") << "\\\\FS1\\SYS\\a/b"s << true << "/srv/nw/fs1/sys/a/b"s;
        QTest::addRow("dots that do not climb")
            << "\\\\FS1\\SYS\\..x\\...\\.\\y"s << true << "/srv/nw/fs1/sys/..x/..././y"s;
        QTest::addRow("climbing out") << "\\\\FS1\\SYS\\SYSTEM\\..\\..\\etc\\passwd"s << false << ""s;
        QTest::addRow("climbing to the parent") << "\\\\FS1\\SYS\\.."s << false << ""s;
        QTest::addRow("climbing at the end with separator") << "\\\\FS1\\SYS\\a\\..\\"s << false << ""s;
        QTest::addRow("climbing through a slash") << "\\\\FS1\\SYS\\a/../../b"s << false << ""s;
        QTest::addRow("unknown server") << "\\\\FS9\\SYS\\SYSTEM\\"s << false << ""s;
        QTest::addRow("unknown volume") << "\\\\FS2\\DATA\\x"s << false << ""s;
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
        QCOMPARE(local, expected);
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
