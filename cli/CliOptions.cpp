#include "cli/CliOptions.h"

#include "netclient/Attachments.h"

#include <charconv>
#include <map>
#include <set>

namespace Cli {

namespace {

struct CommandShape {
    std::size_t fewest = 0; // arguments, the server included
    std::size_t most = 0;
};

// Every command takes its server first (none for servers); with --all the server is left out.
const std::map<std::string, CommandShape>& Commands() {
    static const std::map<std::string, CommandShape> commands{
        {"servers", {0, 0}}, {"info", {1, 1}}, {"extensions", {1, 1}}, {"load", {2, 2}},
        {"unload", {2, 2}},  {"copy", {1, 2}}, {"screens", {1, 1}},    {"show", {1, 2}},
        {"send", {1, 3}},    {"run", {2, 2}},  {"watch", {1, 2}},
    };
    return commands;
}

const std::set<std::string> KeyNames{"up", "down", "esc", "cr", "cls"};

bool ReadNumber(const std::string& text, std::uint32_t fewest, std::uint32_t most, std::uint32_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty() && value >= fewest && value <= most;
}

} // namespace

bool RunsOnAll(const std::string& command) {
    static const std::set<std::string> onAll{"info", "extensions", "load", "unload", "show", "run"};
    return onAll.contains(command);
}

Options ParseOptions(const std::vector<std::string>& arguments) {
    Options options;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size() && options.problem.empty(); ++i) {
        std::string argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            words.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const std::size_t equals = argument.find('=');
            argument.starts_with("--") && equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument.resize(equals);
            hasValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= arguments.size()) {
                options.problem = argument + " needs a value";
                return false;
            }
            value = arguments[++i];
            return true;
        };
        const auto flag = [&](bool& target) {
            if (hasValue)
                options.problem = argument + " takes no value";
            target = true;
        };
        if (argument == "--help" || argument == "-h")
            flag(options.help);
        else if (argument == "--version")
            flag(options.version);
        else if (argument == "--json")
            flag(options.json);
        else if (argument == "--all")
            flag(options.all);
        else if (argument == "--demo")
            flag(options.demo);
        else if (argument == "--raw")
            flag(options.raw);
        else if (argument == "--password-stdin")
            flag(options.passwordStdin);
        else if (argument == "--password-file" && takeValue())
            options.passwordFile = value;
        else if (argument == "--attachments" && takeValue())
            options.attachmentsFile = value;
        else if (argument == "--capture" && takeValue())
            options.captureFile = value;
        else if (argument == "--address" && takeValue())
            options.address = value;
        else if (argument == "--user" && takeValue())
            options.user = value;
        else if (argument == "--timeout" && takeValue()) {
            std::uint32_t seconds = 0;
            if (!ReadNumber(value, 1, NetClient::MaxTimeoutSeconds, seconds))
                options.problem =
                    "--timeout takes seconds from 1 to " + std::to_string(NetClient::MaxTimeoutSeconds);
            options.timeoutSeconds = seconds;
        } else if (argument == "--settle" && takeValue()) {
            if (!ReadNumber(value, 10, 600000, options.settleMilliseconds))
                options.problem = "--settle takes milliseconds from 10 to 600000";
        } else if (argument == "--interval" && takeValue()) {
            if (!ReadNumber(value, 50, 3600000, options.intervalMilliseconds))
                options.problem = "--interval takes milliseconds from 50 to 3600000";
        } else if (argument == "--key" && takeValue()) {
            if (!KeyNames.contains(value))
                options.problem = "--key takes up, down, esc, cr or cls, not " + value;
            options.keys.push_back(value);
        } else if (options.problem.empty()) {
            options.problem = "unknown option " + argument;
        }
    }
    if (!options.problem.empty() || options.help || options.version)
        return options;

    if (words.empty()) {
        options.problem = "no command given (try --help)";
        return options;
    }
    options.command = words.front();
    options.arguments.assign(words.begin() + 1, words.end());
    const auto shape = Commands().find(options.command);
    if (shape == Commands().end()) {
        options.problem = "unknown command " + options.command;
        return options;
    }
    if (options.all && !RunsOnAll(options.command)) {
        options.problem =
            "--all works with info, extensions, load, unload, show and run, not " + options.command;
        return options;
    }
    // With --all the server is every attached one and is not named.
    const std::size_t named = options.arguments.size() + (options.all ? 1 : 0);
    const std::size_t fewest = options.command == "send" && options.keys.empty() ? 2 : shape->second.fewest;
    if (named < fewest || named > shape->second.most) {
        options.problem = "wrong number of arguments for " + options.command + " (try --help)";
        return options;
    }
    if (!options.keys.empty() && options.command != "send")
        options.problem = "--key works with send only";
    else if (!options.address.empty() && (options.all || options.command == "servers"))
        options.problem = "--address names one server; it does not go with --all or servers";
    else if (!options.user.empty() && options.address.empty())
        options.problem = "--user goes with --address; the attachments file names each server's user";
    else if (options.demo && !options.address.empty())
        options.problem = "--demo and --address do not go together";
    else if (!options.passwordFile.empty() && options.passwordStdin)
        options.problem = "--password-file and --password-stdin do not go together";
    return options;
}

