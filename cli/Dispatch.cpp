#include "cli/Dispatch.h"

#include "cli/CliNetwork.h"
#include "cli/CliPasswords.h"
#include "cli/Commands.h"
#include "network/KeychainPasswordStore.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace Cli {

namespace {

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string StatusHex(std::uint32_t status) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(status));
    return hex;
}

// The result as JSON, with its failure under "error".
QJsonObject ResultJson(const CommandResult& result) {
    QJsonObject json = result.json;
    if (!result.Ok()) {
        QJsonObject error;
        error["exit"] = static_cast<int>(result.exit);
        if (!result.operation.empty()) {
            error["status"] = Utf8(StatusHex(result.status));
            error["operation"] = Utf8(result.operation);
        }
        error["message"] = Utf8(result.problem);
        json["error"] = error;
    }
    return json;
}

void PrintJson(const QJsonValue& value) {
    const QByteArray text = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented)
                                            : QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
}

void PrintFailure(const std::string& serverName, const CommandResult& result) {
    if (!result.Ok())
        std::fprintf(stderr, "tessaline-cli: %s\n", ErrorLine(serverName, result).c_str());
}

// The command's work on one server, from the command line.
ServerCommand CommandFor(const Options& options, const std::atomic<bool>& stop, bool single) {
    const std::string& command = options.command;
    // Without --all the first argument is the server.
    const std::vector<std::string> rest(options.arguments.begin() + (options.all ? 0 : 1),
                                        options.arguments.end());
    const auto argument = [&rest](std::size_t i) { return i < rest.size() ? rest[i] : std::string(); };
    if (command == "info")
        return Info;
    if (command == "extensions")
        return Extensions;
    if (command == "load" || command == "unload")
        return [module = argument(0), load = command == "load"](ServerConnection& server) {
            return LoadOrUnload(server, module, load);
        };
    if (command == "screens")
        return Screens;
    if (command == "show")
        return [screen = ScreenOptions{argument(0), options.raw}](ServerConnection& server) {
            return Show(server, screen);
        };
    if (command == "send")
        return [&options, rest](ServerConnection& server) {
            // SERVER TEXT or SERVER SCREEN TEXT; with --key the text may be left out.
            ScreenOptions screen{rest.size() >= 2 ? rest[0] : std::string(), options.raw};
            std::string text = rest.size() >= 2 ? rest[1] : rest.size() == 1 ? rest[0] : std::string();
            std::vector<ScreenKey> keys;
            std::string problem;
            if (!KeysToSend(text, options.keys, keys, problem))
                return Failed(Exit::Usage, problem);
            return Send(server, screen, keys);
        };
    if (command == "run")
        return [run = RunOptions{argument(0), std::chrono::milliseconds(options.settleMilliseconds),
                                 std::chrono::seconds(options.timeoutSeconds.value_or(10))}](
                   ServerConnection& server) { return Run(server, run); };
    if (command == "watch")
        return [&options, &stop, screen = argument(0)](ServerConnection& server) {
            WatchOptions watch;
            watch.screen = screen;
            watch.interval = std::chrono::milliseconds(options.intervalMilliseconds);
            watch.stop = &stop;
            watch.emit = [&options, &server](const std::string& line) {
                if (options.json) {
                    QJsonObject json;
                    json["server"] = Utf8(server.attachment.serverName);
                    json["line"] = Utf8(line);
                    std::cout << QJsonDocument(json).toJson(QJsonDocument::Compact).toStdString() << '\n';
                } else {
                    std::cout << line << '\n';
                }
                std::cout.flush();
            };
            return Watch(server, watch);
        };
    if (command == "copy")
        return [source = argument(0), progressLine = single && !options.json &&
                                                     ::isatty(STDERR_FILENO) != 0](ServerConnection& server) {
            CopyOptions copy;
            copy.source = source;
            if (progressLine)
                copy.progress = [](std::uint64_t written, std::int64_t total) {
                    if (total > 0)
                        std::fprintf(
                            stderr, "\rCopying: %llu of %lld bytes (%lld%%)",
                            static_cast<unsigned long long>(written), static_cast<long long>(total),
                            static_cast<long long>(written * 100 / static_cast<std::uint64_t>(total)));
                    else
                        std::fprintf(stderr, "\rCopying: %llu bytes",
                                     static_cast<unsigned long long>(written));
                    std::fflush(stderr);
                };
            CommandResult result = Copy(server, copy);
            if (progressLine)
                std::fputc('\n', stderr);
            return result;
        };
    return ServerLine;
}

