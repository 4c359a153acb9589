#include "netclient/AttachFailures.h"

#include <QTest>

using NetClient::AttachFailure;

class AttachFailuresTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startUpBoxText_data() {
        // One server each, named S1, S2, ...; 0, 1 and 2 stand for a server the user skipped: no password
        // given, Skip in the start-up window, left out by Continue.
        QTest::addColumn<QList<quint32>>("statuses");
        QTest::addColumn<QString>("detail"); // of the first server
        QTest::addColumn<QStringList>("problems");
        QTest::addColumn<QString>("text");
        QTest::addRow("nothing to tell") << QList<quint32>{} << QString() << QStringList{} << QString();
        QTest::addRow("one server, wrong password") << QList<quint32>{0x89DE} << QString() << QStringList{}
                                                    << "This server could not be attached:\n\nS1 (h1:524): "
                                                       "The server refused the password (status 89DE)";
        QTest::addRow("several servers, each with its reason")
            << QList<quint32>{0x8885, 0x8805, 0x89FC, 0} << QString() << QStringList{}
            << "These servers could not be attached:\n"
               "\nS1 (h1:524): The server refused the connection: nothing listens at its address (status "
               "8885)"
               "\nS2 (h2:524): The server did not answer in time (status 8805)"
               "\nS3 (h3:524): The server knows no such user or object (status 89FC)"
               "\n\nYou skipped this server; it is not attached:\n"
               "\nS4 (h4:524): no password was given";
        QTest::addRow("skips only: no failure told") << QList<quint32>{1, 0, 2} << QString() << QStringList{}
                                                     << "You skipped these servers; they are not attached:\n"
                                                        "\nS1 (h1:524): skipped in the start-up window"
                                                        "\nS2 (h2:524): no password was given"
                                                        "\nS3 (h3:524): left out when Continue was chosen";
        QTest::addRow("a detail after the status")
            << QList<quint32>{0x89FC}
            << "the user's context O=X is not among the server's bindery contexts (O=Y)" << QStringList{}
            << "This server could not be attached:\n\nS1 (h1:524): The server knows no such user or object "
               "(status 89FC); "
               "the user's context O=X is not among the server's bindery contexts (O=Y)";
        QTest::addRow("statuses without words of their own")
            << QList<quint32>{0x89A7, 0x8833} << QString() << QStringList{}
            << "These servers could not be attached:\n"
               "\nS1 (h1:524): The server refused the request (completion code 0xA7) (status 89A7)"
               "\nS2 (h2:524): The workstation's requester failed (status 8833)";
        QTest::addRow("file problems after the servers")
            << QList<quint32>{0x8884} << QString() << QStringList{"f, line 2: bad", "f, line 5: worse"}
            << "This server could not be attached:\n"
               "\nS1 (h1:524): The address of the server could not be found (status 8884)"
               "\n\nThe attachments file has problems:\n\nf, line 2: bad\nf, line 5: worse";
        QTest::addRow("only file problems")
            << QList<quint32>{} << QString() << QStringList{"f: cannot be read"}
            << "The attachments file has problems:\n\nf: cannot be read";
    }
    void startUpBoxText() {
        QFETCH(QList<quint32>, statuses);
        QFETCH(QString, detail);
        QFETCH(QStringList, problems);
        QFETCH(QString, text);
        std::vector<AttachFailure> failures;
        for (int i = 0; i < statuses.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            const quint32 status = statuses[i];
            const NetClient::NotAttached skips[] = {NetClient::NotAttached::NoPassword,
                                                    NetClient::NotAttached::Skipped,
                                                    NetClient::NotAttached::LeftOut};
            failures.push_back({"S" + n, "h" + n + ":524", status > 2 ? status : 0,
                                i == 0 ? detail.toStdString() : "",
                                status > 2 ? NetClient::NotAttached::Failed : skips[status]});
        }
        std::vector<std::string> fileProblems;
        for (const QString& problem : problems)
            fileProblems.push_back(problem.toStdString());
        QCOMPARE(QString::fromStdString(NetClient::FormatAttachFailures(failures, fileProblems)), text);
    }
};

QTEST_GUILESS_MAIN(AttachFailuresTest)
#include "AttachFailuresTest.moc"
