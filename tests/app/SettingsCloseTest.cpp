// Closing the window with the transfer path: what reaches the settings file, and that the user can always
// leave.

#include "WindowFixture.h"

#include <QDir>
#include <QLineEdit>

#include <fcntl.h>
#include <sys/stat.h>

using namespace std::string_literals;

namespace {

bool WriteSettingsFile(const std::string& contents) {
    const std::string path = NetUtil::SettingsFilePath("QVEXT");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
    return ::close(fd) == 0 && written;
}

} // namespace

class SettingsCloseTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Characters a line of the file cannot hold are left out of the stored path, and the window closes.
    void pathsALineCannotHold_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<std::string>("stored");
        QTest::addRow("stray CR") << QStringLiteral("/srv/nlm\r") << "/srv/nlm"s;
        QTest::addRow("CR in the middle") << QStringLiteral("/srv/\rnlm") << "/srv/nlm"s;
        QTest::addRow("zero byte") << QString::fromLatin1("/srv\0/nlm", 9) << "/srv/nlm"s;
        QTest::addRow("line break") << QStringLiteral("/srv/a\nTransfer Path=/b")
                                    << "/srv/aTransfer Path=/b"s;
    }
    void pathsALineCannotHold() {
        QFETCH(QString, typed);
        QFETCH(std::string, stored);
        WindowFixture fixture;
        TMainForm& form = fixture.Open();
        form.EditNLMSourcePath->setText(typed);
        QVERIFY(form.close());
        QCOMPARE(fixture.boxes.texts(), QStringList{});
        QCOMPARE(fixture.SettingsText(), "[Paths]\nTransfer Path=" + stored + "\n");
    }

    // The path stored by another program or an earlier run comes back into the file unchanged.
    void storedPathSurvivesARun_data() {
        QTest::addColumn<std::string>("contents");
        QTest::addRow("Latin-1") << "[Paths]\nTransfer Path=/srv/caf\xE9/nlm\n"s;
        QTest::addRow("invalid UTF-8") << "[Paths]\nTransfer Path=/srv/\xC3(\xFF\n"s;
        QTest::addRow("UTF-8") << "[Paths]\nTransfer Path=/srv/caf\xC3\xA9\n"s;
        QTest::addRow("byte-order mark and CR LF") << "\xEF\xBB\xBF[Paths]\r\nTransfer Path=/srv/nlm\r\n"s;
        QTest::addRow("CR line ends") << "[Paths]\rTransfer Path=/srv/nlm\r"s;
    }
    void storedPathSurvivesARun() {
        QFETCH(std::string, contents);
        WindowFixture fixture;
        QVERIFY(WriteSettingsFile(contents));
        TMainForm& form = fixture.Open();
        QVERIFY(form.EditNLMSourcePath->text().startsWith(QStringLiteral("/srv/")));
        QVERIFY(form.close());
        QCOMPARE(fixture.SettingsText(), contents);
    }

    // A settings file that cannot be written keeps the window open once, with the box; the next close
    // tries again and closes even when that fails too.
    void unwritableSettingsLetTheUserLeave_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::addRow("the file is a directory") << "file is directory";
        QTest::addRow("the directory is a file") << "directory is file";
        QTest::addRow("a named pipe") << "named pipe";
    }
    void unwritableSettingsLetTheUserLeave() {
        QFETCH(QString, obstacle);
        WindowFixture fixture;
        TMainForm& form = fixture.Open();
        const std::string file = NetUtil::SettingsFilePath("QVEXT");
        if (obstacle == "file is directory")
            QVERIFY(QDir().mkpath(QString::fromStdString(file)));
        if (obstacle == "named pipe")
            QVERIFY(::mkfifo(file.c_str(), 0644) == 0);
        if (obstacle == "directory is file") {
            const std::string directory = fixture.settingsDirectory.path().toStdString() + "/taken";
            QVERIFY(::close(::open(directory.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)) == 0);
            NetUtil::SetSettingsDirectory(directory + "/config");
        }
        const QString box = QStringLiteral("nach %1 kann nicht geschrieben werden")
                                .arg(QString::fromStdString(NetUtil::SettingsFilePath("QVEXT")));

        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QCOMPARE(fixture.boxes.texts(), QStringList{box});

        QVERIFY(form.close());
        QVERIFY(!form.isVisible());
        QCOMPARE(fixture.boxes.texts(), (QStringList{box, box}));
    }
};

QTEST_MAIN(SettingsCloseTest)
#include "SettingsCloseTest.moc"
