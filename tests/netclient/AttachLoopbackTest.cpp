#include "network/LoopbackDemo.h"
#include "ncp/PcapWriter.h"
#include "ncp/StatusCodes.h"
#include "netclient/NcpClient.h"
#include "tests/support/SilentSocket.h"
#include "tests/support/TsharkCheck.h"

#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using NetClient::AttachFailure;
using NetClient::Attachment;
using NetClient::NcpClient;
using NetClient::SecretText;

namespace {

// Gives the passwords queued, one per question; an empty queue means the user cancelled.
class QueuedPasswords final : public NetClient::PasswordSource {
public:
    QStringList queue;
    QStringList events;
    std::optional<SecretText> PasswordFor(const Attachment& attachment) override {
        events << "ask " + QString::fromStdString(attachment.serverName);
        if (queue.isEmpty())
            return std::nullopt;
        return SecretText(queue.takeFirst().toStdString());
    }
    void LoginAccepted(const Attachment&) override { events << "accepted"; }
    bool LoginRefused(const Attachment&) override {
        events << "refused";
        return retryAfterRefusal;
    }
    bool retryAfterRefusal = false;
};

struct Demo {
    QTemporaryDir volumes;
    LoopbackDemo demo;
    Demo() {
        std::string error;
        if (!demo.Start(volumes.path().toStdString(), error))
            qFatal("demo network: %s", error.c_str());
    }
    Attachment Server(const char* name, const char* user = "") {
        for (Attachment attachment : demo.Attachments(2))
            if (attachment.serverName == name) {
                attachment.user = user;
                return attachment;
            }
        qFatal("no demo server %s", name);
    }
};

} // namespace

class AttachLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One attachment each: whether it attaches, the status it fails with, and what the password source saw.
    void attachesOrTellsWhyNot_data() {
        QTest::addColumn<QString>("target"); // a demo server, "closed" (nobody listens) or "silent"
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("passwords");
        QTest::addColumn<bool>("retry");
        QTest::addColumn<quint32>("status"); // 0xFFFFFFFF: attached
        QTest::addColumn<QStringList>("events");
        const quint32 attached = 0xFFFFFFFF;
        QTest::addRow("right password")
            << "ATLAS"
            << "ADMIN" << QStringList{"acme"} << false << attached << QStringList{"ask ATLAS", "accepted"};
        QTest::addRow("letter case of password and user ignored")
            << "ATLAS"
            << "admin" << QStringList{"AcMe"} << false << attached << QStringList{"ask ATLAS", "accepted"};
        QTest::addRow("wrong password") << "BOREAS"
                                        << "JDOE" << QStringList{"nope"} << false << quint32{0x89DE}
                                        << QStringList{"ask BOREAS", "refused"};
        QTest::addRow("wrong, then a fresh password")
            << "BOREAS"
            << "JDOE" << QStringList{"old", "sales"} << true << attached
            << QStringList{"ask BOREAS", "refused", "ask BOREAS", "accepted"};
        QTest::addRow("unknown user")
            << "ATLAS"
            << "NOBODY" << QStringList{"x"} << false << quint32{0x89FC} << QStringList{"ask ATLAS"};
        QTest::addRow("password not given")
            << "ATLAS"
            << "ADMIN" << QStringList{} << false << quint32{0} << QStringList{"ask ATLAS"};
        QTest::addRow("no login: nothing asked") << "CASTOR"
                                                 << "" << QStringList{} << false << attached << QStringList{};
        QTest::addRow("nobody listens: nothing asked")
            << "closed"
            << "ADMIN" << QStringList{"acme"} << false << quint32{StatusCodes::ConnectionRefused}
            << QStringList{};
        QTest::addRow("accepts but never answers: nothing asked")
            << "silent"
            << "ADMIN" << QStringList{"acme"} << false << quint32{StatusCodes::RequestTimedOut}
            << QStringList{};
    }
    void attachesOrTellsWhyNot() {
        QFETCH(QString, target);
        QFETCH(QString, user);
        QFETCH(QStringList, passwords);
        QFETCH(bool, retry);
        QFETCH(quint32, status);
        QFETCH(QStringList, events);
        Demo demo;
        Attachment attachment{"ZEUS", "127.0.0.1", 0, "ADMIN", {}, 1};
        const int silent = SilentSocket(attachment.port);
        if (target == "closed")
            ::close(silent);
        if (target != "closed" && target != "silent")
            attachment = demo.Server(qPrintable(target), qPrintable(user));
        QueuedPasswords source;
        source.queue = passwords;
        source.retryAfterRefusal = retry;
        NcpClient client;
        const std::vector<AttachFailure> failures = client.AttachAll({attachment}, source);
        QCOMPARE(source.events, events);
        if (status == 0xFFFFFFFF) {
            QVERIFY(failures.empty());
            QCOMPARE(client.ConnectionRefs().size(), std::size_t{1});
        } else {
            QCOMPARE(failures.size(), std::size_t{1});
            QCOMPARE(failures[0].status, status);
            QCOMPARE(failures[0].address, attachment.AddressText());
            QVERIFY(client.ConnectionRefs().empty());
        }
        if (target != "closed")
            ::close(silent);
    }

    // The servers that fail are left out of the table, the others keep the attachments' order; the first one
    // attached is the primary.
    void failuresAreLeftOutAndListedOnce() {
        Demo demo;
        Attachment nobody{"ZEUS", "127.0.0.1", 0, "", {}, 1};
        ::close(SilentSocket(nobody.port));
        Attachment boreas = demo.Server("BOREAS", "NOBODY");
        boreas.context = "O=ELSEWHERE";
        // By server: the servers answer in any order.
        NetClient::FixedPasswords source({{"ATLAS", SecretText("acme")}, {"BOREAS", SecretText("x")}});
        NcpClient client;
        const auto failures =
            client.AttachAll({nobody, demo.Server("ATLAS", "ADMIN"), boreas, demo.Server("CASTOR")}, source);
        QCOMPARE(
            QString::fromStdString(NetClient::FormatAttachFailures(failures, {})),
            QString(
                "These servers could not be attached:\n"
                "\nZEUS (127.0.0.1:%1): The server refused the connection: nothing listens at its address "
                "(status 8885)"
                "\nBOREAS (127.0.0.1:%2): The server knows no such user or object (status 89FC); the user's "
                "context "
                "O=ELSEWHERE is not among the server's bindery contexts (OU=Sales.O=ACME)")
                .arg(nobody.port)
                .arg(boreas.port));
        std::vector<std::string> names;
        for (const std::uint32_t ref : client.ConnectionRefs()) {
            char name[ClientLibrary::ServerNameSize] = {};
            client.GetConnRefInfo(ref, ClientLibrary::InfoServerName, sizeof name, name);
            names.emplace_back(name);
        }
        QCOMPARE(names, (std::vector<std::string>{"ATLAS", "CASTOR"}));
        std::uint32_t primary = 0;
        QCOMPARE(client.GetPrimaryConnRef(&primary), StatusCodes::Success);
        QCOMPARE(primary, client.ConnectionRefs().front());
    }

    // The capture holds every frame of the session, decodes as NCP, and never holds the password.
    void captureDecodesAndHoldsNoPassword() {
        if (!TsharkCheck::Available())
            QSKIP("tshark is not installed");
        Demo demo;
        QTemporaryDir directory;
        const QString file = directory.filePath("session.pcap");
        QList<std::uint16_t> ports;
        {
            Ncp::PcapWriter capture;
            QVERIFY(capture.Open(file.toStdString()));
            NcpClient client;
            client.SetCapture(&capture);
            NetClient::FixedPasswords passwords = demo.demo.Passwords();
            const auto attachments = demo.demo.Attachments();
            QVERIFY(client.AttachAll(attachments, passwords).empty());
            for (const Attachment& attachment : attachments)
                ports << attachment.port;
            std::uint32_t handle = 0;
            QCOMPARE(client.OpenConnByReference(client.ConnectionRefs().front(), 2, 0, &handle),
                     StatusCodes::Success);
            std::uint32_t user = 0;
            QCOMPARE(client.GetConnInfo(handle, 6, 4, &user), StatusCodes::Success);
        }
        const TsharkCheck::Report report = TsharkCheck::Check(file, ports);
        QVERIFY2(report.problems.isEmpty(), qPrintable(report.ProblemText()));
        QVERIFY(report.ncpFrames.filter("Keyed Object Login").size() >= 2);
        QFile bytes(file);
        QVERIFY(bytes.open(QIODevice::ReadOnly));
        // The demo passwords as typed (the servers' names hold "ACME" and "Sales", never these).
        const QByteArray all = bytes.readAll();
        for (const char* password : {"acme", "sales"})
            QVERIFY2(!all.contains(password), password);
    }
};

QTEST_GUILESS_MAIN(AttachLoopbackTest)
#include "AttachLoopbackTest.moc"
