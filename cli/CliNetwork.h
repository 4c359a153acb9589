#pragma once

#include "cli/CliOptions.h"
#include "cli/CommandResult.h"
#include "ncp/PcapWriter.h"
#include "netclient/Attachments.h"
#include "network/LoopbackDemo.h"

#include <memory>
#include <string>
#include <vector>

// Where the command-line tool's servers are: the program's attachments file (or another one), a single
// server named with --address, or the demo network served inside the process, as the program itself runs on
// it when no attachments file exists; and the capture file every connection writes to.
namespace Cli {

class CliNetwork final {
public:
    CliNetwork() = default;
    ~CliNetwork();
    CliNetwork(const CliNetwork&) = delete;
    CliNetwork& operator=(const CliNetwork&) = delete;

    // False, with the failure, when the servers cannot be known: a named attachments file that is missing
    // or unreadable, a bad --address, a capture file that cannot be written (usage, 2), a demo network that
    // cannot start (4).
    bool Open(const Options& options, CommandResult& failure);

    const std::vector<NetClient::Attachment>& Attachments() const { return attachments_; }
    // The attachment of that server (letter case ignored), or null.
    const NetClient::Attachment* Find(const std::string& serverName) const;
    // The attachments file's lines that could not be used.
    const std::vector<std::string>& Problems() const { return problems_; }
    LoopbackDemo* Demo() { return demo_.get(); }
    Ncp::PcapWriter* Capture() { return capture_.IsOpen() ? &capture_ : nullptr; }

private:
    Ncp::PcapWriter capture_;
    std::unique_ptr<LoopbackDemo> demo_;
    std::vector<NetClient::Attachment> attachments_;
    std::vector<std::string> problems_;
};

} // namespace Cli