std::string VersionText() {
    return "tessaline-cli " TESSALINE_VERSION "\n";
}

std::string HelpText() {
    return R"(Usage: tessaline-cli [OPTIONS] COMMAND [ARGS]

Drives the consoles of NetWare file servers from a shell, without a window: the servers of
Tessaline's attachments file (or its demo network), on the same client, keyring and files.

Commands:
  servers                      the attached servers: name, address, user, version, connections,
                               or why a server could not be attached
  info SERVER                  what the Connections page shows for the server
  extensions SERVER            the server's registered NCP extensions
  load SERVER MODULE           loads an NLM on the server
  unload SERVER MODULE         unloads an NLM
  copy SERVER [FILE]           copies FILE (default QVEXT.NLM from the saved transfer path) into
                               the server's SYS:SYSTEM
  screens SERVER               the names of the server's console screens
  show SERVER [SCREEN]         the screen (default the first) as 25 lines of text
  send SERVER [SCREEN] TEXT    types TEXT on the screen (\r Enter, \e Escape, \b Backspace, \\ a
                               backslash), then the --key keys, then shows the screen
  run SERVER COMMAND           types COMMAND and Enter on the System Console, waits until the
                               screen stops changing and prints the lines the command added
  watch SERVER [SCREEN]        prints the screen's new lines as they appear, until interrupted

Options:
  --json                       machine-readable output (watch: one JSON object per line)
  --all                        info, extensions, load, unload, show or run on every attached
                               server at once, each result under the server's name
  --demo                       the built-in demo network (ATLAS, BOREAS, CASTOR)
  --attachments FILE           another attachments file than the program's own
  --address HOST[:PORT]        a server that is not in the attachments file (port 524 by default);
  --user NAME                  with the user to log in as (no login without it)
  --password-file FILE         the password from FILE (its first line; the file must not be
                               readable by group or others, mode 0600)
  --password-stdin             the password from the first line of standard input
  --timeout S                  seconds each request may take; run waits at most this long for the
                               screen to settle (default 10)
  --settle MS                  run: how long the screen must stay unchanged (default 1000)
  --interval MS                watch: how often the screen is read (default 1000)
  --key up|down|esc|cr|cls     send: a key after the text (may be repeated)
  --raw                        show, send: the screen's code-page-437 bytes unchanged
  --capture FILE               writes every NCP frame to a pcap capture file
  --help, --version

Passwords come from the desktop's keyring (remembered by the program), --password-file or
--password-stdin; on a terminal the tool asks. They are never read from the command line or the
environment. Without one and without a terminal the command fails.

Exit status:
  0  success
  1  the server refused or failed the request
  2  the command line is wrong
  3  no such server
  4  the server cannot be reached or the login failed
  5  time-out
A failure's NetWare status is printed on standard error in hexadecimal and in words.
)";
}

} // namespace Cli
