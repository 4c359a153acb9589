#include "cli/CliPasswords.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace Cli {

namespace {

constexpr std::size_t MaxPasswordLength = 1024;

// Up to the first line end (LF or CRLF), at most MaxPasswordLength bytes.
std::string FirstLine(std::string text) {
    if (const std::size_t end = text.find('\n'); end != std::string::npos)
        text.resize(end);
    if (text.ends_with('\r'))
        text.pop_back();
    return text;
}

std::string ReadLine(int fd) {
    std::string line;
    char byte = 0;
    while (line.size() <= MaxPasswordLength && ::read(fd, &byte, 1) == 1 && byte != '\n')
        line.push_back(byte);
    return FirstLine(line);
}

} // namespace

std::optional<NetClient::SecretText> ReadPasswordFile(const std::string& path, std::string& problem) {
    // Opened once, without following a FIFO into a wait, and judged by what was opened.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = path + ": cannot be read";
        return std::nullopt;
    }
    struct stat status {};
    std::optional<NetClient::SecretText> password;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        problem = path + ": not a regular file";
    else if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        problem = path + ": may be read by others (mode " + mode + "); make it 0600 with chmod 600";
    } else {
        std::string text(MaxPasswordLength + 2, '\0');
        const ssize_t length = ::read(fd, text.data(), text.size());
        text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
        password = NetClient::SecretText(FirstLine(text));
        std::fill(text.begin(), text.end(), '\0');
    }
    ::close(fd);
    return password;
}

std::optional<NetClient::SecretText> ReadPasswordLine(std::FILE* input) {
    std::string line;
    for (int c = std::fgetc(input); c != EOF && c != '\n' && line.size() <= MaxPasswordLength;
         c = std::fgetc(input))
        line.push_back(static_cast<char>(c));
    NetClient::SecretText password(FirstLine(line));
    std::fill(line.begin(), line.end(), '\0');
    return password;
}

std::optional<NetClient::SecretText> AskOnTerminal(const NetClient::Attachment& attachment) {
    if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDERR_FILENO) == 0)
        return std::nullopt;
    std::fprintf(stderr, "Password for %s on %s (%s): ", attachment.user.c_str(),
                 attachment.serverName.c_str(), attachment.AddressText().c_str());
    std::fflush(stderr);
    termios saved{};
    const bool quiet = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    std::string line = ReadLine(STDIN_FILENO);
    if (quiet)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputc('\n', stderr);
    if (line.empty())
        return std::nullopt;
    NetClient::SecretText password(line);
    std::fill(line.begin(), line.end(), '\0');
    return password;
}

std::map<std::string, NetClient::SecretText>
CollectPasswords(const std::vector<NetClient::Attachment>& attachments, PasswordChoice& choice,
                 std::map<std::string, std::string>& missing) {
    std::map<std::string, NetClient::SecretText> passwords;
    bool keyringAvailable = false;
    bool keyringAsked = false;
    for (const NetClient::Attachment& attachment : attachments) {
        if (attachment.user.empty())
            continue;
        if (choice.given) {
            passwords[attachment.serverName] = *choice.given;
            continue;
        }
        if (choice.keyring != nullptr && !keyringAsked) {
            keyringAvailable = choice.keyring->IsAvailable();
            keyringAsked = true;
        }
        if (keyringAvailable)
            if (auto remembered = choice.keyring->Read(NetClient::PasswordKey(attachment))) {
                passwords[attachment.serverName] = std::move(*remembered);
                continue;
            }
        if (choice.askOnTerminal)
            if (auto asked = AskOnTerminal(attachment)) {
                passwords[attachment.serverName] = std::move(*asked);
                continue;
            }
        missing[attachment.serverName] =
            "no password for " + attachment.user + " on " + attachment.serverName +
            ": none remembered in the keyring and no terminal to ask on (use --password-file FILE or "
            "--password-stdin)";
    }
    return passwords;
}

} // namespace Cli
