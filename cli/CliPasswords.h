#pragma once

#include "netclient/Attachments.h"
#include "netclient/Passwords.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// Where the command-line tool's passwords come from, in this order: --password-file, --password-stdin, the
// keyring the program remembers them in, a question on the terminal. Never the command line or the
// environment; without a terminal nothing waits for an answer.
namespace Cli {

// The first line of a password file. Nothing, with the reason in problem, when the file cannot be read,
// is not a regular file, or may be read by its group or by others (its mode must be 0600 or stricter).
std::optional<NetClient::SecretText> ReadPasswordFile(const std::string& path, std::string& problem);

// The first line of standard input.
std::optional<NetClient::SecretText> ReadPasswordLine(std::FILE* input);

// Asks on the terminal (standard error), with echo off, when standard input and standard error are one.
// Nothing without a terminal or on an empty answer.
std::optional<NetClient::SecretText> AskOnTerminal(const NetClient::Attachment& attachment);

struct PasswordChoice {
    std::optional<NetClient::SecretText> given; // --password-file or --password-stdin, for every server
    NetClient::PasswordStore* keyring = nullptr;
    bool askOnTerminal = true;
};

// The passwords of the attachments that log in, by server name. A server for which none was found is
// listed in missing with the words that say so.
std::map<std::string, NetClient::SecretText>
CollectPasswords(const std::vector<NetClient::Attachment>& attachments, PasswordChoice& choice,
                 std::map<std::string, std::string>& missing);

} // namespace Cli
