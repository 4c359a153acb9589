#pragma once

#include "ncp/ClientConnection.h"
#include "ncp/RequestBody.h"
#include "ncp/StatusCodes.h"

#include <cstdint>
#include <span>

// One typed NCP call over a service connection: the request structure is encoded with its codec, sent, and
// the reply data parsed into the reply structure. The status is the connection's (Success, the server's
// 0x89xx, or a requester status); a successful reply whose data does not parse is MalformedReply.
namespace NetClient {

template <typename Request, typename Reply>
std::uint16_t CallNcp(Ncp::ClientConnection& connection, const Request& request, Reply& reply,
                      Ncp::Reply* raw = nullptr) {
    const auto packet = Ncp::EncodeRequest(Ncp::RequestHeader{}, request);
    if (!packet)
        return StatusCodes::InvalidParameter;
    // The connection writes its own header; it takes what follows the function byte.
    const auto body = std::span<const std::uint8_t>(*packet).subspan(Ncp::RequestHeader::Size);
    Ncp::Reply received;
    const std::uint16_t status = connection.Call(Request::Id.function, body, received);
    // Unqualified, so that the codec of Reply is found where the call is made (argument-dependent lookup).
    if (status == StatusCodes::Success && !ParseReplyData(received.data, reply))
        return StatusCodes::MalformedReply;
    if (raw != nullptr)
        *raw = std::move(received);
    return status;
}

} // namespace NetClient
