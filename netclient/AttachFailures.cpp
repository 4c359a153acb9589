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
    if (status == 0)
        return "Skipped: no password was given";
    // The words come from the program's one status table; the line names the server already.
    const std::string words = NetUtil::StatusText(status, {});
    return words.empty() ? "The workstation's requester failed" : words;
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
