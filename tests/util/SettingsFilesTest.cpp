#include "util/Settings.h"

#include "tests/util/ChildScenario.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace std::string_literals;

namespace {

const std::string Default = "<the program's directory>";

// Kind and mode of what the name is (links not followed), and the contents of a small regular file.
std::string Describe(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return "nothing";
    std::string description =
        "mode " + std::to_string(status.st_mode) + " size " + std::to_string(status.st_size);
    if (S_ISREG(status.st_mode) && status.st_size < 4096)
        description += " contents " + Read(path);
    return description;
}

// Puts the obstacle of one row where the settings file QVEXT.INI goes in directory (the settings directory),
// then reads and writes the setting: the read must give the default, the write must fail, and the obstacle
// must be as it was.
std::string SpecialSettingsFile(const std::string& obstacle, const std::string& directory) {
    const std::string ini = directory + "/QVEXT.INI";
    bool prepared = ::mkdir(directory.c_str(), 0755) == 0;
    if (obstacle == "named pipe")
        prepared = prepared && ::mkfifo(ini.c_str(), 0644) == 0;
    else if (obstacle == "link to an endless device")
        prepared = prepared && ::symlink("/dev/zero", ini.c_str()) == 0;
    else if (obstacle == "link that leads nowhere")
        prepared = prepared && ::symlink((directory + "/gone").c_str(), ini.c_str()) == 0;
    else if (obstacle == "directory")
        prepared = prepared && ::mkdir(ini.c_str(), 0755) == 0;
    else if (obstacle == "settings directory is a file")
        prepared = ::rmdir(directory.c_str()) == 0 && Write(directory, "a file", 0644);
    else if (obstacle == "file over the size limit")
        prepared =
            prepared &&
            Write(ini, "[Paths]\nTransfer Path=x\n" + std::string(NetUtil::MaxSettingsFileSize, ';'), 0644);
    else if (obstacle == "read-only file")
        prepared = prepared && Write(ini, "[Other]\nA=1\n", 0444);
    else if (obstacle == "read-only directory")
        prepared = prepared && Write(ini, "[Other]\nA=1\n", 0644) && ::chmod(directory.c_str(), 0555) == 0;
    else
        return "unknown obstacle";
    if (!prepared)
        return "cannot prepare the obstacle";

    const std::string before = Describe(ini) + " / " + Describe(directory);
    const std::string read = NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default);
    const bool written = NetUtil::WriteSetting("QVEXT", "Paths", "Transfer Path", "/srv/nlm");
    const std::string after = Describe(ini) + " / " + Describe(directory);
    if (read != Default)
        return "read " + read;
    if (written)
        return "the write succeeded";
    if (after != before)
        return "changed from " + before + " to " + after;
    return {};
}

} // namespace

Q_DECLARE_METATYPE(ScenarioUser)

class SettingsFilesTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> temporary;
    std::string directory;
    std::string ini;

