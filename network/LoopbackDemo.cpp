#include "network/LoopbackDemo.h"

#include <algorithm>
#include <cctype>

namespace {
bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}
} // namespace

LoopbackDemo::~LoopbackDemo() {
    if (ncp_)
        ncp_->Stop();
}

bool LoopbackDemo::Start(const std::string& volumesRoot, std::string& error,
                         Emulator::NcpServer::Options options) {
    servers_ = Emulator::MakeDemoServers(volumesRoot);
    ncp_ = std::make_unique<Emulator::NcpServer>(std::move(options));
    for (Emulator::DemoServer& demo : servers_)
        ncp_->AddServer(*demo.server);
    return ncp_->Start(&error);
}

std::vector<NetClient::Attachment> LoopbackDemo::Attachments(std::uint32_t timeoutSeconds) const {
    std::vector<NetClient::Attachment> attachments;
    for (const Emulator::DemoServer& demo : servers_) {
        NetClient::Attachment attachment;
        attachment.serverName = demo.server->Name();
        attachment.host = "127.0.0.1";
        attachment.port = ncp_->Port(demo.server->Name());
        if (demo.attachment.logIn)
            attachment.user = demo.attachment.userName;
        attachment.timeoutSeconds = timeoutSeconds;
        attachments.push_back(std::move(attachment));
    }
    return attachments;
}

NetClient::FixedPasswords LoopbackDemo::Passwords() const {
    std::map<std::string, NetClient::SecretText> byServer;
    for (const Emulator::DemoServer& demo : servers_)
        if (demo.attachment.logIn)
            byServer.emplace(demo.server->Name(), NetClient::SecretText(demo.attachment.password));
    return NetClient::FixedPasswords(std::move(byServer));
}

Emulator::Server* LoopbackDemo::FindServer(std::string_view name) {
    for (Emulator::DemoServer& demo : servers_)
        if (SameName(demo.server->Name(), name))
            return demo.server.get();
    return nullptr;
}

std::vector<NetClient::AttachFailure> LoopbackDemo::AttachClient(NetClient::NcpClient& client) {
    NetClient::FixedPasswords passwords = Passwords();
    std::vector<NetClient::AttachFailure> failures = client.AttachAll(Attachments(), passwords);
    ShareVolumes(client);
    return failures;
}

void LoopbackDemo::ShareVolumes(NetClient::NcpClient& client) {
    client.SetLocalVolumeDirectories(
        [this](std::string_view server, std::string_view volume) { return VolumeDirectory(server, volume); });
}

std::optional<std::string> LoopbackDemo::VolumeDirectory(std::string_view serverName,
                                                         std::string_view volumeName) {
    const Emulator::Server* server = FindServer(serverName);
    if (server == nullptr)
        return std::nullopt;
    const auto directory = server->ServerVolumes().Directory(volumeName);
    if (!directory)
        return std::nullopt;
    return directory->string();
}
