#include "netclient/Attachments.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using NetClient::Attachment;
using NetClient::AttachmentList;

namespace {

// One attachment as "NAME|host|port|user|context|timeout".
QStringList Summary(const AttachmentList& list) {
    QStringList lines;
    for (const Attachment& a : list.attachments)
        lines << QStringLiteral("%1|%2|%3|%4|%5|%6")
                     .arg(QString::fromStdString(a.serverName), QString::fromStdString(a.host))
                     .arg(a.port)
                     .arg(QString::fromStdString(a.user), QString::fromStdString(a.context))
                     .arg(a.timeoutSeconds);
    return lines;
}

QStringList Problems(const AttachmentList& list) {
    QStringList problems;
    for (const std::string& problem : list.problems)
        problems << QString::fromStdString(problem);
    return problems;
}

} // namespace

class AttachmentsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A server saved from the attach dialog: the file keeps its comments, order and line ends, a known
    // section gets the new lines below its heading, and the result reads back as the attachment.
    void savesAnAttachmentIntoTheText_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addRow("an empty file gets the section alone")
            << QByteArray()
            << QByteArray("[FS2]\nAddress = 10.0.0.2:5240\nUser = ADMIN\nContext = O=ACME\nTimeout = 30\n");
        QTest::addRow("appended after a comment and a section, one blank line between")
            << QByteArray("; mine\n[ATLAS]\nAddress = 10.0.0.1 ; the first\n")
            << QByteArray(
                   "; mine\n[ATLAS]\nAddress = 10.0.0.1 ; the first\n\n[FS2]\nAddress = 10.0.0.2:5240\n"
                   "User = ADMIN\nContext = O=ACME\nTimeout = 30\n");
        QTest::addRow("a section of the same name in another case is replaced in place, comments kept")
            << QByteArray("[fs2]\n# old one\nAddress = 1.2.3.4\nUser = X\n[ATLAS]\nAddress = a\n")
            << QByteArray("[fs2]\nAddress = 10.0.0.2:5240\nUser = ADMIN\nContext = O=ACME\nTimeout = 30\n"
                          "# old one\n[ATLAS]\nAddress = a\n");
        QTest::addRow("CRLF line ends stay CRLF")
            << QByteArray("[ATLAS]\r\nAddress = a\r\n")
            << QByteArray("[ATLAS]\r\nAddress = a\r\n\r\n[FS2]\r\nAddress = 10.0.0.2:5240\r\nUser = ADMIN\r\n"
                          "Context = O=ACME\r\nTimeout = 30\r\n");
    }

    void savesAnAttachmentIntoTheText() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const Attachment fs2{"FS2", "10.0.0.2", 5240, "ADMIN", "O=ACME", 30};
        const std::string text = NetClient::WithAttachment(before.toStdString(), fs2);
        QCOMPARE(QByteArray::fromStdString(text), after);
        const AttachmentList read = NetClient::ParseAttachments(text);
        QVERIFY(read.problems.empty());
        QVERIFY(Summary(read).filter(QStringLiteral("|10.0.0.2|5240|ADMIN|O=ACME|30")).size() == 1);
    }

    void readsWellFormedFiles_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("attachments");
        QTest::addRow("address only: no user, port 524, 10 s")
            << QByteArray("[CASTOR]\nAddress=10.1.2.3\n") << QStringList{"CASTOR|10.1.2.3|524|||10"};
        QTest::addRow("every key, in file order")
            << QByteArray("[ATLAS]\nAddress=atlas.example.com:1524\nUser=ADMIN\nContext=OU=Sales.O=ACME\n"
                          "Timeout=3\n[BOREAS]\nAddress=10.0.0.2\nUser=JDOE\n")
            << QStringList{"ATLAS|atlas.example.com|1524|ADMIN|OU=Sales.O=ACME|3",
                           "BOREAS|10.0.0.2|524|JDOE||10"};
        QTest::addRow("CRLF, BOM, blanks around = and names in any case")
            << QByteArray("\xEF\xBB\xBF[ATLAS]\r\n  address =  10.0.0.1 : 600 \r\n\tuSeR\t=\tADMIN\r\n")
            << QStringList{"ATLAS|10.0.0.1|600|ADMIN||10"};
        QTest::addRow("CR only") << QByteArray("[A]\rAddress=h\rUser=U\r") << QStringList{"A|h|524|U||10"};
        QTest::addRow("comment lines and trailing comments")
            << QByteArray("; servers\n# more\n[A]\n; note\nAddress = h ; the lab server\nContext=OU=A;O=B\n")
            << QStringList{"A|h|524||OU=A;O=B|10"};
        QTest::addRow("no last line break") << QByteArray("[A]\nAddress=h") << QStringList{"A|h|524|||10"};
        QTest::addRow("empty") << QByteArray() << QStringList{};
    }
    void readsWellFormedFiles() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, attachments);
        const AttachmentList list = NetClient::ParseAttachments(text.toStdString());
        QCOMPARE(Problems(list), QStringList{});
        QCOMPARE(Summary(list), attachments);
    }

    // A bad line is skipped with one problem naming its line; the rest of the file still counts.
    void reportsBadLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("attachments");
        QTest::addColumn<QString>("problem");
        const QByteArray good = "[GOOD]\nAddress=h\n";
        QTest::addRow("unknown key")
            << good + "Adress=x\n"
            << QStringList{"GOOD|h|524|||10"}
            << "line 3: unknown key \"Adress\" (known: Address, User, Context, Timeout)";
        QTest::addRow("no equals sign")
            << good + "User ADMIN\n"
            << QStringList{"GOOD|h|524|||10"}
            << "line 3: expected \"[SERVER]\" or \"Key = value\", found \"User ADMIN\"";
        QTest::addRow("key before any section")
            << "User=X\n" + good << QStringList{"GOOD|h|524|||10"}
            << "line 1: \"User\" stands before the first \"[SERVER]\" heading";
        QTest::addRow("port out of range")
            << QByteArray("[BAD]\nAddress=h:70000\n") + good << QStringList{"GOOD|h|524|||10"}
            << "line 2: the port in \"h:70000\" is not a number from 1 to 65535";
        QTest::addRow("IPv6")
            << QByteArray("[BAD]\nAddress=::1\n") << QStringList{}
            << "line 2: the address \"::1\" has more than one \":\" (IPv6 is not supported)";
        QTest::addRow("host with a blank")
            << QByteArray("[BAD]\nAddress=my host\n") << QStringList{}
            << "line 2: the address \"my host\" is neither an IPv4 address nor a host name";
        QTest::addRow("no address")
            << QByteArray("[LOST]\nUser=U\n") + good << QStringList{"GOOD|h|524|||10"}
            << "line 1: the server LOST has no \"Address = host\" line; it is left out";
        QTest::addRow("time-out zero")
            << good + "Timeout=0\n"
            << QStringList{"GOOD|h|524|||10"}
            << "line 3: the time-out \"0\" is not a number of seconds from 1 to 600";
        QTest::addRow("server twice")
            << good + "[good]\nAddress=other\n"
            << QStringList{"GOOD|h|524|||10"}
            << "line 3: the server \"good\" is listed twice; the later section is ignored";
        QTest::addRow("key twice") << good + "Address=other\n"
                                   << QStringList{"GOOD|h|524|||10"}
                                   << "line 3: \"Address\" is given twice for GOOD";
        QTest::addRow("empty server name") << QByteArray("[ ]\nAddress=h\n") << QStringList{}
                                           << "line 1: the server name between \"[\" and \"]\" is empty";
        QTest::addRow("user with a blank")
            << good + "User=JOHN DOE\n"
            << QStringList{"GOOD|h|524|||10"}
            << "line 3: the user name \"JOHN DOE\" holds a blank or one of / \\ : ; , * ? "
               "(not allowed in names)";
        QTest::addRow("password line, value not repeated")
            << good + "Password=secret\n"
            << QStringList{"GOOD|h|524|||10"}
            << "line 3: passwords are not kept in this file; the program asks for them when it starts";
    }
    void reportsBadLines() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, attachments);
        QFETCH(QString, problem);
        const AttachmentList list = NetClient::ParseAttachments(text.toStdString());
        QCOMPARE(Problems(list), QStringList{problem});
        QCOMPARE(Summary(list), attachments);
    }

    void readsTheFileOrTellsWhyNot() {
        QTemporaryDir directory;
        const std::string path = directory.filePath(QStringLiteral("attachments.ini")).toStdString();
        AttachmentList list;
        QCOMPARE(NetClient::ReadAttachmentsFile(path, list), NetClient::AttachmentsFileState::Missing);
        QVERIFY(list.problems.empty());

        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[A]\nAddress=h\nBogus=1\n");
        file.close();
        QCOMPARE(NetClient::ReadAttachmentsFile(path, list), NetClient::AttachmentsFileState::Read);
        QCOMPARE(Summary(list), QStringList{"A|h|524|||10"});
        QCOMPARE(Problems(list),
                 QStringList{QString::fromStdString(path) +
                             ", line 3: unknown key \"Bogus\" (known: Address, User, Context, "
                             "Timeout)"});

        QCOMPARE(NetClient::ReadAttachmentsFile(directory.path().toStdString(), list),
                 NetClient::AttachmentsFileState::Unreadable);
        QCOMPARE(Problems(list), QStringList{directory.path() + ": cannot be read"});
    }
};

QTEST_GUILESS_MAIN(AttachmentsTest)
#include "AttachmentsTest.moc"
