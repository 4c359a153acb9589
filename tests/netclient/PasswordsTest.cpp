#include "netclient/Passwords.h"

#include <QTest>

#include <deque>
#include <map>

using NetClient::Attachment;
using NetClient::PasswordAnswer;
using NetClient::PasswordQuestion;
using NetClient::SecretText;

namespace {

// A secret store held in a map; "log" records what was done to it.
class MapStore final : public NetClient::PasswordStore {
public:
    bool available = true;
    bool refusesWrites = false; // a store that is there but does not take what it is given
    std::map<std::string, std::string> entries;
    QStringList log;

    bool IsAvailable() override {
        log << "available?";
        return available;
    }
    std::optional<SecretText> Read(const std::string& key) override {
        log << "read " + QString::fromStdString(key);
        const auto found = entries.find(key);
        return found == entries.end() ? std::nullopt : std::optional<SecretText>(SecretText(found->second));
    }
    bool Write(const std::string& key, const SecretText& password) override {
        log << "write " + QString::fromStdString(key);
        if (refusesWrites)
            return false;
        entries[key] = password.Reveal();
        return true;
    }
    void Remove(const std::string& key) override {
        log << "remove " + QString::fromStdString(key);
        entries.erase(key);
    }
};

// Answers from a queue; an empty queue cancels.
class QueuedPrompt final : public NetClient::PasswordPrompt {
public:
    std::deque<std::pair<std::string, bool>> answers; // password, remember
    std::vector<PasswordQuestion> questions;

    std::optional<PasswordAnswer> Ask(const PasswordQuestion& question) override {
        questions.push_back(question);
        if (answers.empty())
            return std::nullopt;
        PasswordAnswer answer{SecretText(answers.front().first), answers.front().second};
        answers.pop_front();
        return answer;
    }
};

Attachment Atlas() {
    Attachment attachment;
    attachment.serverName = "Atlas";
    attachment.host = "10.0.0.1";
    attachment.user = "admin";
    return attachment;
}

QString Text(const std::optional<SecretText>& password) {
    return password ? QString::fromStdString(password->Reveal()) : QStringLiteral("<none>");
}

} // namespace

class PasswordsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // How the password is found and whether it is remembered once the server accepted it.
    void storeFirstThenPrompt_data() {
        QTest::addColumn<bool>("storeAvailable");
        QTest::addColumn<QString>("stored");   // empty: nothing remembered
        QTest::addColumn<bool>("remember");    // the box ticked in the dialog
        QTest::addColumn<QString>("password"); // handed to the client
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("canRemember"); // as the dialog was told
        QTest::addColumn<QString>("storedAfter");
        QTest::addRow("remembered: no dialog") << true << "acme" << false << "acme" << 0 << false << "acme";
        QTest::addRow("asked, remembered after login")
            << true << "" << true << "typed" << 1 << true << "typed";
        QTest::addRow("asked, not to be remembered") << true << "" << false << "typed" << 1 << true << "";
        QTest::addRow("no store: box disabled, nothing kept")
            << false << "" << true << "typed" << 1 << false << "";
    }
    void storeFirstThenPrompt() {
        QFETCH(bool, storeAvailable);
        QFETCH(QString, stored);
        QFETCH(bool, remember);
        QFETCH(QString, password);
        QFETCH(int, questions);
        QFETCH(bool, canRemember);
        QFETCH(QString, storedAfter);
        MapStore store;
        store.available = storeAvailable;
        if (!stored.isEmpty())
            store.entries["ADMIN@ATLAS"] = stored.toStdString();
        QueuedPrompt prompt;
        prompt.answers.push_back({"typed", remember});
        NetClient::StoredOrAskedPasswords source(store, prompt);

        QCOMPARE(Text(source.PasswordFor(Atlas())), password);
        QCOMPARE(int(prompt.questions.size()), questions);
        if (questions > 0) {
            QCOMPARE(prompt.questions[0].canRemember, canRemember);
            QCOMPARE(prompt.questions[0].address, std::string("10.0.0.1:524"));
        }
        QVERIFY(!store.log.contains("write ADMIN@ATLAS")); // nothing is written before the login is accepted
        source.LoginAccepted(Atlas());
        QCOMPARE(QString::fromStdString(store.entries["ADMIN@ATLAS"]), storedAfter);
    }

    void staleRememberedPasswordIsRemovedAndAskedFor() {
        MapStore store;
        store.entries["ADMIN@ATLAS"] = "old";
        QueuedPrompt prompt;
        prompt.answers.push_back({"new", true});
        NetClient::StoredOrAskedPasswords source(store, prompt);

        QCOMPARE(Text(source.PasswordFor(Atlas())), QStringLiteral("old"));
        QVERIFY(source.LoginRefused(Atlas()));
        QVERIFY(!store.entries.contains("ADMIN@ATLAS"));
        QCOMPARE(Text(source.PasswordFor(Atlas())), QStringLiteral("new"));
        // A typed password that is refused in turn gives no further try.
        QVERIFY(!source.LoginRefused(Atlas()));
        source.LoginAccepted(Atlas());
        QVERIFY(!store.entries.contains("ADMIN@ATLAS"));
    }

    // A password the store does not take is told once in words, however many servers it concerns.
    void aRefusedRememberIsToldOnce() {
        MapStore store;
        store.refusesWrites = true;
        QueuedPrompt prompt;
        prompt.answers.push_back({"typed", true});
        NetClient::StoredOrAskedPasswords source(store, prompt);
        source.PasswordFor(Atlas());
        source.LoginAccepted(Atlas());
        QCOMPARE(source.RememberFailures(), std::vector<std::string>{"Atlas"});
        const std::string words = NetClient::TellRememberFailureOnce(source.RememberFailures());
        QCOMPARE(
            QString::fromStdString(words),
            QStringLiteral("The password for Atlas could not be stored in the keyring: the desktop's secret "
                           "store refused it or did not answer. It is used for this session only and will "
                           "be asked for again at the next start."));
        QCOMPARE(NetClient::TellRememberFailureOnce({"BOREAS"}), std::string());
    }

    void cancelSkipsTheServer() {
        MapStore store;
        QueuedPrompt prompt;
        NetClient::StoredOrAskedPasswords source(store, prompt);
        QCOMPARE(Text(source.PasswordFor(Atlas())), QStringLiteral("<none>"));
        // The store is asked whether it is there once per session, not once per server.
        source.PasswordFor(Atlas());
        QCOMPARE(store.log.count("available?"), 1);
    }

    void secretTextIsEmptiedWhenMovedOrWiped() {
        SecretText first("hunter2");
        SecretText second(std::move(first));
        QVERIFY(first.Empty()); // NOLINT(bugprone-use-after-move): the moved-from text is wiped on purpose
        QCOMPARE(second.Reveal(), std::string("hunter2"));
        second.Wipe();
        QVERIFY(second.Empty());
    }
};

QTEST_GUILESS_MAIN(PasswordsTest)
#include "PasswordsTest.moc"
