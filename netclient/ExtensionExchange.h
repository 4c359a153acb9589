#pragma once

#include "netclient/ServerSession.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// One NCP extension message and its reply over function 37: the simple form when the request and the reply
// fit one packet each, the fragmented form otherwise.
namespace NetClient {

enum class ExtensionForm { Simple, Fragmented };

// The form of one message on a connection whose negotiated buffer (function 33) is bufferSize: simple when
// the whole request packet (NCP header, length word, extension number, maximum reply word, data) and the
// whole reply packet (NCP reply header, length word, replyCapacity data bytes) each fit the buffer. Over IP
// the simple form's reply is bounded by the negotiated size only (the ~536-byte limit is IPX's); a server
// that stays at 512 still gets fragments for anything larger.
ExtensionForm ChooseExtensionForm(std::size_t bufferSize, std::size_t requestSize, std::size_t replyCapacity);

// Sends request to the extension and collects its reply (at most MaxExtensionMessageSize bytes; a longer
// total is MalformedReply). Answers the server's status or a requester status; reply holds whatever reply
// data arrived, also with a failing status.
std::uint16_t ExchangeWithExtension(ServerSession& session, std::uint32_t extensionId,
                                    std::span<const std::uint8_t> request, std::uint16_t replyCapacity,
                                    std::vector<std::uint8_t>& reply);

} // namespace NetClient
