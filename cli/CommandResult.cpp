#include "cli/CommandResult.h"

#include "ncp/StatusCodes.h"
#include "netclient/StatusTexts.h"
#include "util/ErrorReporting.h"

namespace Cli {

Exit ExitForStatus(std::uint32_t status) {
    switch (status) {
    case 0:
        return Exit::Ok;
    case StatusCodes::RequestTimedOut:
        return Exit::TimedOut;
    case StatusCodes::InvalidConnection:
    case StatusCodes::SendFailed:
    case StatusCodes::HostUnreachable:
    case StatusCodes::ConnectionLost:
    case StatusCodes::HostNotFound:
    case StatusCodes::ConnectionRefused:
        return Exit::Unreachable;
    default:
        return Exit::ServerFailed;
    }
}

CommandResult Failed(std::uint32_t status, const std::string& operation, const std::string& serverName,
                     const std::string& moduleName) {
    CommandResult result;
    result.exit = ExitForStatus(status);
    result.status = status;
    result.operation = operation;
    NetUtil::StatusContext context;
    context.server = serverName;
    context.module = moduleName;
    result.problem = NetUtil::StatusText(status, context);
    return result;
}

CommandResult Failed(Exit exit, const std::string& problem) {
    CommandResult result;
    result.exit = exit;
    result.problem = problem;
    return result;
}

std::string ErrorLine(const std::string& serverName, const CommandResult& result) {
    std::string line = serverName.empty() ? std::string() : serverName + ": ";
    if (!result.operation.empty()) {
        line += NetUtil::FormatError(result.status, result.operation);
        if (!result.problem.empty())
            line += ": ";
    }
    return line + result.problem;
}

} // namespace Cli
