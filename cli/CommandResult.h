#pragma once

#include <QJsonObject>

#include <cstdint>
#include <string>

// What one command did on one server: the text for standard output, the same as JSON, and on failure the
// exit status, the status and the words for standard error.
namespace Cli {

// The exit statuses; a NetWare status's low byte would make a poor one.
enum class Exit : int {
    Ok = 0,
    ServerFailed = 1, // the server refused or failed the request
    Usage = 2,        // the command line is wrong
    NoSuchServer = 3, // no attached server of that name
    Unreachable = 4,  // the server cannot be reached or the login failed
    TimedOut = 5,
};

struct CommandResult {
    Exit exit = Exit::Ok;
    std::uint32_t status = 0; // the failed call's status; 0 when the failure has none
    std::string operation;    // the failed call's name ("NWSMLoadNLM"), with a status
    std::string problem;      // the failure in words (UTF-8)
    std::string text;         // standard output, whole lines (UTF-8)
    QJsonObject json;         // --json: the same facts

    bool Ok() const { return exit == Exit::Ok; }
};

// A failure of a call, its words from the program's status table; time-outs and lost connections get their
// own exit statuses.
CommandResult Failed(std::uint32_t status, const std::string& operation, const std::string& serverName,
                     const std::string& moduleName = {});
// A failure that has no status.
CommandResult Failed(Exit exit, const std::string& problem);

// The exit status for a status: 5 for a request that timed out, 4 when the connection is gone or cannot be
// made, 1 for the rest.
Exit ExitForStatus(std::uint32_t status);

// The line for standard error: "SERVER: Error 8903: NWSMUnloadNLM: words" (the server left out when empty).
std::string ErrorLine(const std::string& serverName, const CommandResult& result);

} // namespace Cli
