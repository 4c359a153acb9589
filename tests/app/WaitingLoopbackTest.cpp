// The window while a handler waits for a server that does not answer: the demo network on 127.0.0.1, the
// client attached to it as the program attaches, and ATLAS made to hold its replies back.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/WaitBox.h"
#include "app/widgets/RadioGroup.h"
#include "app/widgets/TabbedNotebook.h"
#include "netclient/NetworkFiles.h"
#include "netclient/SharedState.h"
#include "network/LoopbackDemo.h"
#include "tests/support/ModalBoxCloser.h"
#include "tests/support/StubClient.h"
#include "util/PlatformFileSystem.h"
#include "util/Settings.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

namespace {

constexpr std::uint32_t TimeLimitSeconds = 20;

// What the client told the window, passed on to it: the exchanges in order, and any that started while
// another was pending.
class RecordingObserver final : public NetClient::WaitObserver {
public:
    explicit RecordingObserver(NetClient::WaitObserver& window) : window_(window) {}
    void ExchangeStarted(std::string_view server, std::string_view call) override {
        nested = nested || pending_;
        pending_ = true;
        calls << QString::fromLatin1(call.data(), static_cast<qsizetype>(call.size()));
        window_.ExchangeStarted(server, call);
    }
    bool KeepWaiting() override { return window_.KeepWaiting(); }
    void ExchangeEnded() override {
        pending_ = false;
        window_.ExchangeEnded();
    }
    QStringList calls;
    bool nested = false;

private:
    NetClient::WaitObserver& window_;
    bool pending_ = false;
};

struct HungAtlas {
    QTemporaryDir directory;
    LoopbackDemo demo;
    NetClient::NcpClient client;
    ScopedClientBinding binding{client};
    QtMessageBoxPresenter presenter;
    ModalBoxCloser boxes;

    HungAtlas() {
        ResetSharedState();
        NetUtil::BindMessageBoxPresenter(&presenter);
        NetUtil::SetSettingsDirectory(directory.filePath(QStringLiteral("settings")).toStdString());
        std::string error;
        if (!demo.Start(directory.filePath(QStringLiteral("volumes")).toStdString(), error))
            qFatal("demo network: %s", error.c_str());
        NetClient::FixedPasswords passwords = demo.Passwords();
        if (!client.AttachAll(demo.Attachments(TimeLimitSeconds), passwords).empty())
            qFatal("the demo network did not attach");
    }
    ~HungAtlas() { NetUtil::BindMessageBoxPresenter(nullptr); }
    HungAtlas(const HungAtlas&) = delete;
    HungAtlas& operator=(const HungAtlas&) = delete;
};

} // namespace

class WaitingLoopbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void waiting_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("replyDelay"); // milliseconds ATLAS holds each reply
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("call"); // the first exchange, named in the box
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("closed");
        QTest::newRow("hung server: the box, then Cancel") << "cancel" << 60000 << "unload"
                                                           << "NWSMUnloadNLM"
                                                           << "Error 8805: NWSMUnloadNLM" << false;
        QTest::newRow("refresh tick during the wait") << "cancel with ticks" << 60000 << "unload"
                                                      << "NWSMUnloadNLM"
                                                      << "Error 8805: NWSMUnloadNLM" << false;
        QTest::newRow("window closed during the wait") << "close" << 60000 << "unload"
                                                       << "NWSMUnloadNLM"
                                                       << "" << true;
        // Every reply comes after a second: one Cancel ends the whole page change, not only its first call.
        QTest::newRow("slow server: a page change, then Cancel") << "cancel" << 1000 << "extensions page"
                                                                 << "ScanNCPExtensions"
                                                                 << "" << false;
    }
    // Unloading on ATLAS (or turning to its extensions) while it holds its replies: the window paints on,
    // after 0.5 s the box names ATLAS and the call, Cancel (or closing the window) ends the exchange at once
    // with 8805 and the handler goes on down its failure path, ticks of the refresh timer wait for the
    // handler's end, and no exchange ever nests.
    void waiting() {
        QFETCH(QString, user);
        QFETCH(int, replyDelay);
        QFETCH(QString, action);
        QFETCH(QString, call);
        QFETCH(QString, box);
        QFETCH(bool, closed);
        HungAtlas network;
        TMainForm form;
        form.show();
        auto* waitBox = form.findChild<WaitBox*>();
        QVERIFY(waitBox != nullptr);
        RecordingObserver observer(*waitBox);
        network.client.SetWaitObserver(&observer);
        QVERIFY(network.demo.Network().SetReplyDelay("ATLAS", std::chrono::milliseconds(replyDelay)));
        if (user == "cancel with ticks") {
            form.TimerScreenUpdate->setInterval(50);
            form.TimerScreenUpdate->start();
        }

        QElapsedTimer clock;
        qint64 boxShownAt = -1;
        qint64 paintedTurns = 0;
        QString boxText;
        QTimer watcher;
        watcher.setInterval(20);
        connect(&watcher, &QTimer::timeout, &form, [&] {
            ++paintedTurns;
            if (user == "close" && clock.elapsed() >= 200) {
                watcher.stop();
                form.close();
                return;
            }
            QDialog* shown = waitBox->Box();
            if (shown == nullptr || boxShownAt >= 0)
                return;
            boxShownAt = clock.elapsed();
            // Ticks have come during the wait; none may come during the handler's own boxes, where the
            // window lets them run.
            form.TimerScreenUpdate->stop();
            boxText = shown->findChild<QLabel*>(QStringLiteral("WaitText"))->text();
            QTest::keyClick(shown, Qt::Key_Escape);
        });
        watcher.start();
        const std::uint64_t roundTripsBefore = network.client.RoundTrips();
        clock.start();
        if (action == "unload")
            form.ButtonUnloadNLM->click();
        else
            form.TabbedNotebook1->setPageIndex(1);
        const qint64 handlerTime = clock.elapsed();
        watcher.stop();
        form.TimerScreenUpdate->stop();

        QVERIFY(handlerTime < TimeLimitSeconds * 1000 / 2);
        QVERIFY(paintedTurns > 3);
        QVERIFY(!observer.nested);
        QCOMPARE(observer.calls.value(0), call);
        if (closed) {
            QTRY_VERIFY(!form.isVisible());
            QFile settings(QString::fromStdString(NetUtil::SettingsFilePath("QVEXT")));
            QVERIFY(settings.exists());
            QCOMPARE(boxShownAt, qint64{-1});
            return;
        }
        QVERIFY(boxShownAt >= WaitBox::ShowAfterMilliseconds);
        // Nothing after the cancelled exchange went to the server.
        QCOMPARE(network.client.RoundTrips() - roundTripsBefore, std::uint64_t{1});
        QCOMPARE(boxText, QStringLiteral("Waiting for ATLAS: ") + call);
        QVERIFY(box.isEmpty() ? network.boxes.texts().isEmpty() : network.boxes.texts().contains(box));
        QTRY_VERIFY(waitBox->Box() == nullptr);
        if (user == "cancel with ticks") {
            // The held tick ran once the handler had ended, its boxes included: its extension lookup came
            // after the handler's own calls.
            QTRY_VERIFY(observer.calls.contains(QStringLiteral("GetNCPExtensionInfoByName")));
            QVERIFY(observer.calls.indexOf(QStringLiteral("GetNCPExtensionInfoByName")) >
                    observer.calls.indexOf(QStringLiteral("ScanNCPExtensions")));
        }
        network.client.SetWaitObserver(nullptr);
    }

    // An 8 MiB copy to ATLAS, each reply after 100 ms (about 13 s whole): the box tells the copy; Cancel
    // stops it at the next block, it fails as any copy does, and ATLAS keeps its old module, no temporary
    // file and its connection.
    void cancellingATransfer() {
        HungAtlas network;
        NetClient::NetworkFiles files(network.client);
        Platform::BindNetworkFiles(&files);
        const std::unique_ptr<NetClient::NetworkFiles, void (*)(NetClient::NetworkFiles*)> unbind(
            &files, [](NetClient::NetworkFiles*) { Platform::BindNetworkFiles(nullptr); });
        const std::filesystem::path system =
            network.demo.FindServer("ATLAS")->ServerVolumes().SystemDirectory();
        QFile old(QString::fromStdString((system / "BIG.NLM").string()));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old module") == 10);
        old.close();
        QFile source(network.directory.filePath(QStringLiteral("BIG.NLM")));
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write(QByteArray(8 << 20, 'm')) == 8 << 20);
        source.close();
        TMainForm form;
        form.show();
        auto* waitBox = form.findChild<WaitBox*>();
        form.EditNLMSourcePath->setText(network.directory.path());
        form.EditNLMName->setText(QStringLiteral("BIG.NLM"));
        QVERIFY(network.demo.Network().SetReplyDelay("ATLAS", std::chrono::milliseconds(100)));

        QString boxText;
        QTimer watcher;
        watcher.setInterval(20);
        connect(&watcher, &QTimer::timeout, &form, [&] {
            QDialog* shown = waitBox->Box();
            if (shown == nullptr || !boxText.isEmpty())
                return;
            boxText = shown->findChild<QLabel*>(QStringLiteral("WaitText"))->text();
            QTest::keyClick(shown, Qt::Key_Escape);
        });
        watcher.start();
        QElapsedTimer clock;
        clock.start();
        form.ButtonCopyToServer->click();
        QVERIFY(clock.elapsed() < TimeLimitSeconds * 1000 / 2);
        watcher.stop();

        QCOMPARE(boxText, QStringLiteral("Copying to ATLAS"));
        QVERIFY(network.boxes.texts().contains(QStringLiteral("Error FFFF: CopyFile")));
        QVERIFY(network.boxes.boxes().back().detail.contains(QStringLiteral("the copy was cancelled")));
        QDir systemDirectory(QString::fromStdString(system.string()), QStringLiteral("*.TMP"));
        QCOMPARE(systemDirectory.entryList(QDir::Files), QStringList{});
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old module"));
        // The copy stopped between exchanges: the connection is in order, not lost and paused.
        std::uint16_t status = 0;
        QVERIFY(network.client.SessionForServer("ATLAS", status) != nullptr);
    }
};

QTEST_MAIN(WaitingLoopbackTest)
#include "WaitingLoopbackTest.moc"
