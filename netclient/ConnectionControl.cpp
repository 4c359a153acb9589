#include "netclient/ConnectionControl.h"

#include "ncp/StatusCodes.h"
#include "netclient/ServerSession.h"

namespace NetClient {

namespace {
ConnectionControl* boundControl = nullptr;
} // namespace

std::uint16_t AttachSession(const Attachment& attachment, const std::optional<SecretText>& password,
                            Ncp::PcapWriter* capture, std::unique_ptr<ServerSession>& session) {
    session.reset();
    if (!attachment.user.empty() && !password)
        return StatusCodes::InvalidParameter;
    auto attached = std::make_unique<ServerSession>(attachment, capture);
    std::uint16_t status = attached->Open();
    if (status == StatusCodes::Success && !attachment.user.empty())
        status = attached->LogIn(*password);
    if (status != StatusCodes::Success) {
        attached->Disconnect();
        return status;
    }
    attached->Finish();
    session = std::move(attached);
    return StatusCodes::Success;
}

std::string DescribeConnectionState(const ConnectionEntry& entry) {
    const std::string where = " (" + entry.attachment.AddressText() + ")";
    switch (entry.state) {
    case ConnectionState::LoggedIn:
        return "Logged in as " + entry.attachment.user + where;
    case ConnectionState::AttachedWithoutLogin:
        return "Attached without a login" + where;
    case ConnectionState::Lost:
        return "Connection lost" + where + ": choose the server again, or press F5, to reconnect";
    case ConnectionState::Reconnecting:
        return "Reconnecting" + where + "…";
    }
    return {};
}

ConnectionControl* BoundConnectionControl() {
    return boundControl;
}

void BindConnectionControl(ConnectionControl* control) {
    boundControl = control;
}

} // namespace NetClient
