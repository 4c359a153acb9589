#include "cli/Commands.h"

#include "console/CodePage437.h"
#include "console/ConsoleLookup.h"
#include "console/ConsoleRequests.h"
#include "console/ScreenReader.h"
#include "console/ScreenScroll.h"
#include "ncp/StatusCodes.h"
#include "netclient/ClientLibrary.h"
#include "netclient/Connections.h"
#include "netclient/ExtensionList.h"
#include "netclient/NetworkFiles.h"
#include "netclient/ServerFacts.h"
#include "netclient/SharedState.h"
#include "netclient/StatusTexts.h"
#include "util/DisplayTexts.h"
#include "util/FileCopy.h"
#include "util/PlatformFileSystem.h"
#include "util/PlatformPaths.h"
#include "util/PlatformPathsText.h"
#include "util/ProgramDirectory.h"
#include "util/TextRoutines.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>

#include <filesystem>
#include <system_error>
#include <thread>

namespace Cli {

namespace {

constexpr std::uint8_t KeyBackspace = 8;
constexpr std::uint8_t KeyEscape = 27;
constexpr std::uint8_t KeyCarriageReturn = 13;
constexpr std::size_t MaxDirectoryLength = 255;
constexpr const char* DefaultModuleFile = "QVEXT.NLM";

// Arguments arrive as UTF-8; servers read and report 8-bit text (util/DisplayTexts.h).
std::string ToServer(const std::string& utf8) {
    return ServerBytes(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}
std::string FromServer(const std::string& bytes) {
    return ServerText(bytes).toStdString();
}
QString Json(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
QJsonArray JsonLines(const std::vector<std::string>& lines) {
    QJsonArray array;
    for (const std::string& line : lines)
        array.append(Json(line));
    return array;
}
std::string TextLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// The rows as the user sees them, trailing blanks removed; a row that could not be read is empty.
std::vector<std::string> ScreenLines(const NCP_Ext::ScreenCells& screen) {
    std::vector<std::string> lines;
    for (std::size_t row = 0; row < NCP_Ext::ScreenRows; ++row) {
        if (!screen.RowRead(row)) {
            lines.emplace_back();
            continue;
        }
        QString line = CodePage437::DecodeRow(screen.Row(row));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        lines.push_back(line.toStdString());
    }
    return lines;
}

// The character bytes of every cell, 80 to a line.
std::string RawLines(const NCP_Ext::ScreenCells& screen) {
    std::string text;
    for (std::size_t row = 0; row < NCP_Ext::ScreenRows; ++row) {
        for (std::size_t column = 0; column < NCP_Ext::ScreenColumns; ++column)
            text.push_back(static_cast<char>(screen.Row(row)[column * NCP_Ext::BytesPerCell]));
        text.push_back('\n');
    }
    return text;
}

// The console extension looked up as the Server Screen page does; the page's words when it is missing.
bool ConsoleReady(const ServerConnection& server, CommandResult& failure) {
    if (FindConsoleExtension())
        return true;
    failure = Failed(LastStatus, "NWGetNCPExtensionInfoByName", server.attachment.serverName);
    if (LastStatus == StatusCodes::NoSuchExtension)
        failure.problem = "NCP Extensions not loaded. Load QVEXT.NLM, first";
    return false;
}

// Reads the named screen (the first one when the name is empty, the name then filled in).
bool ReadScreen(const ServerConnection& server, std::string& screenName, NCP_Ext::ScreenCells& screen,
                CommandResult& failure) {
    if (screenName.empty()) {
        const std::vector<std::string> names = NCP_Ext::ScreenNames(CurrentConn, ConsoleExt.id);
        if (names.empty()) {
            failure = Failed(Exit::ServerFailed, "no console screens on " + server.attachment.serverName);
            return false;
        }
        screenName = names.front();
    }
    screen = NCP_Ext::ScreenCells{};
    if (!NCP_Ext::ReadNamedScreen(CurrentConn, ConsoleExt.id, screenName, screen)) {
        failure = Failed(Exit::ServerFailed, "no screen named \"" + FromServer(screenName) + "\" on " +
                                                 server.attachment.serverName);
        return false;
    }
    for (const bool read : screen.blockRead)
        if (!read) {
            failure = Failed(LastStatus != 0 ? LastStatus : StatusCodes::FailedRequest, "ReadScreenRows",
                             server.attachment.serverName);
            return false;
        }
    return true;
}

CommandResult ScreenResult(const std::string& screenName, const NCP_Ext::ScreenCells& screen, bool raw) {
    CommandResult result;
    const std::vector<std::string> lines = ScreenLines(screen);
    result.text = raw ? RawLines(screen) : TextLines(lines);
    result.json["screen"] = Json(FromServer(screenName));
    result.json["lines"] = JsonLines(lines);
    if (raw)
        result.json["cells"] =
            QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(screen.bytes.data()),
                                           static_cast<qsizetype>(screen.bytes.size()))
                                    .toBase64());
    return result;
}

void SendKeys(const std::vector<ScreenKey>& keys) {
    for (const ScreenKey& key : keys) {
        if (key.clear)
            NCP_Ext::ClearScreen(CurrentConn, ConsoleExt.id);
        else
            NCP_Ext::SendScreenKey(CurrentConn, ConsoleExt.id, key.keyWord);
    }
}

} // namespace

CommandResult Info(ServerConnection& server) {
    const NetUtil::ServerFacts facts = NetUtil::ReadServerFacts(server.connRef, CurrentConn);
    if (facts.operation == "NWGetFileServerInformation")
        return Failed(facts.status, facts.operation, server.attachment.serverName);
    CommandResult result;
    if (facts.status != 0)
        result = Failed(facts.status, facts.operation, server.attachment.serverName);
    const std::string user = FromServer(facts.userName);
    const std::string name = FromServer(facts.serverName);
    const std::string context = FromServer(facts.binderyContext);
    result.text = "User:            " + user + "\n" + "Server Name:     " + name + "\n" +
                  "Version:         " + NetUtil::VersionText(facts) + "\n" +
                  "Connections:     " + NetUtil::ConnectionsText(facts) + "\n" +
                  "Max Volumes:     " + std::to_string(facts.volumeCount) + "\n" +
                  "Bindery Context: " + context + "\n";
    result.json["user"] = Json(user);
    result.json["serverName"] = Json(name);
    result.json["version"] = Json(NetUtil::VersionText(facts));
    result.json["connectionsInUse"] = facts.connectionsInUse;
    result.json["maxConnections"] = facts.maxConnections;
    result.json["volumes"] = facts.volumeCount;
    result.json["binderyContext"] = Json(context);
    return result;
}

CommandResult ServerLine(ServerConnection& server) {
    const NetUtil::ServerFacts facts = NetUtil::ReadServerFacts(server.connRef, CurrentConn);
    CommandResult result;
    if (facts.operation == "NWGetFileServerInformation")
        return Failed(facts.status, facts.operation, server.attachment.serverName);
    result.json["version"] = Json(NetUtil::VersionText(facts));
    result.json["connectionsInUse"] = facts.connectionsInUse;
    result.json["maxConnections"] = facts.maxConnections;
    result.text = NetUtil::VersionText(facts) + "  " + NetUtil::ConnectionsText(facts);
    return result;
}

CommandResult Extensions(ServerConnection&) {
    CommandResult result;
    QJsonArray entries;
    for (const ExtensionEntry& entry : ScanExtensionEntries(CurrentConn)) {
        result.text += FromServer(FormatExtensionLine(entry.name, entry.majorVersion, entry.minorVersion,
                                                      entry.revision)) +
                       "\n";
        QJsonObject json;
        json["name"] = Json(FromServer(entry.name));
        json["majorVersion"] = entry.majorVersion;
        json["minorVersion"] = entry.minorVersion;
        json["revision"] = entry.revision;
        entries.append(json);
    }
    result.json["extensions"] = entries;
    return result;
}

CommandResult LoadOrUnload(ServerConnection& server, const std::string& moduleName, bool load) {
    const std::string module = ModuleNameForClient(ToServer(moduleName));
    const std::uint16_t status = load ? Client().NWSMLoadNLM(CurrentConn, module.c_str())
                                      : Client().NWSMUnloadNLM(CurrentConn, module.c_str());
    LastStatus = status;
    if (status != 0)
        return Failed(status, load ? "NWSMLoadNLM" : "NWSMUnloadNLM", server.attachment.serverName,
                      FromServer(module));
    CommandResult result;
    const QString text = load ? LoadedText(ServerText(module)) : UnloadedText(ServerText(module));
    result.text = text.toStdString() + "\n";
    result.json["module"] = Json(FromServer(module));
    result.json["done"] = load ? QStringLiteral("loaded") : QStringLiteral("unloaded");
    return result;
}

CommandResult Screens(ServerConnection& server) {
    CommandResult failure;
    if (!ConsoleReady(server, failure))
        return failure;
    std::vector<std::string> names;
    for (const std::string& name : NCP_Ext::ScreenNames(CurrentConn, ConsoleExt.id))
        names.push_back(FromServer(name));
    CommandResult result;
    result.text = TextLines(names);
    result.json["screens"] = JsonLines(names);
    return result;
}

CommandResult Show(ServerConnection& server, const ScreenOptions& options) {
    CommandResult failure;
    if (!ConsoleReady(server, failure))
        return failure;
    std::string screenName = ToServer(options.screen);
    NCP_Ext::ScreenCells screen;
    if (!ReadScreen(server, screenName, screen, failure))
        return failure;
    return ScreenResult(screenName, screen, options.raw);
}

bool KeysToSend(const std::string& text, const std::vector<std::string>& keyNames,
                std::vector<ScreenKey>& keys, std::string& problem) {
    const QString typed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (qsizetype i = 0; i < typed.size(); ++i) {
        QChar character = typed[i];
        if (character == QLatin1Char('\\')) {
            if (++i == typed.size()) {
                problem = "a backslash ends the text; write \\\\ for one";
                return false;
            }
            const char escape = typed[i].toLatin1();
            if (escape == 'r')
                keys.push_back({false, MakeKeyWord(KeyCarriageReturn, 0)});
            else if (escape == 'e')
                keys.push_back({false, MakeKeyWord(KeyEscape, 0)});
            else if (escape == 'b')
                keys.push_back({false, MakeKeyWord(KeyBackspace, 0)});
            else if (escape == '\\')
                keys.push_back({false, MakeKeyWord('\\', 0)});
            else {
                problem = std::string("unknown escape \\") + QString(typed[i]).toStdString() +
                          " (\\r, \\e, \\b and \\\\ are known)";
                return false;
            }
            continue;
        }
        const auto byte = CodePage437::FromUnicode(character);
        if (!byte) {
            problem = "the console's code page has no " + QString(character).toStdString();
            return false;
        }
        keys.push_back({false, MakeKeyWord(*byte, 0)});
    }
    for (const std::string& name : keyNames) {
        if (name == "up")
            keys.push_back({false, MakeKeyWord(0, ScanCodeCursorUp)});
        else if (name == "down")
            keys.push_back({false, MakeKeyWord(0, ScanCodeCursorDown)});
        else if (name == "esc")
            keys.push_back({false, MakeKeyWord(KeyEscape, 0)});
        else if (name == "cr")
            keys.push_back({false, MakeKeyWord(KeyCarriageReturn, 0)});
        else if (name == "cls")
            keys.push_back({true, 0});
    }
    return true;
}

CommandResult Send(ServerConnection& server, const ScreenOptions& options,
                   const std::vector<ScreenKey>& keys) {
    CommandResult failure;
    if (!ConsoleReady(server, failure))
        return failure;
    // Keys go to the screen selected last: the one read first.
    std::string screenName = ToServer(options.screen);
    NCP_Ext::ScreenCells screen;
    if (!ReadScreen(server, screenName, screen, failure))
        return failure;
    SendKeys(keys);
    if (!ReadScreen(server, screenName, screen, failure))
        return failure;
    return ScreenResult(screenName, screen, options.raw);
}

CommandResult Run(ServerConnection& server, const RunOptions& options) {
    CommandResult failure;
    if (!ConsoleReady(server, failure))
        return failure;
    // The command is typed as written, without escapes, and Enter after it.
    std::vector<ScreenKey> keys;
    for (const QChar character :
         QString::fromUtf8(options.command.data(), static_cast<qsizetype>(options.command.size()))) {
        const auto byte = CodePage437::FromUnicode(character);
        if (!byte)
            return Failed(Exit::Usage, "the console's code page has no " + QString(character).toStdString());
        keys.push_back({false, MakeKeyWord(*byte, 0)});
    }
    keys.push_back({false, MakeKeyWord(KeyCarriageReturn, 0)});

    std::string screenName;
    for (const std::string& name : NCP_Ext::ScreenNames(CurrentConn, ConsoleExt.id))
        if (name == SystemConsoleName)
            screenName = name;
    NCP_Ext::ScreenCells screen;
    if (!ReadScreen(server, screenName, screen, failure))
        return failure;
    NCP_Ext::NewLineTracker tracker;
    const std::vector<std::string> before = ScreenLines(screen);
    tracker.Follow(before);
    const std::size_t promptRow = NCP_Ext::CompleteRows(before);
    const std::string prompt = promptRow < before.size() ? before[promptRow] : std::string();
    SendKeys(keys);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point lastChange = start;
    const auto poll =
        std::clamp(options.settle / 5, std::chrono::milliseconds(20), std::chrono::milliseconds(200));
    bool settled = false;
    NCP_Ext::ScreenCells latest = screen;
    while (!settled) {
        std::this_thread::sleep_for(poll);
        NCP_Ext::ScreenCells now;
        if (!ReadScreen(server, screenName, now, failure))
            return failure;
        if (now.bytes != latest.bytes) {
            latest = now;
            lastChange = Clock::now();
        }
        settled = Clock::now() - lastChange >= options.settle;
        if (!settled && Clock::now() - start >= options.limit)
            break;
    }
    const std::vector<std::string> lines = ScreenLines(latest);
    std::vector<std::string> added = tracker.Follow(lines);
    // The row the console still writes counts too, unless it is the prompt the command was typed after.
    if (const std::size_t last = NCP_Ext::CompleteRows(lines);
        last < lines.size() && !lines[last].empty() && lines[last] != prompt)
        added.push_back(lines[last]);
    while (!added.empty() && added.back().empty())
        added.pop_back();
    // The first new line is the command as typed after the prompt.
    if (!added.empty() && added.front().ends_with(options.command))
        added.erase(added.begin());
    CommandResult result;
    if (!settled) {
        result = Failed(Exit::TimedOut, "the screen was still changing after " +
                                            std::to_string(options.limit.count() / 1000) + " s");
    }
    result.text = TextLines(added);
    result.json["command"] = Json(options.command);
    result.json["lines"] = JsonLines(added);
    result.json["settled"] = settled;
    return result;
}

CommandResult Watch(ServerConnection& server, const WatchOptions& options) {
    CommandResult failure;
    if (!ConsoleReady(server, failure))
        return failure;
    std::string screenName = ToServer(options.screen);
    NCP_Ext::NewLineTracker tracker;
    const auto stopped = [&options] { return options.stop != nullptr && options.stop->load(); };
    while (!stopped()) {
        // A screen that changed between the five reads of one display is read again, so that no line is seen
        // twice or missed across a scroll.
        NCP_Ext::ScreenCells screen;
        NCP_Ext::ScreenCells again;
        if (!ReadScreen(server, screenName, screen, failure))
            return failure;
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (!ReadScreen(server, screenName, again, failure))
                return failure;
            if (again.bytes == screen.bytes)
                break;
            screen = again;
        }
        for (const std::string& line : tracker.Follow(ScreenLines(screen)))
            options.emit(line);
        // Sleeps in short steps, so that an interruption ends the watch at once.
        const auto due = std::chrono::steady_clock::now() + options.interval;
        while (!stopped() && std::chrono::steady_clock::now() < due)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

CommandResult Copy(ServerConnection& server, const CopyOptions& options) {
    std::string serverName;
    NetUtil::GetConnRefServerName(server.connRef, serverName, ClientLibrary::ServerNameSize);
    // The destination as the Transfer button builds it: the network path of SYS:SYSTEM on the server.
    std::string destination = "\\\\" + serverName + "\\SYS:SYSTEM";
    NetUtil::ReplaceAll(destination, ":", "\\", true);
    destination = NetUtil::AddTrailingSeparator(destination).substr(0, MaxDirectoryLength);
    const std::string source =
        options.source.empty()
            ? NetUtil::AddTrailingSeparator(SavedTransferDirectory()).substr(0, MaxDirectoryLength) +
                  DefaultModuleFile
            : options.source;

    std::int64_t total = -1;
    std::string localSource;
    if (Platform::ToLocalPath(source, localSource)) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(localSource, error);
        if (!error)
            total = static_cast<std::int64_t>(size);
    }
    NetClient::NetworkFiles files(server.client);
    Platform::BindNetworkFiles(&files);
    NCP_Ext::CopyProblem problem = NCP_Ext::CopyProblem::None;
    LastStatus = NCP_Ext::CopyFile(source, destination, problem, [&](std::uint64_t written) {
        if (options.progress)
            options.progress(written, total);
    });
    Platform::BindNetworkFiles(nullptr);
    if (LastStatus != 0) {
        CommandResult failure = Failed(LastStatus, "CopyFile", server.attachment.serverName);
        NetUtil::StatusContext context;
        context.server = server.attachment.serverName;
        context.sourceFile = source;
        context.destination = destination;
        context.copyProblem = problem;
        failure.problem = NetUtil::StatusText(LastStatus, context);
        return failure;
    }
    const NCP_Ext::FilePath arrived = NCP_Ext::SplitFileName(source);
    std::string directory = destination;
    if (directory.ends_with('\\'))
        directory.pop_back();
    CommandResult result;
    result.text = CopiedText(Platform::PathText(arrived.Name + arrived.Ext), ServerText(directory), total)
                      .toStdString() +
                  "\n";
    result.json["source"] = Json(source);
    result.json["destination"] = Json(FromServer(directory) + "\\" + arrived.Name + arrived.Ext);
    result.json["bytes"] = static_cast<qint64>(total);
    return result;
}

} // namespace Cli
