#include "console/ConsoleRequests.h"

#include "console/ConsoleChannel.h"
#include "netclient/ClientLibrary.h"
#include "netclient/SharedState.h"

#include <algorithm>

namespace NCP_Ext {

namespace {

// Expected reply lengths of the messages that answer with one ignored byte or a handle.
constexpr std::uint16_t ByteReplySize = 1;
constexpr std::uint16_t HandleReplySize = 4;
constexpr std::size_t ListNameOffset = 8;

void PutLE16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFFu);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLE32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFu);
}

std::uint32_t GetLE32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// The bound client library on one connection handle: the channel of the main window's pages.
class ClientChannel final : public ConsoleChannel {
public:
    explicit ClientChannel(std::uint32_t connHandle) : connHandle_(connHandle) {}
    std::uint16_t LookUpConsole(std::uint32_t& extensionId) override {
        std::uint8_t major = 0, minor = 0, revision = 0;
        std::uint8_t queryData[ClientLibrary::QueryDataSize] = {};
        return Client().GetNCPExtensionInfoByName(connHandle_, "QV_EXT", &extensionId, &major, &minor,
                                                  &revision, queryData);
    }
    std::uint16_t Exchange(std::uint32_t extensionId, std::span<const std::uint8_t> request,
                           std::span<std::uint8_t> reply) override {
        return ConsoleRequest(connHandle_, extensionId, request.data(),
                              static_cast<std::uint32_t>(request.size()), reply.data(),
                              static_cast<std::uint16_t>(reply.size()));
    }

private:
    std::uint32_t connHandle_ = 0;
};

// The messages whose reply is one byte that nobody reads. The byte is zeroed like every reply buffer, so
// that nothing of an earlier exchange can ever be mistaken for an answer.
template <std::size_t N>
std::uint16_t ExchangeIgnoringReply(ConsoleChannel& channel, std::uint32_t extensionId,
                                    const std::array<std::uint8_t, N>& request) {
    std::array<std::uint8_t, ByteReplySize> reply{};
    return channel.Exchange(extensionId, request, reply);
}

} // namespace

std::uint16_t ConsoleRequest(std::uint32_t connHandle, std::uint32_t extensionId, const std::uint8_t* request,
                             std::uint32_t requestLength, std::uint8_t* reply, std::uint16_t replyCapacity) {
    // The length that comes back is not looked at: every reply is read from fixed offsets of a buffer that
    // was zeroed before the exchange.
    std::uint16_t replyLength = replyCapacity;
    return Client().NCPExtensionRequest(connHandle, extensionId, request, requestLength, reply, &replyLength);
}

std::uint32_t ListNextScreen(ConsoleChannel& channel, std::uint32_t extensionId, std::uint32_t previousScreen,
                             std::string& screenName, std::uint16_t& status) {
    std::array<std::uint8_t, 6> request{};
    PutLE16(&request[0], ListNextScreenCode);
    PutLE32(&request[2], previousScreen);

    // Zeroed, so a failed exchange that writes nothing reads as the end of the list.
    std::array<std::uint8_t, ListReplySize> reply{};
    status = channel.Exchange(extensionId, request, reply);

    const std::uint32_t screenRef = GetLE32(&reply[0]);
    if (screenRef == 0)
        return 0;
    // The name ends at its first zero byte, or at the end of its field when the server sent none.
    const auto nameBegin = reply.begin() + ListNameOffset;
    const auto nameEnd = nameBegin + ScreenNameFieldSize;
    screenName.assign(nameBegin, std::find(nameBegin, nameEnd, std::uint8_t{0}));
    return screenRef;
}

