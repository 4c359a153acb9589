#include "netclient/ClientStartup.h"
#include "netclient/SharedState.h"
#include "tests/support/RecordingClient.h"
#include "util/ErrorReporting.h"

#include <QTest>

namespace {

// Records each plain message together with the LastStatus it was shown under.
class StatusCapturingPresenter final : public NetUtil::MessageBoxPresenter {
public:
    void ShowMessageBox(NetUtil::DialogType, const std::string& message) override {
        shown.append("box:" + QString::fromStdString(message));
    }
    void ShowPlainMessage(const std::string& message) override {
        shown.append(QString::fromStdString(message) + " @" + QString::number(LastStatus, 16));
    }
    QStringList shown;
};

// A client that scribbles into the handle output when the open fails, as a careless client may.
class ScribblingClient final : public RecordingClient {
public:
    std::uint16_t OpenConnByReference(std::uint32_t connRef, std::uint32_t openMode, std::uint32_t reserved,
                                      std::uint32_t* connHandle) override {
        const std::uint16_t status =
            RecordingClient::OpenConnByReference(connRef, openMode, reserved, connHandle);
        if (status != 0)
            *connHandle = 0xBADBAD;
        return status;
    }
};

} // namespace

class ClientStartupTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ResetSharedState(); }

    void startsInFourSteps_data() {
        QTest::addColumn<quint16>("clientStatus");
        QTest::addColumn<quint16>("clxStatus");
        QTest::addColumn<quint16>("primaryStatus");
        QTest::addColumn<quint16>("openStatus");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<quint32>("result");
        QTest::addColumn<quint32>("primaryConn");
        QTest::addColumn<bool>("opened");

        const QString clientMessage = "Could not Initialize NetWare Client";
        const QString clxMessage = "Could not Initialize NWCLX";
        QTest::addRow("all succeed") << quint16(0) << quint16(0) << quint16(0) << quint16(0) << QStringList{}
                                     << 0u << 77u << true;
        QTest::addRow("client fails") << quint16(0x8866) << quint16(0) << quint16(0) << quint16(0)
                                      << QStringList{clientMessage + " @8866"} << 0u << 77u << true;
        QTest::addRow("NWCLX fails") << quint16(0) << quint16(0x8867) << quint16(0) << quint16(0)
                                     << QStringList{clxMessage + " @8867"} << 0u << 77u << true;
        QTest::addRow("both start-ups fail, no primary")
            << quint16(0x8866) << quint16(0x8867) << quint16(0x8847) << quint16(0)
            << QStringList{clientMessage + " @8866", clxMessage + " @8867"} << 0x8847u << 0u << false;
        QTest::addRow("no primary connection") << quint16(0) << quint16(0) << quint16(0x8847) << quint16(0)
                                               << QStringList{} << 0x8847u << 0u << false;
        QTest::addRow("primary open fails") << quint16(0) << quint16(0) << quint16(0) << quint16(0x8801)
                                            << QStringList{} << 0x8801u << 0u << true;
        QTest::addRow("everything fails")
            << quint16(0x8866) << quint16(0x8867) << quint16(0) << quint16(0x8801)
            << QStringList{clientMessage + " @8866", clxMessage + " @8867"} << 0x8801u << 0u << true;
    }

    void startsInFourSteps() {
        QFETCH(quint16, clientStatus);
        QFETCH(quint16, clxStatus);
        QFETCH(quint16, primaryStatus);
        QFETCH(quint16, openStatus);
        QFETCH(QStringList, messages);
        QFETCH(quint32, result);
        QFETCH(quint32, primaryConn);
        QFETCH(bool, opened);

        ScribblingClient client;
        ScopedClientBinding binding(client);
        StatusCapturingPresenter presenter;
        NetUtil::BindMessageBoxPresenter(&presenter);
        client.startClientStatus = clientStatus;
        client.startClxStatus = clxStatus;
        client.primaryRef = 3;
        client.primaryRefStatus = primaryStatus;
        client.AddConnection({.connRef = 3, .connHandle = 77, .serverName = "FS1", .openStatus = openStatus});

        const std::uint32_t status = NCP_Ext::InitNetWareClient();
        NetUtil::BindMessageBoxPresenter(nullptr);

        QCOMPARE(status, result);
        QCOMPARE(LastStatus, result);
        QCOMPARE(presenter.shown, messages);
        QCOMPARE(NCP_Ext::PrimaryConn, primaryConn);
        QStringList calls{"StartClient(0,0)", "StartClx(0,0)", "GetPrimaryConnRef()"};
        if (opened)
            calls.append("OpenConnByReference(ref=3,mode=1,reserved=0)");
        QCOMPARE(client.CallList(), calls);
    }
};

QTEST_GUILESS_MAIN(ClientStartupTest)
#include "ClientStartupTest.moc"