int Servers(const std::vector<NetClient::Attachment>& attachments, const ServerSetting& setting,
            const Options& options, const std::vector<std::string>& problems) {
    const std::vector<CommandResult> results = RunOnServers(attachments, setting, ServerLine);
    QJsonArray json;
    int exit = 0;
    for (std::size_t i = 0; i < attachments.size(); ++i) {
        const NetClient::Attachment& attachment = attachments[i];
        const CommandResult& result = results[i];
        const std::string user = attachment.user.empty() ? "-" : attachment.user;
        QJsonObject entry = ResultJson(result);
        entry["name"] = Utf8(attachment.serverName);
        entry["address"] = Utf8(attachment.AddressText());
        entry["user"] = Utf8(attachment.user);
        entry["attached"] = result.Ok();
        json.append(entry);
        if (!options.json) {
            const std::string state = result.Ok() ? result.text : "failed: " + ErrorLine({}, result);
            std::printf("%-12s %-21s %-12s %s\n", attachment.serverName.c_str(),
                        attachment.AddressText().c_str(), user.c_str(), state.c_str());
        }
        if (!result.Ok() && exit == 0)
            exit = static_cast<int>(result.exit);
    }
    if (options.json)
        PrintJson(json);
    for (const std::string& problem : problems)
        std::fprintf(stderr, "tessaline-cli: %s\n", problem.c_str());
    return exit;
}

} // namespace

int Dispatch(const Options& options, const std::atomic<bool>& stop) {
    CliNetwork network;
    CommandResult failure;
    if (!network.Open(options, failure)) {
        PrintFailure({}, failure);
        return static_cast<int>(failure.exit);
    }

    std::vector<NetClient::Attachment> targets;
    if (options.all || options.command == "servers") {
        targets = network.Attachments();
    } else if (const NetClient::Attachment* attachment = network.Find(options.arguments.front())) {
        targets.push_back(*attachment);
    } else {
        PrintFailure({}, Failed(Exit::NoSuchServer, "no server named " + options.arguments.front() +
                                                        (network.Demo() != nullptr ? " on the demo network"
                                                                                   : " in the attachments")));
        return static_cast<int>(Exit::NoSuchServer);
    }

    // The passwords are gathered here, on the main thread, before any server is attached.
    ServerSetting setting;
    setting.capture = network.Capture();
    std::unique_ptr<NetClient::PasswordSource> passwords;
    if (LoopbackDemo* demo = network.Demo()) {
        passwords = std::make_unique<NetClient::FixedPasswords>(demo->Passwords());
        setting.volumes = [demo](std::string_view server, std::string_view volume) {
            return demo->VolumeDirectory(server, volume);
        };
    } else {
        PasswordChoice choice;
        std::string problem;
        if (!options.passwordFile.empty()) {
            choice.given = ReadPasswordFile(options.passwordFile, problem);
            if (!choice.given) {
                PrintFailure({}, Failed(Exit::Usage, problem));
                return static_cast<int>(Exit::Usage);
            }
        } else if (options.passwordStdin) {
            choice.given = ReadPasswordLine(stdin);
        }
        std::unique_ptr<KeychainPasswordStore> keyring;
        if (!choice.given) {
            keyring = std::make_unique<KeychainPasswordStore>();
            choice.keyring = keyring.get();
        }
        passwords = std::make_unique<NetClient::FixedPasswords>(
            CollectPasswords(targets, choice, setting.missingPasswords));
    }
    setting.passwords = passwords.get();

    if (options.command == "servers")
        return Servers(targets, setting, options, network.Problems());

    const ServerCommand command = CommandFor(options, stop, !options.all);
    if (!options.all) {
        const CommandResult result = RunOnServer(targets.front(), setting, command);
        if (options.json && options.command != "watch")
            PrintJson(ResultJson(result));
        else
            std::fwrite(result.text.data(), 1, result.text.size(), stdout);
        std::fflush(stdout);
        PrintFailure(targets.front().serverName, result);
        return static_cast<int>(result.exit);
    }

    const std::vector<CommandResult> results = RunOnServers(targets, setting, command);
    QJsonObject json;
    int exit = 0;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const std::string& name = targets[i].serverName;
        json[Utf8(name)] = ResultJson(results[i]);
        if (!options.json)
            std::printf("== %s ==\n%s", name.c_str(), results[i].text.c_str());
        PrintFailure(name, results[i]);
        if (!results[i].Ok() && exit == 0)
            exit = static_cast<int>(results[i].exit);
    }
    if (options.json)
        PrintJson(json);
    return exit;
}

} // namespace Cli
