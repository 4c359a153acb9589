#include "util/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace std::string_literals;

namespace {

const std::string Default = "<the program's directory>";

} // namespace

class SettingsTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> temporary;
    QString directory;

    QString IniPath() const { return directory + "/QVEXT.INI"; }

    bool WriteIni(const QByteArray& contents) const {
        QFile file(IniPath());
        return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
    }

    QByteArray ReadIni() const {
        QFile file(IniPath());
        if (!file.open(QIODevice::ReadOnly))
            return "<missing>";
        return file.readAll();
    }

private Q_SLOTS:
    void init() {
        temporary = std::make_unique<QTemporaryDir>();
        QVERIFY(temporary->isValid());
        directory = temporary->path() + "/config";
        NetUtil::SetSettingsDirectory(QFile::encodeName(directory).toStdString());
    }
    void cleanup() {
        NetUtil::SetSettingsDirectory("");
        temporary.reset();
    }

    void filePath() {
        QCOMPARE(NetUtil::SettingsFilePath("QVEXT"),
                 QFile::encodeName(directory).toStdString() + "/QVEXT.INI");
        NetUtil::SetSettingsDirectory("");
        const QString configuration = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QCOMPARE(NetUtil::SettingsDirectory(), QFile::encodeName(configuration).toStdString() + "/Tessaline");
    }

    void readMissingFile() {
        QCOMPARE(NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default), Default);
        QVERIFY(!QFile::exists(IniPath()));
    }

    void read_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("Windows path kept verbatim")
            << QByteArray("[Paths]\nTransfer Path=C:\\NLM\\\n") << "C:\\NLM\\"s;
        QTest::addRow("Linux path") << QByteArray("[Paths]\nTransfer Path=/home/admin/nlm\\\n")
                                    << "/home/admin/nlm\\"s;
        QTest::addRow("names in other case") << QByteArray("[pATHS]\ntransfer PATH=x\n") << "x"s;
        QTest::addRow("CRLF lines") << QByteArray("[Paths]\r\nTransfer Path=x\r\n") << "x"s;
        QTest::addRow("empty value is no default") << QByteArray("[Paths]\nTransfer Path=\n") << ""s;
        QTest::addRow("empty value, CRLF") << QByteArray("[Paths]\r\nTransfer Path=\r\n") << ""s;
        QTest::addRow("no final line break") << QByteArray("[Paths]\nTransfer Path=x") << "x"s;
        QTest::addRow("everything after the first equals sign")
            << QByteArray("[Paths]\nTransfer Path=a=b\n") << "a=b"s;
        QTest::addRow("blanks around the key") << QByteArray("[Paths]\n  Transfer Path =x y \n") << "x y "s;
        QTest::addRow("no percent decoding") << QByteArray("[Paths]\nTransfer Path=%20x\\t\n") << "%20x\\t"s;
        QTest::addRow("other keys and sections around")
            << QByteArray(
                   "; note\n[Other]\nTransfer Path=no\n\n[Paths]\nA=1\n;Transfer Path=no\nTransfer Path=yes\n"
                   "[Later]\nTransfer Path=no\n")
            << "yes"s;
        QTest::addRow("key missing") << QByteArray("[Paths]\nOther Path=x\n") << Default;
        QTest::addRow("key only in another section") << QByteArray("[Other]\nTransfer Path=x\n") << Default;
        QTest::addRow("key in the next section")
            << QByteArray("[Paths]\n[Next]\nTransfer Path=x\n") << Default;
        QTest::addRow("key before any section") << QByteArray("Transfer Path=x\n[Paths]\n") << Default;
        QTest::addRow("empty file") << QByteArray() << Default;
    }
    void read() {
        QFETCH(QByteArray, contents);
        QFETCH(std::string, expected);
        QVERIFY(QDir().mkpath(directory));
        QVERIFY(WriteIni(contents));
        QCOMPARE(NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default), expected);
    }

    void writeCreatesDirectoryAndFile() {
        QVERIFY(NetUtil::WriteSetting("QVEXT", "Paths", "Transfer Path", "C:\\NLM\\"));
        QCOMPARE(ReadIni(), QByteArray("[Paths]\nTransfer Path=C:\\NLM\\\n"));
        QCOMPARE(NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default), "C:\\NLM\\"s);
    }

    void write_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<std::string>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::addRow("replaces the value") << QByteArray("[Paths]\nTransfer Path=old\n") << "new"s
                                            << QByteArray("[Paths]\nTransfer Path=new\n");
        QTest::addRow("keeps everything else")
            << QByteArray("; note\n[Other]\nA=1\n\n[Paths]\nB=2\nTransfer Path=old\nC=3\n") << "new"s
            << QByteArray("; note\n[Other]\nA=1\n\n[Paths]\nB=2\nTransfer Path=new\nC=3\n");
        QTest::addRow("names matched without case") << QByteArray("[PATHS]\ntransfer path=old\n") << "new"s
                                                    << QByteArray("[PATHS]\nTransfer Path=new\n");
        QTest::addRow("adds the key to its section")
            << QByteArray("[Paths]\nB=2\n\n[Other]\nA=1\n") << "new"s
            << QByteArray("[Paths]\nB=2\nTransfer Path=new\n\n[Other]\nA=1\n");
        QTest::addRow("adds the section") << QByteArray("[Other]\nA=1\n") << "new"s
                                          << QByteArray("[Other]\nA=1\n\n[Paths]\nTransfer Path=new\n");
        QTest::addRow("adds the section to a file without final break")
            << QByteArray("[Other]\nA=1") << "new"s
            << QByteArray("[Other]\nA=1\n\n[Paths]\nTransfer Path=new\n");
        QTest::addRow("keeps CRLF lines") << QByteArray("[Paths]\r\nTransfer Path=old\r\nB=2\r\n") << "new"s
                                          << QByteArray("[Paths]\r\nTransfer Path=new\r\nB=2\r\n");
        QTest::addRow("stores an empty value")
            << QByteArray("[Paths]\nTransfer Path=old\n") << ""s << QByteArray("[Paths]\nTransfer Path=\n");
        QTest::addRow("stores backslashes and percent signs verbatim")
            << QByteArray() << "\\\\FS1\\SYS\\%20 x"s
            << QByteArray("[Paths]\nTransfer Path=\\\\FS1\\SYS\\%20 x\n");
    }
    void write() {
        QFETCH(QByteArray, before);
        QFETCH(std::string, value);
        QFETCH(QByteArray, after);
        QVERIFY(QDir().mkpath(directory));
        QVERIFY(WriteIni(before));
        QVERIFY(NetUtil::WriteSetting("QVEXT", "Paths", "Transfer Path", value));
        QCOMPARE(ReadIni(), after);
        QCOMPARE(NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default), value);
    }

    // Nothing is kept between calls: a change made by someone else is seen by the next read.
    void eachCallReadsTheFile() {
        QVERIFY(NetUtil::WriteSetting("QVEXT", "Paths", "Transfer Path", "first"));
        QCOMPARE(NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default), "first"s);
        QVERIFY(WriteIni("[Paths]\nTransfer Path=second\n"));
        QCOMPARE(NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default), "second"s);
        QVERIFY(QFile::remove(IniPath()));
        QCOMPARE(NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default), Default);
    }

    void failedWrite_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<std::string>("value");
        QTest::addRow("the file is a directory") << "file is directory"
                                                 << "C:\\NLM\\"s;
        QTest::addRow("the directory cannot be made") << "directory is file"
                                                      << "C:\\NLM\\"s;
    }
    void failedWrite() {
        QFETCH(QString, obstacle);
        QFETCH(std::string, value);
        if (obstacle == "file is directory")
            QVERIFY(QDir().mkpath(IniPath()));
        if (obstacle == "directory is file") {
            QFile blocker(directory);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        const QByteArray before = ReadIni();

        QVERIFY(!NetUtil::WriteSetting("QVEXT", "Paths", "Transfer Path", value));

        QCOMPARE(ReadIni(), before);
        QCOMPARE(QFileInfo(IniPath()).isDir(), obstacle == "file is directory");
        QCOMPARE(QFileInfo(directory).isFile(), obstacle == "directory is file");
        QCOMPARE(NetUtil::ReadSetting("QVEXT", "Paths", "Transfer Path", Default), Default);
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "SettingsTest.moc"
