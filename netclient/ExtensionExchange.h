#pragma once

#include "netclient/ServerSession.h"

#include <cstdint>
#include <span>
#include <vector>

// One NCP extension message and its reply over function 37: the simple form when the request and the reply
// fit one packet each, the fragmented form otherwise (a request over 511 bytes or a reply capacity over 520).
namespace NetClient {

// Sends request to the extension and collects its reply (at most MaxExtensionMessageSize bytes; a longer
// total is MalformedReply). Answers the server's status or a requester status; reply holds whatever reply
// data arrived, also with a failing status.
std::uint16_t ExchangeWithExtension(ServerSession& session, std::uint32_t extensionId,
                                    std::span<const std::uint8_t> request, std::uint16_t replyCapacity,
                                    std::vector<std::uint8_t>& reply);

} // namespace NetClient
