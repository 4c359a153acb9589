#include "network/KeychainPasswordStore.h"

#include <QTemporaryDir>
#include <QTest>

// Without a session bus the store is not there: nothing is read or kept, and no keychain job is made that
// could keep start-up waiting.
class KeychainPasswordStoreTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void withoutASessionBusNothingIsRemembered() {
        QTemporaryDir runtime;
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8()); // holds no "bus" socket
        QVERIFY(!SecretServiceOnSessionBus());
        KeychainPasswordStore store;
        QVERIFY(!store.IsAvailable());
        QVERIFY(!store.Read("ADMIN@ATLAS").has_value());
        QVERIFY(!store.Write("ADMIN@ATLAS", NetClient::SecretText("acme")));
    }
};

QTEST_GUILESS_MAIN(KeychainPasswordStoreTest)
#include "KeychainPasswordStoreTest.moc"
