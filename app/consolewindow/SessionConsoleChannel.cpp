#include "app/consolewindow/SessionConsoleChannel.h"

#include "ncp/ExtensionCodecs.h"
#include "netclient/ExtensionExchange.h"
#include "netclient/ServerSession.h"

#include <algorithm>

std::uint16_t SessionConsoleChannel::LookUpConsole(std::uint32_t& extensionId) {
    Ncp::ExtensionInfoReply info;
    const std::uint16_t status = session_.Call(Ncp::ExtensionInfoByNameRequest{"QV_EXT"}, info);
    if (status == StatusCodes::Success)
        extensionId = info.number;
    return status;
}

std::uint16_t SessionConsoleChannel::Exchange(std::uint32_t extensionId,
                                              std::span<const std::uint8_t> request,
                                              std::span<std::uint8_t> reply) {
    std::vector<std::uint8_t> answer;
    const std::uint16_t status = NetClient::ExchangeWithExtension(
        session_, extensionId, request, static_cast<std::uint16_t>(reply.size()), answer);
    std::copy_n(answer.begin(), std::min(answer.size(), reply.size()), reply.begin());
    return status;
}
