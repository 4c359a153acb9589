#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace Emulator {

// The server side of one registered NCP extension. It sees only the number of the connection that sent the
// request and the request bytes, and answers with reply bytes and a completion status, so that a server
// could move behind a real transport without any change here. The reply starts empty; the handler appends the
// whole reply it means to send, and the NCP session sends as much of it as the caller's reply buffer holds.
class NCPExtension {
public:
    virtual ~NCPExtension() = default;
    virtual std::uint16_t HandleRequest(std::uint32_t connection, std::span<const std::uint8_t> request,
                                        std::vector<std::uint8_t>& reply) = 0;
    // Whether only a console operator may make this request; the server answers 0xC6 to anyone else
    // without handing the request on.
    virtual bool NeedsConsoleOperator(std::span<const std::uint8_t> /*request*/) const { return false; }
};

// An extension that answers every request with the request's own bytes: the stand-in handler of the
// extensions that are listed on a server but whose protocol this program never speaks.
class EchoExtension final : public NCPExtension {
public:
    std::uint16_t HandleRequest(std::uint32_t, std::span<const std::uint8_t> request,
                                std::vector<std::uint8_t>& reply) override {
        reply.assign(request.begin(), request.end());
        return 0;
    }
};

} // namespace Emulator
