#include "netclient/Passwords.h"

#include <cctype>

namespace NetClient {

namespace {
std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}
} // namespace

SecretText& SecretText::operator=(const SecretText& other) {
    if (this != &other) {
        Wipe();
        text_ = other.text_;
    }
    return *this;
}

SecretText& SecretText::operator=(SecretText&& other) noexcept {
    if (this != &other) {
        Wipe();
        text_ = other.text_;
        other.Wipe();
    }
    return *this;
}

void SecretText::Wipe() {
    // Through a volatile pointer, so that the compiler cannot drop the stores of a dying object.
    volatile char* bytes = text_.data();
    for (std::size_t i = 0; i < text_.size(); ++i)
        bytes[i] = '\0';
    text_.clear();
}

std::string PasswordKey(const Attachment& attachment) {
    return Upper(attachment.user) + "@" + Upper(attachment.serverName);
}

bool StoredOrAskedPasswords::StoreAvailable() {
    if (!storeAvailable_)
        storeAvailable_ = store_.IsAvailable();
    return *storeAvailable_;
}

std::optional<SecretText> StoredOrAskedPasswords::PasswordFor(const Attachment& attachment) {
    const std::string key = PasswordKey(attachment);
    const bool canRemember = StoreAvailable();
    // A remembered password is tried once; after the server refused it, the user is asked.
    if (canRemember && !fromStore_.contains(key)) {
        if (std::optional<SecretText> stored = store_.Read(key)) {
            fromStore_.insert(key);
            return stored;
        }
    }
    std::optional<PasswordAnswer> answer =
        prompt_.Ask({attachment.serverName, attachment.AddressText(), attachment.user, canRemember});
    if (!answer)
        return std::nullopt;
    if (answer->remember && canRemember)
        toRemember_[key] = answer->password;
    else
        toRemember_.erase(key);
    return std::move(answer->password);
}

void StoredOrAskedPasswords::LoginAccepted(const Attachment& attachment) {
    const auto pending = toRemember_.find(PasswordKey(attachment));
    if (pending == toRemember_.end())
        return;
    if (!store_.Write(pending->first, pending->second))
        rememberFailures_.push_back(attachment.serverName);
    toRemember_.erase(pending);
}

bool StoredOrAskedPasswords::LoginRefused(const Attachment& attachment) {
    const std::string key = PasswordKey(attachment);
    toRemember_.erase(key);
    if (!fromStore_.contains(key) || !storeRefusedOnce_.insert(key).second)
        return false;
    store_.Remove(key);
    return true;
}

std::string TellRememberFailureOnce(const std::vector<std::string>& servers) {
    static bool told = false;
    if (servers.empty() || told)
        return {};
    told = true;
    std::string names;
    for (const std::string& server : servers)
        names += (names.empty() ? "" : ", ") + server;
    return "The password for " + names +
           " could not be stored in the keyring: the desktop's secret store refused it or did not answer. "
           "It is used for this session only and will be asked for again at the next start.";
}

FixedPasswords::FixedPasswords(std::map<std::string, SecretText> byServer) {
    for (auto& [server, password] : byServer)
        byServer_[Upper(server)] = std::move(password);
}

std::optional<SecretText> FixedPasswords::PasswordFor(const Attachment& attachment) {
    const auto found = byServer_.find(Upper(attachment.serverName));
    if (found == byServer_.end())
        return std::nullopt;
    return found->second;
}

} // namespace NetClient
