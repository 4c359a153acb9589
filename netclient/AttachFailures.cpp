#include "netclient/AttachFailures.h"

#include "netclient/StatusCodes.h"

#include <cstdio>

namespace NetClient {

namespace {

struct StatusWords {
    std::uint32_t status;
    const char* words;
};

// The statuses an attach can end with, in words a user can act on.
constexpr StatusWords KnownStatuses[] = {
    {StatusCodes::HostNotFound, "the server's name does not resolve to an address"},
    {StatusCodes::ConnectionRefused, "nothing accepts NCP connections at this address and port"},
    {StatusCodes::HostUnreachable, "there is no route to this address"},
    {StatusCodes::RequestTimedOut, "the server did not answer in time"},
    {StatusCodes::ConnectionLost, "the server closed the connection"},
    {StatusCodes::SendFailed, "the request could not be sent"},
    {StatusCodes::MalformedReply, "the server's answer is not NCP"},
    {StatusCodes::ReplyMismatch, "the server's answer does not belong to the request"},
    {StatusCodes::BufferTooSmall, "the server's answer is larger than agreed"},
    {0x89FC, "the server knows no such user"},
    {0x89DE, "the password was refused"},
    {0x89C5, "the account is locked after too many wrong passwords"},
    {0x89D6, "the server does not accept this kind of login"},
    {0x89D9, "the server or the account has no connection left"},
    {0x89DA, "logins are not allowed at this time"},
    {0x89DB, "logins are not allowed from this workstation"},
    {0x89DC, "the account has expired"},
    {0x89C1, "the account has no balance left"},
    {0x89C2, "the account has no credit left"},
    {0x89AC, "the server demands signed packets, which this program does not send"},
    {0x8996, "the server is out of memory"},
    {0x89FF, "the server refused the request"},
};

std::string Hex(std::uint32_t status) {
    char text[16] = {};
    std::snprintf(text, sizeof text, "%04X", status);
    return text;
}

} // namespace

std::string DescribeAttachStatus(std::uint32_t status) {
    if (status == 0)
        return "skipped: no password was given";
    for (const StatusWords& known : KnownStatuses)
        if (known.status == status)
            return known.words;
    if ((status & 0xFF00) == 0x8900)
        return "the server refused the attachment";
    return "the workstation's requester failed";
}

std::string FormatAttachFailures(const std::vector<AttachFailure>& failures,
                                 const std::vector<std::string>& fileProblems) {
    std::string text;
    if (!failures.empty()) {
        text += failures.size() == 1 ? "This server could not be attached:\n"
                                     : "These servers could not be attached:\n";
        for (const AttachFailure& failure : failures) {
            text += "\n" + failure.serverName + " (" + failure.address +
                    "): " + DescribeAttachStatus(failure.status);
            if (failure.status != 0)
                text += " (status " + Hex(failure.status) + ")";
            if (!failure.detail.empty())
                text += "; " + failure.detail;
        }
    }
    if (!fileProblems.empty()) {
        if (!text.empty())
            text += "\n\n";
        text += "The attachments file has problems:\n";
        for (const std::string& problem : fileProblems)
            text += "\n" + problem;
    }
    return text;
}

} // namespace NetClient
