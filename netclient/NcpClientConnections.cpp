// The client's connection table as the window manages it: states, reconnect, logout, detach, and sessions
// attached elsewhere taken in.

#include "ncp/StatusCodes.h"
#include "netclient/NcpClient.h"

#include <algorithm>

namespace NetClient {

std::vector<ConnectionEntry> NcpClient::ConnectionList() {
    std::vector<ConnectionEntry> entries;
    for (Reference& reference : references_) {
        ServerSession& session = *reference.session;
        if (!reference.reconnecting)
            session.NoticeLostConnection();
        ConnectionEntry entry;
        entry.reference = reference.reference;
        entry.serverName = session.ServerName();
        entry.attachment = session.AttachmentInfo();
        if (reference.reconnecting)
            entry.state = ConnectionState::Reconnecting;
        else if (!session.IsUsable())
            entry.state = ConnectionState::Lost;
        else
            entry.state =
                session.IsLoggedIn() ? ConnectionState::LoggedIn : ConnectionState::AttachedWithoutLogin;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::uint16_t NcpClient::Reconnect(std::uint32_t connRef) {
    Reference* reference = FindReference(connRef);
    if (reference == nullptr)
        return StatusCodes::InvalidConnRef;
    reference->reconnecting = true;
    reference->session->Disconnect();
    const std::uint16_t status = reference->session->Reconnect();
    reference->reconnecting = false;
    return status;
}

std::uint16_t NcpClient::LogOut(std::uint32_t connRef) {
    Reference* reference = FindReference(connRef);
    return reference == nullptr ? StatusCodes::InvalidConnRef : reference->session->LogOut();
}

std::uint16_t NcpClient::Detach(std::uint32_t connRef) {
    const auto found =
        std::find_if(references_.begin(), references_.end(),
                     [connRef](const Reference& reference) { return reference.reference == connRef; });
    if (found == references_.end())
        return StatusCodes::InvalidConnRef;
    found->session->Disconnect();
    references_.erase(found);
    // Handles on the reference are forgotten with it; the primary reference moves to the first one left.
    std::erase_if(handles_, [connRef](const auto& handle) { return handle.second.reference == connRef; });
    if (primaryReference_ == connRef)
        primaryReference_ = references_.empty() ? 0 : references_.front().reference;
    return StatusCodes::Success;
}

std::uint32_t NcpClient::Adopt(std::unique_ptr<ServerSession> session) {
    const std::uint32_t reference = nextReference_++;
    references_.push_back(Reference{reference, std::move(session)});
    if (primaryReference_ == 0)
        primaryReference_ = reference;
    return reference;
}

std::uint16_t NcpClient::Replace(std::uint32_t connRef, std::unique_ptr<ServerSession> session) {
    Reference* reference = FindReference(connRef);
    if (reference == nullptr || session == nullptr)
        return StatusCodes::InvalidConnRef;
    reference->session->TakeOver(*session);
    return StatusCodes::Success;
}

} // namespace NetClient
