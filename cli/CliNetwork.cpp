#include "cli/CliNetwork.h"

#include "emulator/DemoNetwork.h"

#include <QString>

namespace Cli {

CliNetwork::~CliNetwork() = default;

bool CliNetwork::Open(const Options& options, CommandResult& failure) {
    if (!options.captureFile.empty() && !capture_.Open(options.captureFile)) {
        failure = Failed(Exit::Usage, "the capture file " + options.captureFile + " cannot be written");
        return false;
    }

    bool demo = options.demo;
    if (!options.address.empty()) {
        NetClient::Attachment attachment;
        std::string problem;
        if (!NetClient::ParseAddress(options.address, attachment.host, attachment.port, problem)) {
            failure = Failed(Exit::Usage, "--address " + options.address + ": " + problem);
            return false;
        }
        attachment.serverName = options.arguments.front();
        attachment.user = options.user;
        attachments_.push_back(std::move(attachment));
    } else if (!demo) {
        const std::string path = options.attachmentsFile.empty() ? NetClient::DefaultAttachmentsFilePath()
                                                                 : options.attachmentsFile;
        NetClient::AttachmentList list;
        const NetClient::AttachmentsFileState state = NetClient::ReadAttachmentsFile(path, list);
        // Only the program's own file may be missing: then, as the program does, the demo network.
        if (state == NetClient::AttachmentsFileState::Missing && !options.attachmentsFile.empty()) {
            failure = Failed(Exit::Usage, path + ": no such file");
            return false;
        }
        if (state == NetClient::AttachmentsFileState::Unreadable) {
            failure = Failed(Exit::Usage,
                             list.problems.empty() ? path + ": cannot be read" : list.problems.front());
            return false;
        }
        demo = state == NetClient::AttachmentsFileState::Missing;
        attachments_ = std::move(list.attachments);
        problems_ = std::move(list.problems);
    }
    if (demo) {
        demo_ = std::make_unique<LoopbackDemo>();
        std::string error;
        if (!demo_->Start(Emulator::DefaultVolumesRoot(), error)) {
            failure = Failed(Exit::Unreachable, "the demo network cannot be started: " + error);
            return false;
        }
        attachments_ = demo_->Attachments();
    }
    if (options.timeoutSeconds)
        for (NetClient::Attachment& attachment : attachments_)
            attachment.timeoutSeconds = *options.timeoutSeconds;
    return true;
}

const NetClient::Attachment* CliNetwork::Find(const std::string& serverName) const {
    const QString wanted = QString::fromUtf8(serverName.data(), static_cast<qsizetype>(serverName.size()));
    for (const NetClient::Attachment& attachment : attachments_)
        if (QString::fromLatin1(attachment.serverName.data(),
                                static_cast<qsizetype>(attachment.serverName.size()))
                .compare(wanted, Qt::CaseInsensitive) == 0)
            return &attachment;
    return nullptr;
}

} // namespace Cli
