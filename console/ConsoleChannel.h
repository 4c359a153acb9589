#pragma once

#include <cstdint>
#include <span>

// A way to one server's console extension "QV_EXT": its look-up by name and one exchange of a message. The
// main window's pages go through the bound client library on CurrentConn; a console window goes over a
// connection of its own, on its own thread.
class ConsoleChannel {
public:
    virtual ~ConsoleChannel() = default;

    // Looks "QV_EXT" up; its ID in extensionId. Status 0 when found.
    virtual std::uint16_t LookUpConsole(std::uint32_t& extensionId) = 0;
    // Sends request to the extension and puts its reply into reply, whose size states the reply length
    // expected. The caller zeroes reply before; what a failed exchange leaves there is not to be trusted.
    virtual std::uint16_t Exchange(std::uint32_t extensionId, std::span<const std::uint8_t> request,
                                   std::span<std::uint8_t> reply) = 0;
};
