#pragma once

#include "emulator/NCPExtension.h"

#include <cstddef>
#include <cstdint>

namespace Emulator {

class ConsoleScreen;
class ServerConsole;

// The server side of the console extension "QV_EXT" that QVEXT.NLM registers: it answers the six console
// messages from request bytes alone, on the screens of one ServerConsole. Every request starts with a
// 16-bit request code; all fields are little-endian and follow each other without gaps.
//
//   code    request (bytes)                      reply (bytes)
//   0x4019  code, previous screen reference (6)  reference, position, 255-byte name (263)
//   0x4015  code, option byte, reference (7)     signed handle, -1 for an unknown reference (4)
//   0x4016  code, handle (6)                     one byte (1)
//   0x401C  code, first row (6)                  five rows of 160 bytes from that row (800)
//   0x401D  code, key word (4)                   one byte (1)
//   0x4012  code (2)                             one byte (1)
//
// A request of the wrong length gets BadRequest, an unknown code UnknownRequest, and reads, keys and
// clears before any select NoScreenSelected, each with an empty reply. The read, key and clear messages
// act on the screen of the latest select sent on the same connection. The console's
// ConsoleFault, when set, bends the replies.
//
// The screens are the server's console: opening, selecting, reading, keys and clear need a console operator.
// The list of screen names stays open to every logged-in user (it shows nothing a console would not).
class ConsoleModule final : public NCPExtension {
public:
    static constexpr std::uint16_t ListNextScreen = 0x4019;
    static constexpr std::uint16_t OpenScreen = 0x4015;
    static constexpr std::uint16_t SelectScreen = 0x4016;
    static constexpr std::uint16_t ReadScreenRows = 0x401C;
    static constexpr std::uint16_t SendScreenKey = 0x401D;
    static constexpr std::uint16_t ClearScreen = 0x4012;

    static constexpr std::size_t ListReplySize = 263;
    static constexpr std::size_t NameFieldSize = 255;
    static constexpr std::size_t OpenReplySize = 4;
    static constexpr std::size_t ReadReplySize = 800;
    static constexpr std::size_t RowsPerRead = 5;

    explicit ConsoleModule(ServerConsole& console) : console_(console) {}

    std::uint16_t HandleRequest(std::uint32_t connection, std::span<const std::uint8_t> request,
                                std::vector<std::uint8_t>& reply) override;
    bool NeedsConsoleOperator(std::span<const std::uint8_t> request) const override;

private:
    std::uint16_t Answer(std::uint32_t connection, std::uint16_t code, std::span<const std::uint8_t> request,
                         std::vector<std::uint8_t>& reply);
    void ListNext(std::uint32_t previous, std::vector<std::uint8_t>& reply);
    std::uint16_t ReadRows(ConsoleScreen* screen, std::uint32_t firstRow, std::vector<std::uint8_t>& reply);
    void Bend(std::vector<std::uint8_t>& reply);

    ServerConsole& console_;
    std::uint64_t garbleState_ = 0x5EED1234ABCDEF01ull;
};

} // namespace Emulator
