#include "cli/ServerWork.h"

#include "ncp/StatusCodes.h"
#include "netclient/AttachFailures.h"
#include "netclient/ClientLibrary.h"
#include "netclient/Connections.h"
#include "netclient/SharedState.h"

#include <thread>

namespace Cli {

namespace {

// Unbinds the thread's client however the command ends.
class ThreadBinding final {
public:
    explicit ThreadBinding(ClientLibrary& client) { BindClientForThisThread(&client); }
    ~ThreadBinding() { BindClientForThisThread(nullptr); }
    ThreadBinding(const ThreadBinding&) = delete;
    ThreadBinding& operator=(const ThreadBinding&) = delete;
};

} // namespace

CommandResult RunOnServer(const NetClient::Attachment& attachment, const ServerSetting& setting,
                          const ServerCommand& command) {
    if (const auto missing = setting.missingPasswords.find(attachment.serverName);
        missing != setting.missingPasswords.end())
        return Failed(Exit::Unreachable, missing->second);

    NetClient::NcpClient client;
    client.SetCapture(setting.capture);
    if (setting.volumes)
        client.SetLocalVolumeDirectories(setting.volumes);
    const std::vector<NetClient::AttachFailure> failures = client.AttachAll({attachment}, *setting.passwords);
    if (!failures.empty()) {
        const NetClient::AttachFailure& failure = failures.front();
        CommandResult result =
            Failed(Exit::Unreachable, NetClient::DescribeAttachStatus(failure.status) +
                                          (failure.detail.empty() ? "" : " (" + failure.detail + ")"));
        result.status = failure.status;
        result.operation = "attach " + failure.address;
        if (failure.status == StatusCodes::RequestTimedOut)
            result.exit = Exit::TimedOut;
        return result;
    }

    ThreadBinding binding(client);
    ResetSharedState();
    ServerConnection connection{attachment, client};
    client.GetPrimaryConnRef(&connection.connRef);
    // The server is chosen as on the Connections page: a handle opened on its connection.
    LastStatus = NetUtil::OpenConnByRef(connection.connRef, CurrentConn);
    if (LastStatus != 0)
        return Failed(LastStatus, "OpenConnByReference", attachment.serverName);
    return command(connection);
}

std::vector<CommandResult> RunOnServers(const std::vector<NetClient::Attachment>& attachments,
                                        const ServerSetting& setting, const ServerCommand& command) {
    std::vector<CommandResult> results(attachments.size());
    std::vector<std::thread> threads;
    threads.reserve(attachments.size());
    for (std::size_t i = 0; i < attachments.size(); ++i)
        threads.emplace_back([&, i] { results[i] = RunOnServer(attachments[i], setting, command); });
    for (std::thread& thread : threads)
        thread.join();
    return results;
}

} // namespace Cli
