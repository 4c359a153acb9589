#include "network/KeychainPasswordStore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace {

const QString Service = QStringLiteral("Tessaline");
const QString SecretsName = QStringLiteral("org.freedesktop.secrets");

// Starts the job and waits for it at most the store's limit, keeping the window's input out meanwhile.
// True when it finished in time. A job that did not stays with its owner and deletes itself when it ends.
bool RunBounded(QKeychain::Job& job) {
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(KeychainPasswordStore::JobLimit, &loop, &QEventLoop::quit);
    job.start();
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (finished)
        job.deleteLater();
    else
        job.setAutoDelete(true);
    return finished;
}

QString KeyText(const std::string& key) {
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

// A session bus can be reached without starting one: libdbus would otherwise try to launch a bus of its own.
bool SessionBusAddressKnown() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

bool SecretServiceOnSessionBus() {
    if (!SessionBusAddressKnown())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr)
        return false;
    QDBusConnectionInterface* daemon = bus.interface();
    for (const QString& name :
         {SecretsName, QStringLiteral("org.kde.kwalletd6"), QStringLiteral("org.kde.kwalletd5")})
        if (daemon->isServiceRegistered(name).value())
            return true;
    // A secret service that the bus starts on first use (gnome-keyring, KeePassXC's integration).
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames"));
    const QDBusReply<QStringList> names =
        bus.call(ask, QDBus::Block, static_cast<int>(KeychainPasswordStore::JobLimit.count()));
    return names.isValid() && names.value().contains(SecretsName);
}

KeychainPasswordStore::KeychainPasswordStore() : jobOwner_(std::make_unique<QObject>()) {}

KeychainPasswordStore::~KeychainPasswordStore() = default;

bool KeychainPasswordStore::IsAvailable() {
    if (!available_)
        available_ = SecretServiceOnSessionBus();
    return *available_;
}

std::optional<NetClient::SecretText> KeychainPasswordStore::Read(const std::string& key) {
    if (!IsAvailable())
        return std::nullopt;
    auto* job = new QKeychain::ReadPasswordJob(Service, jobOwner_.get());
    job->setAutoDelete(false);
    job->setKey(KeyText(key));
    if (!RunBounded(*job)) {
        available_ = false;
        return std::nullopt;
    }
    if (job->error() != QKeychain::NoError)
        return std::nullopt;
    QByteArray bytes = job->textData().toUtf8();
    NetClient::SecretText password(bytes.toStdString());
    bytes.fill('\0');
    return password;
}

bool KeychainPasswordStore::Write(const std::string& key, const NetClient::SecretText& password) {
    if (!IsAvailable())
        return false;
    auto* job = new QKeychain::WritePasswordJob(Service, jobOwner_.get());
    job->setAutoDelete(false);
    job->setKey(KeyText(key));
    job->setTextData(
        QString::fromUtf8(password.Reveal().data(), static_cast<qsizetype>(password.Reveal().size())));
    if (!RunBounded(*job)) {
        available_ = false;
        return false;
    }
    return job->error() == QKeychain::NoError;
}

void KeychainPasswordStore::Remove(const std::string& key) {
    if (!IsAvailable())
        return;
    auto* job = new QKeychain::DeletePasswordJob(Service, jobOwner_.get());
    job->setAutoDelete(false);
    job->setKey(KeyText(key));
    if (!RunBounded(*job))
        available_ = false;
}
