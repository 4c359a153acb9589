#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command line of tessaline-cli:
//
//     tessaline-cli [OPTIONS] COMMAND [ARGS]
//
// Options may come before or after the command; "--" ends them. Passwords are never taken from the command
// line or the environment: --password-file and --password-stdin name where they come from.
namespace Cli {

struct Options {
    std::string command;
    std::vector<std::string> arguments;

    bool help = false;
    bool version = false;
    bool json = false;
    bool all = false;
    bool demo = false;
    bool raw = false;
    bool passwordStdin = false;
    std::string passwordFile;
    std::string attachmentsFile; // empty: the program's own
    std::string captureFile;
    std::string address; // --address HOST[:PORT]: a server that is not in the attachments file
    std::string user;    // --user NAME with --address
    std::optional<std::uint32_t> timeoutSeconds;
    std::uint32_t settleMilliseconds = 1000;   // run: how long the screen must stay as it is
    std::uint32_t intervalMilliseconds = 1000; // watch: how often the screen is read
    std::vector<std::string> keys;             // send: --key names, in order

    std::string problem; // not empty: the command line is refused (exit status 2)
};

// Reads the arguments after the program name and checks them against the command's arguments.
Options ParseOptions(const std::vector<std::string>& arguments);

// The commands that --all runs on every attached server.
bool RunsOnAll(const std::string& command);

std::string HelpText();
std::string VersionText();

} // namespace Cli
