#include "app/CommandLine.h"

#include <charconv>
#include <optional>
#include <string_view>

#ifndef TESSALINE_VERSION
#define TESSALINE_VERSION "unknown"
#endif

namespace CommandLine {

namespace {

Options Refused(std::string problem) {
    Options options;
    options.action = Action::Refuse;
    options.problem = std::move(problem);
    return options;
}

// The value of an option that takes one: "--name=value" or "--name value" (the next argument).
// Nothing when the value is missing or empty.
std::optional<std::string> ValueOf(std::string_view argument, std::string_view name,
                                   const std::vector<std::string>& arguments, std::size_t& index) {
    if (argument.size() > name.size() && argument[name.size()] == '=') {
        const std::string value(argument.substr(name.size() + 1));
        return value.empty() ? std::nullopt : std::optional<std::string>(value);
    }
    if (index + 1 >= arguments.size() || arguments[index + 1].empty())
        return std::nullopt;
    return arguments[++index];
}

bool Names(std::string_view argument, std::string_view name) {
    return argument == name ||
           (argument.starts_with(name) && argument.size() > name.size() && argument[name.size()] == '=');
}

} // namespace

Options Parse(const std::vector<std::string>& arguments) {
    Options options;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (argument == "--help" || argument == "-h")
            options.action = Action::ShowHelp;
        else if (argument == "--version")
            options.action = options.action == Action::ShowHelp ? Action::ShowHelp : Action::ShowVersion;
        else if (argument == "--demo")
            options.demo = true;
        else if (Names(argument, "--attachments")) {
            const std::optional<std::string> value = ValueOf(argument, "--attachments", arguments, index);
            if (!value)
                return Refused("--attachments needs a file name");
            options.attachmentsFile = *value;
        } else if (Names(argument, "--capture")) {
            const std::optional<std::string> value = ValueOf(argument, "--capture", arguments, index);
            if (!value)
                return Refused("--capture needs a file name");
            options.captureFile = *value;
        } else if (Names(argument, "--demo-latency")) {
            const std::optional<std::string> value = ValueOf(argument, "--demo-latency", arguments, index);
            std::uint32_t milliseconds = 0;
            const char* end = value ? value->data() + value->size() : nullptr;
            if (!value || std::from_chars(value->data(), end, milliseconds).ptr != end ||
                milliseconds > MaxDemoLatencyMilliseconds)
                return Refused("--demo-latency needs a number of milliseconds from 0 to " +
                               std::to_string(MaxDemoLatencyMilliseconds));
            options.demoLatencyMilliseconds = milliseconds;
        } else if (argument.starts_with("-"))
            return Refused("unknown option " + std::string(argument) + " (try --help)");
        else
            return Refused("unexpected argument " + std::string(argument) + " (try --help)");
    }
    return options;
}

std::string HelpText(const std::string& programName) {
    return "Usage: " + programName + " [--demo] [--demo-latency MS] [--attachments FILE] [--capture FILE]\n" +
           "Watches and drives the consoles of NetWare file servers over NCP on TCP/IP.\n"
           "\n"
           "  --demo               run on the built-in demo network, even when an attachments file exists\n"
           "  --demo-latency MS    the demo servers delay every reply by MS milliseconds, as over a WAN\n"
           "  --attachments FILE   the servers to attach to (default: attachments.ini in the settings\n"
           "                       directory, ~/.config/Tessaline); without one the demo network is used\n"
           "  --capture FILE       write every NCP frame of the session to FILE (pcap, for Wireshark)\n"
           "  --help               show this text\n"
           "  --version            show the program's version\n"
           "\n"
           "Passwords are asked for at start-up (or taken from the desktop's keyring), never from here.\n";
}

std::string VersionText() {
    return std::string("Tessaline ") + TESSALINE_VERSION + "\n";
}

} // namespace CommandLine