private Q_SLOTS:
    void init() {
        temporary = std::make_unique<QTemporaryDir>();
        QVERIFY(temporary->isValid());
        directory = temporary->path().toStdString() + "/config";
        ini = directory + "/QVEXT.INI";
        NetUtil::SetSettingsDirectory(directory);
    }
    void cleanup() {
        NetUtil::SetSettingsDirectory("");
        temporary.reset();
    }

    // Files written elsewhere: the stored value is found and comes back byte for byte.
    void readsForeignFiles_data() {
        QTest::addColumn<std::string>("contents");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("byte-order mark") << "\xEF\xBB\xBF[Paths]\r\nTransfer Path=/srv/nlm\r\n"s
                                         << "/srv/nlm"s;
        QTest::addRow("CR line ends") << "[Other]\rA=1\r[Paths]\rTransfer Path=/srv/nlm\r"s
                                      << "/srv/nlm"s;
        QTest::addRow("mixed line ends") << "[Other]\r\nA=1\n[Paths]\rTransfer Path=/srv/nlm"s
                                         << "/srv/nlm"s;
        QTest::addRow("Latin-1 value") << "[Paths]\nTransfer Path=/srv/caf\xE9\n"s
                                       << "/srv/caf\xE9"s;
        QTest::addRow("invalid UTF-8 value") << "[Paths]\nTransfer Path=\xC3(\xFF\xFE\n"s
                                             << "\xC3(\xFF\xFE"s;
        QTest::addRow("byte-order mark only") << "\xEF\xBB\xBF"s << Default;
    }
    void readsForeignFiles() {
        QFETCH(std::string, contents);
        QFETCH(std::string, expected);
        QVERIFY(::mkdir(directory.c_str(), 0755) == 0 && Write(ini, contents, 0644));
        QCOMPARE(NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default), expected);
    }

    // A rewrite keeps the file's own form and adds no second section or key.
    void rewritesInTheFilesOwnForm_data() {
        QTest::addColumn<std::string>("before");
        QTest::addColumn<std::string>("value");
        QTest::addColumn<std::string>("after");
        QTest::addRow("byte-order mark") << "\xEF\xBB\xBF[Paths]\r\nTransfer Path=old\r\n"s
                                         << "new"s
                                         << "\xEF\xBB\xBF[Paths]\r\nTransfer Path=new\r\n"s;
        QTest::addRow("CR line ends") << "[Paths]\rTransfer Path=old\rB=2\r"s
                                      << "new"s
                                      << "[Paths]\rTransfer Path=new\rB=2\r"s;
        QTest::addRow("Latin-1 value and neighbours") << "[Paths]\nA=\xE9\nTransfer Path=old\n"s
                                                      << "/srv/caf\xE9"s
                                                      << "[Paths]\nA=\xE9\nTransfer Path=/srv/caf\xE9\n"s;
        QTest::addRow("CR in the value is left out") << "[Paths]\nTransfer Path=old\n"s
                                                     << "/srv/\rnlm\r"s
                                                     << "[Paths]\nTransfer Path=/srv/nlm\n"s;
        QTest::addRow("LF in the value is left out") << ""s
                                                     << "a\nTransfer Path=b"s
                                                     << "[Paths]\nTransfer Path=aTransfer Path=b\n"s;
        QTest::addRow("zero byte in the value is left out") << ""s
                                                            << "/srv\0/nlm"s
                                                            << "[Paths]\nTransfer Path=/srv/nlm\n"s;
    }
    void rewritesInTheFilesOwnForm() {
        QFETCH(std::string, before);
        QFETCH(std::string, value);
        QFETCH(std::string, after);
        QVERIFY(::mkdir(directory.c_str(), 0755) == 0 && Write(ini, before, 0640));
        QVERIFY(NetUtil::WriteSetting("QVEXT", "Paths", "Transfer Path", value));
        QCOMPARE(Read(ini), after);
        struct stat status {};
        QVERIFY(::stat(ini.c_str(), &status) == 0);
        QCOMPARE(status.st_mode & 07777, 0640u);
    }

    // Anything but a writable regular file where the settings file goes: the start reads the default
    // without hanging, and the close cannot write but changes nothing.
    void specialSettingsFiles_data() {
        QTest::addColumn<std::string>("obstacle");
        QTest::addColumn<ScenarioUser>("user");
        for (const char* obstacle :
             {"named pipe", "link to an endless device", "link that leads nowhere", "directory",
              "settings directory is a file", "file over the size limit", "read-only file"})
            QTest::addRow("%s", obstacle) << std::string(obstacle) << ScenarioUser::Current;
        QTest::addRow("read-only file, unprivileged") << "read-only file"s << ScenarioUser::Nobody;
        QTest::addRow("read-only directory, unprivileged") << "read-only directory"s << ScenarioUser::Nobody;
    }
    void specialSettingsFiles() {
        QFETCH(std::string, obstacle);
        QFETCH(ScenarioUser, user);
        if (user == ScenarioUser::Nobody && ::geteuid() == 0)
            QVERIFY(::chown(temporary->path().toStdString().c_str(), NobodyId, NobodyId) == 0);
        const std::string result =
            RunInChild(user, 20, [&] { return SpecialSettingsFile(obstacle, directory); });
        QVERIFY2(result.empty(), result.c_str());
    }

    // A link to a regular file is followed: the file it leads to is rewritten and the link stays.
    void linkToARegularFile() {
        QVERIFY(::mkdir(directory.c_str(), 0755) == 0 &&
                Write(directory + "/real.ini", "[Paths]\nTransfer Path=old\n", 0644));
        QVERIFY(::symlink("real.ini", ini.c_str()) == 0);
        QCOMPARE(NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default), "old"s);
        QVERIFY(NetUtil::WriteSetting("QVEXT", "Paths", "Transfer Path", "new"));
        struct stat status {};
        QVERIFY(::lstat(ini.c_str(), &status) == 0 && S_ISLNK(status.st_mode));
        QCOMPARE(Read(directory + "/real.ini"), "[Paths]\nTransfer Path=new\n"s);
    }
};

QTEST_GUILESS_MAIN(SettingsFilesTest)
#include "SettingsFilesTest.moc"
