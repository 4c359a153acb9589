#pragma once

#include "netclient/Passwords.h"

#include <QObject>

#include <chrono>
#include <memory>

// Remembered server passwords in the desktop's secret store (the Secret Service or KWallet, through
// QtKeychain), under the service name "Tessaline". Nothing ever falls back to a file.
//
// Start-up must never wait on a store that is not there: IsAvailable looks on the session bus for a running
// (or startable) secret service before any keychain job is made, and every job is given at most JobLimit;
// after one job ran out of time the store counts as not available for the rest of the session.
class KeychainPasswordStore final : public NetClient::PasswordStore {
public:
    static constexpr std::chrono::milliseconds JobLimit{2000};

    KeychainPasswordStore();
    ~KeychainPasswordStore() override;
    KeychainPasswordStore(const KeychainPasswordStore&) = delete;
    KeychainPasswordStore& operator=(const KeychainPasswordStore&) = delete;

    bool IsAvailable() override;
    std::optional<NetClient::SecretText> Read(const std::string& key) override;
    bool Write(const std::string& key, const NetClient::SecretText& password) override;
    void Remove(const std::string& key) override;

private:
    // Owns the jobs still running, so that none outlives the store.
    std::unique_ptr<QObject> jobOwner_;
    std::optional<bool> available_;
};

// Whether the session bus offers a secret store: a registered or activatable org.freedesktop.secrets, or a
// running KWallet. False at once without a session bus.
bool SecretServiceOnSessionBus();