std::uint16_t OpenScreen(ConsoleChannel& channel, std::uint32_t extensionId, std::uint32_t screenRef,
                         std::uint8_t option, std::int32_t& screenHandle) {
    std::array<std::uint8_t, 7> request{};
    PutLE16(&request[0], OpenScreenCode);
    request[2] = option;
    PutLE32(&request[3], screenRef);

    // Zeroed, so an exchange that fails without writing hands out 0, which means "no handle".
    std::array<std::uint8_t, HandleReplySize> reply{};
    const std::uint16_t status = channel.Exchange(extensionId, request, reply);
    screenHandle = static_cast<std::int32_t>(GetLE32(reply.data()));
    return status;
}

std::uint16_t SelectScreen(ConsoleChannel& channel, std::uint32_t extensionId, std::int32_t screenHandle) {
    std::array<std::uint8_t, 6> request{};
    PutLE16(&request[0], SelectScreenCode);
    PutLE32(&request[2], static_cast<std::uint32_t>(screenHandle));
    return ExchangeIgnoringReply(channel, extensionId, request);
}

std::uint16_t ReadScreenRows(ConsoleChannel& channel, std::uint32_t extensionId, std::uint32_t firstRow,
                             ScreenRowsBuffer& rows) {
    std::array<std::uint8_t, 6> request{};
    PutLE16(&request[0], ReadScreenRowsCode);
    PutLE32(&request[2], firstRow);

    // A private, zeroed buffer: a short or failed reply leaves zero cells (shown as blanks), never the
    // bytes of an earlier read. All of it is handed on whatever the status; callers judge by the status.
    ScreenRowsBuffer reply{};
    const std::uint16_t status = channel.Exchange(extensionId, request, reply);
    rows = reply;
    return status;
}

std::uint16_t SendScreenKey(ConsoleChannel& channel, std::uint32_t extensionId, std::uint16_t keyWord) {
    std::array<std::uint8_t, 4> request{};
    PutLE16(&request[0], SendScreenKeyCode);
    PutLE16(&request[2], keyWord);
    return ExchangeIgnoringReply(channel, extensionId, request);
}

std::uint16_t ClearScreen(ConsoleChannel& channel, std::uint32_t extensionId) {
    std::array<std::uint8_t, 2> request{};
    PutLE16(&request[0], ClearScreenCode);
    return ExchangeIgnoringReply(channel, extensionId, request);
}

// The main window's calls: the same messages through the bound client library.

std::uint32_t ListNextScreen(std::uint32_t connHandle, std::uint32_t extensionId,
                             std::uint32_t previousScreen, std::string& screenName) {
    ClientChannel channel(connHandle);
    std::uint16_t status = 0;
    const std::uint32_t screenRef = ListNextScreen(channel, extensionId, previousScreen, screenName, status);
    LastStatus = status;
    return screenRef;
}

std::uint16_t OpenScreen(std::uint32_t connHandle, std::uint32_t extensionId, std::uint32_t screenRef,
                         std::uint8_t option, std::int32_t& screenHandle) {
    ClientChannel channel(connHandle);
    return OpenScreen(channel, extensionId, screenRef, option, screenHandle);
}

std::uint16_t SelectScreen(std::uint32_t connHandle, std::uint32_t extensionId, std::int32_t screenHandle) {
    ClientChannel channel(connHandle);
    return SelectScreen(channel, extensionId, screenHandle);
}

std::uint16_t ReadScreenRows(std::uint32_t connHandle, std::uint32_t extensionId, std::uint32_t firstRow,
                             ScreenRowsBuffer& rows) {
    ClientChannel channel(connHandle);
    return ReadScreenRows(channel, extensionId, firstRow, rows);
}

std::uint16_t SendScreenKey(std::uint32_t connHandle, std::uint32_t extensionId, std::uint16_t keyWord) {
    ClientChannel channel(connHandle);
    return SendScreenKey(channel, extensionId, keyWord);
}

std::uint16_t ClearScreen(std::uint32_t connHandle, std::uint32_t extensionId) {
    ClientChannel channel(connHandle);
    return ClearScreen(channel, extensionId);
}

} // namespace NCP_Ext
