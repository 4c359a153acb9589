#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The servers that could not be attached at start-up, and the one box that tells the user about them.
namespace NetClient {

// Why a server of the attachments file is not attached: it failed, or the user chose to go without it (no
// password given in the login dialog, Skip in the start-up window, or Continue before it was attached).
enum class NotAttached { Failed, NoPassword, Skipped, LeftOut };

struct AttachFailure {
    std::string serverName;
    std::string address;      // "host:port"
    std::uint32_t status = 0; // the requester's or the server's status; 0 when the user skipped the server
    std::string detail;       // more about the reason, when the client can tell; may be empty
    NotAttached why = NotAttached::Failed;
};

// Words for the status an attach ended with, from the program's status table ("The server refused the
// password"); a status the table lacks reads as a requester or server error.
std::string DescribeAttachStatus(std::uint32_t status);

// Words for why the user left a server out ("skipped in the start-up window").
std::string DescribeSkip(NotAttached why);
// Why the server is not attached, in one line: the reason in words and the status in hex for a failure
// ("The server did not answer in time (status 8805)"), "Skipped: " and how for a skip.
std::string DescribeNotAttached(const AttachFailure& failure);

// The text of the start-up box: one line per server that failed (its name, address, the reason in words,
// the status in hex and any detail), then the servers the user skipped, each with how (a skip is no
// failure), then the problems found in the attachments file. Empty when there is nothing to tell.
std::string FormatAttachFailures(const std::vector<AttachFailure>& failures,
                                 const std::vector<std::string>& fileProblems);

} // namespace NetClient
