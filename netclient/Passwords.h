#pragma once

#include "netclient/Attachments.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Where the client gets the password of a server it logs in to. Passwords live only in memory, as long as
// the session needs them: never in a file, a log, a capture or on a command line. The login dialog and the
// desktop's secret store are the window's business (app/); this is the seam between them and the client.
namespace NetClient {

// A password in memory. Its bytes are overwritten when it goes; it has no way of being printed.
class SecretText final {
public:
    SecretText() = default;
    explicit SecretText(std::string text) : text_(std::move(text)) {}
    ~SecretText() { Wipe(); }
    SecretText(const SecretText& other) : text_(other.text_) {}
    SecretText(SecretText&& other) noexcept : text_(other.text_) { other.Wipe(); }
    SecretText& operator=(const SecretText& other);
    SecretText& operator=(SecretText&& other) noexcept;

    // The text, for the one place that hashes it.
    const std::string& Reveal() const { return text_; }
    bool Empty() const { return text_.empty(); }
    void Wipe();

private:
    std::string text_;
};

// The desktop's secret store. Every call returns within a short bound; a store that does not answer in
// time counts as not available.
class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    // False when no secret store is running: nothing can be read or remembered.
    virtual bool IsAvailable() = 0;
    // The remembered password, or nothing.
    virtual std::optional<SecretText> Read(const std::string& key) = 0;
    virtual bool Write(const std::string& key, const SecretText& password) = 0;
    virtual void Remove(const std::string& key) = 0;
};

struct PasswordQuestion {
    std::string serverName;
    std::string address; // "host:port"
    std::string user;
    bool canRemember = false; // a secret store is there to remember it in
};

struct PasswordAnswer {
    SecretText password;
    bool remember = false;
};

// Asks the user for a password (the login dialog). Nothing: the user cancelled, the server is skipped.
class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    virtual std::optional<PasswordAnswer> Ask(const PasswordQuestion& question) = 0;
};

// What the client asks for the password of an attachment with a user, and tells how the login went.
class PasswordSource {
public:
    virtual ~PasswordSource() = default;
    // Nothing: no password (the user cancelled); the server is not attached.
    virtual std::optional<SecretText> PasswordFor(const Attachment& attachment) = 0;
    virtual void LoginAccepted(const Attachment&) {}
    // The server refused the password. True when a fresh one may be asked for (the refused one was a
    // remembered one that has gone stale); the client then calls PasswordFor once more.
    virtual bool LoginRefused(const Attachment&) { return false; }
};

// The key under which a server's password is remembered: "USER@SERVER", upper-cased (both names are
// case-insensitive on the server).
std::string PasswordKey(const Attachment& attachment);

// The remembered password when the store has one, else the prompt. A password the user asked to remember
// is written to the store once the server has accepted it; a remembered password that the server refused
// is removed, so that the next start asks again.
class StoredOrAskedPasswords final : public PasswordSource {
public:
    StoredOrAskedPasswords(PasswordStore& store, PasswordPrompt& prompt) : store_(store), prompt_(prompt) {}

    std::optional<SecretText> PasswordFor(const Attachment& attachment) override;
    void LoginAccepted(const Attachment& attachment) override;
    bool LoginRefused(const Attachment& attachment) override;

    // The servers whose password the user asked to remember and the store did not take.
    const std::vector<std::string>& RememberFailures() const { return rememberFailures_; }

private:
    bool StoreAvailable();

    PasswordStore& store_;
    PasswordPrompt& prompt_;
    std::optional<bool> storeAvailable_; // asked once: a store that is not there is not asked again
    std::map<std::string, SecretText> toRemember_;
    std::set<std::string> fromStore_;        // keys whose remembered password was handed out
    std::set<std::string> storeRefusedOnce_; // keys whose remembered password the server refused
    std::vector<std::string> rememberFailures_;
};

// Words for a password the keyring did not take, once per run of the program: the first call gives them,
// every later call gives "" (the user has been told). servers names whose passwords were concerned.
std::string TellRememberFailureOnce(const std::vector<std::string>& servers);

// Passwords known in advance, by server name (letter case ignored): the demo network's.
class FixedPasswords final : public PasswordSource {
public:
    explicit FixedPasswords(std::map<std::string, SecretText> byServer);
    std::optional<SecretText> PasswordFor(const Attachment& attachment) override;

private:
    std::map<std::string, SecretText> byServer_; // keys upper-cased
};

} // namespace NetClient
