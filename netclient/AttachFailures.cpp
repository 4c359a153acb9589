#include "netclient/AttachFailures.h"

#include "netclient/StatusTexts.h"

#include <cstdio>

namespace NetClient {

namespace {

std::string Hex(std::uint32_t status) {
    char text[16] = {};
    std::snprintf(text, sizeof text, "%04X", status);
    return text;
}

} // namespace

std::string DescribeAttachStatus(std::uint32_t status) {
    // The words come from the program's one status table; the line names the server already.
    const std::string words = NetUtil::StatusText(status, {});
    return words.empty() ? "The workstation's requester failed" : words;
}

std::string DescribeSkip(NotAttached why) {
    switch (why) {
    case NotAttached::NoPassword:
        return "no password was given";
    case NotAttached::Skipped:
        return "skipped in the start-up window";
    case NotAttached::LeftOut:
        return "left out when Continue was chosen";
    case NotAttached::Failed:
        break;
    }
    return {};
}

std::string DescribeNotAttached(const AttachFailure& failure) {
    if (failure.why != NotAttached::Failed)
        return "Skipped: " + DescribeSkip(failure.why);
    return DescribeAttachStatus(failure.status) + " (status " + Hex(failure.status) + ")";
}

std::string FormatAttachFailures(const std::vector<AttachFailure>& failures,
                                 const std::vector<std::string>& fileProblems) {
    std::string failed;
    std::string skipped;
    std::size_t failedCount = 0;
    std::size_t skippedCount = 0;
    for (const AttachFailure& failure : failures) {
        const std::string line = "\n" + failure.serverName + " (" + failure.address + "): ";
        if (failure.why != NotAttached::Failed) {
            ++skippedCount;
            skipped += line + DescribeSkip(failure.why);
            continue;
        }
        ++failedCount;
        failed += line + DescribeNotAttached(failure);
        if (!failure.detail.empty())
            failed += "; " + failure.detail;
    }
    std::string text;
    if (failedCount > 0)
        text += (failedCount == 1 ? "This server could not be attached:\n"
                                  : "These servers could not be attached:\n") +
                failed;
    if (skippedCount > 0) {
        if (!text.empty())
            text += "\n\n";
        text += (skippedCount == 1 ? "You skipped this server; it is not attached:\n"
                                   : "You skipped these servers; they are not attached:\n") +
                skipped;
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
