#include "ncp/StatusCodes.h"
#include "netclient/NcpClient.h"
#include "netclient/ParallelAttach.h"
#include "network/LoopbackDemo.h"
#include "tests/support/SilentSocket.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using NetClient::Attachment;
using NetClient::AttachStage;
using NetClient::ParallelAttach;
using NetClient::SecretText;

namespace {

// The demo passwords, or none for a server the user cancels.
class Passwords final : public NetClient::PasswordSource {
public:
    explicit Passwords(NetClient::FixedPasswords known) : known_(std::move(known)) {}
    QStringList cancelled;
    QStringList asked;
    std::optional<SecretText> PasswordFor(const Attachment& attachment) override {
        asked << QString::fromStdString(attachment.serverName);
        if (cancelled.contains(QString::fromStdString(attachment.serverName)))
            return std::nullopt;
        return known_.PasswordFor(attachment);
    }

private:
    NetClient::FixedPasswords known_;
};

} // namespace

class ParallelAttachLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Servers of the attachments file: demo servers (ATLAS and BOREAS log in), "hung" (accepts and never
    // answers), "refusing" (nobody listens). The user waits, skips the hung servers or chooses Continue once
    // every demo server is attached, which can only happen while the hung ones still wait: they are attached
    // side by side. The table keeps the file's order; the box tells failures and skips apart.
    void attachesSideBySide_data() {
        QTest::addColumn<QStringList>("servers");
        QTest::addColumn<QString>("action"); // "wait", "skip hung", "continue"
        QTest::addColumn<QString>("slow");   // a demo server whose replies come late, or ""
        QTest::addColumn<QStringList>("cancelled");
        QTest::addColumn<QStringList>("attached");
        QTest::addColumn<QString>("box"); // <NAME>: the port of that server
        QTest::addRow("hung and refusing servers fail, the others attach")
            << QStringList{"hung", "ATLAS", "refusing", "CASTOR"} << "wait"
            << "" << QStringList{} << QStringList{"ATLAS", "CASTOR"}
            << "These servers could not be attached:\n"
               "\nS1 (127.0.0.1:<S1>): The server did not answer in time (status 8805)"
               "\nS3 (127.0.0.1:<S3>): The server refused the connection: nothing listens at its address "
               "(status 8885)";
        QTest::addRow("a hung server skipped while the others attach")
            << QStringList{"hung", "ATLAS", "BOREAS"} << "skip hung"
            << "" << QStringList{} << QStringList{"ATLAS", "BOREAS"}
            << "You skipped this server; it is not attached:\n"
               "\nS1 (127.0.0.1:<S1>): skipped in the start-up window";
        QTest::addRow("Continue leaves out the servers still waiting")
            << QStringList{"ATLAS", "hung", "hung", "CASTOR"} << "continue"
            << "" << QStringList{} << QStringList{"ATLAS", "CASTOR"}
            << "You skipped these servers; they are not attached:\n"
               "\nS2 (127.0.0.1:<S2>): left out when Continue was chosen"
               "\nS3 (127.0.0.1:<S3>): left out when Continue was chosen";
        QTest::addRow("a slow first server stays first")
            << QStringList{"ATLAS", "CASTOR", "BOREAS"} << "wait"
            << "ATLAS" << QStringList{} << QStringList{"ATLAS", "CASTOR", "BOREAS"} << "";
        QTest::addRow("a cancelled login is a skip, not a failure")
            << QStringList{"BOREAS", "refusing", "ATLAS"} << "wait"
            << "" << QStringList{"BOREAS"} << QStringList{"ATLAS"}
            << "This server could not be attached:\n"
               "\nS2 (127.0.0.1:<S2>): The server refused the connection: nothing listens at its address "
               "(status 8885)"
               "\n\nYou skipped this server; it is not attached:\n"
               "\nBOREAS (127.0.0.1:<BOREAS>): no password was given";
    }
    void attachesSideBySide() {
        QFETCH(QStringList, servers);
        QFETCH(QString, action);
        QFETCH(QString, slow);
        QFETCH(QStringList, cancelled);
        QFETCH(QStringList, attached);
        QFETCH(QString, box);
        QTemporaryDir volumes;
        LoopbackDemo demo;
        std::string error;
        QVERIFY2(demo.Start(volumes.path().toStdString(), error), error.c_str());
        if (!slow.isEmpty())
            QVERIFY(demo.Network().SetReplyDelay(slow.toStdString(), std::chrono::milliseconds(300)));
        std::vector<Attachment> attachments;
        std::vector<int> sockets;
        // The hung servers wait out their time limit only where the user waits for them.
        const std::uint32_t limit = action == "wait" ? 2 : 60;
        for (const QString& server : servers) {
            Attachment attachment;
            for (const Attachment& known : demo.Attachments(limit))
                if (QString::fromStdString(known.serverName) == server)
                    attachment = known;
            if (attachment.serverName.empty()) {
                attachment = {"S" + std::to_string(attachments.size() + 1), "127.0.0.1", 0, "", {}, limit};
                const int fd = SilentSocket(attachment.port);
                if (server == "refusing")
                    ::close(fd);
                else
                    sockets.push_back(fd);
            }
            box.replace("<" + QString::fromStdString(attachment.serverName) + ">",
                        QString::number(attachment.port));
            attachments.push_back(attachment);
        }
        Passwords passwords(demo.Passwords());
        passwords.cancelled = cancelled;

        ParallelAttach run(attachments, nullptr);
        run.Start();
        const auto demoServersAttached = [&] {
            const auto progress = run.Progress();
            for (std::size_t i = 0; i < progress.size(); ++i)
                if (attached.contains(QString::fromStdString(progress[i].serverName)) &&
                    progress[i].stage != AttachStage::Attached)
                    return false;
            return true;
        };
        QDeadlineTimer deadline(60000);
        while (!run.Finished() && !deadline.hasExpired()) {
            run.Serve(passwords);
            if (action != "wait" && demoServersAttached()) {
                // The hung servers are still at their first step.
                for (const auto& progress : run.Progress())
                    if (!attached.contains(QString::fromStdString(progress.serverName)))
                        QCOMPARE(int(progress.stage), int(AttachStage::Connecting));
                if (action == "continue")
                    run.SkipUnfinished();
                for (qsizetype i = 0; i < servers.size(); ++i)
                    if (servers[i] == "hung")
                        run.Skip(static_cast<std::size_t>(i));
            }
            run.WaitForChange(std::chrono::milliseconds(50));
        }
        QVERIFY(run.Finished());

        NetClient::NcpClient client;
        client.AddAttached(run.TakeAttached());
        QStringList names;
        for (const std::uint32_t ref : client.ConnectionRefs()) {
            char name[ClientLibrary::ServerNameSize] = {};
            QCOMPARE(client.GetConnRefInfo(ref, ClientLibrary::InfoServerName, sizeof name, name),
                     StatusCodes::Success);
            names << name;
        }
        QCOMPARE(names, attached);
        std::uint32_t primary = 0;
        QCOMPARE(client.GetPrimaryConnRef(&primary), StatusCodes::Success);
        QCOMPARE(primary, client.ConnectionRefs().front());
        QCOMPARE(QString::fromStdString(NetClient::FormatAttachFailures(run.Failures(), {})), box);
        // Asked once each, and only for the servers with a login.
        for (const QString& server : passwords.asked) {
            QVERIFY2(server == "ATLAS" || server == "BOREAS", qPrintable(server));
            QCOMPARE(passwords.asked.count(server), 1);
        }
        for (const int fd : sockets)
            ::close(fd);
    }
};

QTEST_GUILESS_MAIN(ParallelAttachLoopbackTest)
#include "ParallelAttachLoopbackTest.moc"
