// The window against servers on loopback that report what few servers do: many console screens, names with
// control bytes, '&' or nothing at all, two servers of one name; and the box of forty failed servers.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/widgets/RadioGroup.h"
#include "app/widgets/TabbedNotebook.h"
#include "emulator/DemoNetwork.h"
#include "emulator/NcpServer.h"
#include "ncp/StatusCodes.h"
#include "netclient/AttachFailures.h"
#include "netclient/NcpClient.h"
#include "netclient/SharedState.h"
#include "tests/support/ModalBoxCloser.h"
#include "tests/support/StubClient.h"
#include "util/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Each exchange may take this long: a goodbye that waited for it would show.
constexpr std::uint32_t TimeLimitSeconds = 30;

// ATLAS of the demo network (logged in as its console operator) and bindery servers attached without a
// login, the k-th of them allowing 100 + k connections; the window runs on the client attached to them.
struct Network {
    QTemporaryDir directory;
    std::vector<Emulator::DemoServer> demo = Emulator::MakeDemoServers(directory.filePath("v").toStdString());
    std::vector<std::unique_ptr<Emulator::Server>> others;
    Emulator::NcpServer ncp;
    std::optional<NetClient::NcpClient> client{std::in_place};
    std::optional<ScopedClientBinding> binding;
    QtMessageBoxPresenter presenter;
    ModalBoxCloser boxes;
    std::optional<TMainForm> form;

    Emulator::Server& Atlas() { return *demo.front().server; }

    TMainForm& Open(const QList<QByteArray>& names = {}) {
        ResetSharedState();
        NetUtil::SetSettingsDirectory(directory.path().toStdString());
        NetUtil::BindMessageBoxPresenter(&presenter);
        std::vector<NetClient::Attachment> attachments(1 + names.size());
        attachments[0].user = "ADMIN";
        ncp.AddServer(Atlas());
        for (const QByteArray& name : names) {
            Emulator::ServerConfig config;
            config.name = name.toStdString();
            config.majorVersion = 3;
            config.maxConnections = static_cast<std::uint16_t>(101 + others.size());
            others.push_back(std::make_unique<Emulator::Server>(config, directory.filePath("o").toStdString(),
                                                                Emulator::Clock{}));
            ncp.AddServer(*others.back());
        }
        if (!ncp.Start())
            qFatal("no loopback servers");
        for (std::size_t index = 0; index < attachments.size(); ++index) {
            attachments[index].host = "127.0.0.1";
            attachments[index].port = ncp.Port(index == 0 ? Atlas() : *others[index - 1]);
            attachments[index].timeoutSeconds = TimeLimitSeconds;
        }
        NetClient::FixedPasswords passwords({{"", NetClient::SecretText("acme")}});
        if (!client->AttachAll(attachments, passwords).empty())
            qFatal("not attached");
        binding.emplace(*client);
        form.emplace().show();
        return *form;
    }

    ~Network() {
        form.reset();
        NetUtil::BindMessageBoxPresenter(nullptr);
    }
};

// Shown, and not cut off by the window's lower edge.
bool InsideWindow(const QWidget* widget, const QWidget* window) {
    return widget->isVisible() && widget->mapTo(window, QPoint(0, widget->height())).y() <= window->height();
}

} // namespace

class UnusualServersLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The screen list scrolls in its place: the window keeps its size, Input and the buttons stay in view,
    // and the last screen can be chosen, is scrolled into view and shown.
    void manyScreens_data() {
        QTest::addColumn<int>("screens");
        QTest::addRow("25") << 25;
        QTest::addRow("30") << 30;
        QTest::addRow("4096") << 4096;
    }
    void manyScreens() {
        QFETCH(int, screens);
        Network network;
        Emulator::ServerConsole& console = network.Atlas().Console();
        for (auto number = console.ScreenCount() + 1; number <= static_cast<std::size_t>(screens); ++number)
            console.AddScreen(std::make_unique<Emulator::TextScreen>(
                "Screen " + std::to_string(number),
                std::vector<std::string>{"This is screen " + std::to_string(number)}));
        TMainForm& form = network.Open();
        const QSize size = form.size();
        form.TabbedNotebook1->setPageIndex(2);
        QCOMPARE(form.RadioGroupScreens->count(), screens);
        QVERIFY(InsideWindow(form.ButtonCLS, &form) && InsideWindow(form.EditKey, &form));

        form.RadioGroupScreens->setItemIndex(screens - 1);
        QCOMPARE(form.MemoConsole->toPlainText().section(QLatin1Char('\n'), 0, 0).trimmed(),
                 QStringLiteral("This is screen %1").arg(screens));
        QTRY_VERIFY(!form.RadioGroupScreens->findChildren<QRadioButton*>().last()->visibleRegion().isEmpty());
        QCOMPARE(form.size(), size);
    }

    // A name is shown as it is, in the list, the field and the title, and its entry finds its own server;
    // entries of one name carry their addresses.
    void names_data() {
        QTest::addColumn<QList<QByteArray>>("names");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("chosen");
        QTest::addRow("ampersand") << QList<QByteArray>{"R&D"} << QStringList{"R&D"} << 1;
        QTest::addRow("control bytes")
            << QList<QByteArray>{"Z\x01Y\x7f"} << QStringList{"Z\u263AY\u2302"} << 1;
        QTest::addRow("line break") << QList<QByteArray>{"A\r\nB"} << QStringList{"A\u266A\u25D9B"} << 1;
        QTest::addRow("escape, C1") << QList<QByteArray>{"\x1b[1m\x9b"} << QStringList{"\u2190[1m\uFFFD"}
                                    << 1;
        QTest::addRow("empty") << QList<QByteArray>{""} << QStringList{"<no name>"} << 1;
        QTest::addRow("same name, first")
            << QList<QByteArray>{"TWIN", "TWIN"} << QStringList{"TWIN", "TWIN"} << 1;
        QTest::addRow("same name, second")
            << QList<QByteArray>{"TWIN", "TWIN"} << QStringList{"TWIN", "TWIN"} << 2;
    }
    void names() {
        QFETCH(QList<QByteArray>, names);
        QFETCH(QStringList, entries);
        QFETCH(int, chosen);
        Network network;
        TMainForm& form = network.Open(names);
        QCOMPARE(form.ServerList->items(), QStringList{"ATLAS"} + entries);
        const QString entry = entries[chosen - 1];
        QCOMPARE(form.ServerList->findChildren<QRadioButton*>().at(chosen)->text(),
                 QString(entry).replace(QLatin1Char('&'), QStringLiteral("&&")));
        const auto port = network.ncp.Port(*network.others[static_cast<std::size_t>(chosen - 1)]);
        QCOMPARE(form.ServerList->itemNote(chosen),
                 names.count(names[chosen - 1]) > 1 ? QStringLiteral("127.0.0.1:%1").arg(port) : QString());

        form.ServerList->setItemIndex(chosen);
        QCOMPARE(form.EditSrv->text(), names[chosen - 1].isEmpty() ? QString() : entry);
        QCOMPARE(form.EditConn->text(), QStringLiteral("1 of %1 used").arg(chosen + 100));
        QCOMPARE(form.windowTitle(), entry + QStringLiteral(": <not authenticated>"));
    }

    // Ending never waits on a server: the goodbye to servers that ignore it, each allowing 30 s per exchange,
    // ends within one such limit, and every connection is closed.
    void goodbyeIgnored_data() {
        QTest::addColumn<int>("ignoring");
        QTest::addRow("none") << 0;
        QTest::addRow("one") << 1;
        QTest::addRow("all three") << 3;
    }
    void goodbyeIgnored() {
        QFETCH(int, ignoring);
        Network network;
        network.Open({"B", "C"});
        const std::vector<std::string> names{"ATLAS", "B", "C"};
        for (int index = 0; index < ignoring; ++index)
            QVERIFY(network.ncp.SetIgnoreGoodbye(names[static_cast<std::size_t>(index)], true));
        network.form.reset();
        QElapsedTimer ending;
        ending.start();
        network.client.reset();
        QVERIFY2(ending.elapsed() < TimeLimitSeconds * 1000, qPrintable(QString::number(ending.elapsed())));
        for (const std::string& name : names)
            QTRY_COMPARE(network.ncp.ConnectionCount(name), std::size_t{0});
    }

    // A box with many lines fits the screen: its text scrolls, its heading and button stay on the screen.
    void boxFitsTheScreen_data() {
        QTest::addColumn<int>("failures");
        QTest::addColumn<bool>("scrolls");
        QTest::addRow("one failure") << 1 << false;
        QTest::addRow("40 failures") << 40 << true;
    }
    void boxFitsTheScreen() {
        QFETCH(int, failures);
        QFETCH(bool, scrolls);
        std::vector<NetClient::AttachFailure> failed;
        for (int line = 1; line <= failures; ++line)
            failed.push_back(
                {"SERVER" + std::to_string(line), "127.0.0.1:9", StatusCodes::ConnectionRefused, {}});
        const QString text = QString::fromStdString(NetClient::FormatAttachFailures(failed, {}));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        ModalBoxCloser closer;
        closer.whileOpen = [&] {
            QWidget* box = QApplication::activeModalWidget();
            auto* area = box->findChild<QScrollArea*>();
            auto* ok = box->findChild<QPushButton*>();
            QVERIFY(area != nullptr && ok != nullptr);
            QVERIFY(screen.contains(box->frameGeometry()));
            QVERIFY(ok->isVisible() && box->rect().contains(QRect(ok->mapTo(box, QPoint(0, 0)), ok->size())));
            QCOMPARE(area->verticalScrollBar()->isVisible(), scrolls);
        };
        MessageBoxes::ShowApplicationError(text);
        QCOMPARE(closer.texts(), QStringList{text});
    }
};

QTEST_MAIN(UnusualServersLoopbackTest)
#include "UnusualServersLoopbackTest.moc"
