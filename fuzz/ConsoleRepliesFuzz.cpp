// The workstation's side of the console messages against a console module that answers anything: every
// request gets the next piece of the input as its reply (shorter or longer than asked for, with any status).
// Properties: the screen walk ends, visits each reference once, never 0, and hands out names of at most 255
// bytes without a zero byte; an open hands out a handle only from a reply that holds one.

#include "FuzzSupport.h"

#include "console/ConsoleRequests.h"
#include "console/ScreenList.h"
#include "tests/support/StubClient.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

class ScriptedModule final : public StubClient {
public:
    explicit ScriptedModule(Fuzz::Input& input) : input_(input) {}

    std::uint16_t NCPExtensionRequest(std::uint32_t, std::uint32_t, const void*, std::uint32_t, void* reply,
                                      std::uint16_t* replyLength) override {
        const auto piece = input_.Piece(1024);
        const std::uint16_t status = (input_.Byte() & 0x0F) == 0 ? input_.Word() : 0;
        const std::size_t copied = std::min<std::size_t>(piece.size(), *replyLength);
        std::memcpy(reply, piece.data(), copied);
        lastReplySize = piece.size();
        // A client library may report more than it wrote; the callers must not trust the length.
        *replyLength = static_cast<std::uint16_t>(piece.size());
        return status;
    }

    std::size_t lastReplySize = 0;

private:
    Fuzz::Input& input_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz::Input input(data, size);
    ScriptedModule module(input);
    ScopedClientBinding binding(module);

    std::set<std::uint32_t> seen;
    std::size_t visited = 0;
    NCP_Ext::WalkScreenList(1, 0x201, [&](std::uint32_t screenRef, const std::string& screenName) {
        Fuzz::Require(screenRef != 0, "a listed screen has a reference");
        Fuzz::Require(seen.insert(screenRef).second, "the walk visits each reference once");
        Fuzz::Require(screenName.size() <= NCP_Ext::ScreenNameFieldSize, "a screen name fits its field");
        Fuzz::Require(screenName.find('\0') == std::string::npos, "a screen name holds no zero byte");
        ++visited;
        return (input.Byte() & 0x07) != 0;
    });
    Fuzz::Require(visited <= NCP_Ext::MaxScreenWalk, "the walk ends");

    while (!input.Empty()) {
        switch (input.Byte() % 4) {
        case 0: {
            std::int32_t handle = 0x5A5A5A5A;
            NCP_Ext::OpenScreen(1, 0x201, input.Word(), 0, handle);
            Fuzz::Require(handle == 0 || module.lastReplySize >= 1, "a handle comes only from a reply");
            break;
        }
        case 1: {
            NCP_Ext::ScreenRowsBuffer rows;
            rows.fill(0xA5);
            NCP_Ext::ReadScreenRows(1, 0x201, input.Byte(), rows);
            const std::size_t filled = std::min(module.lastReplySize, rows.size());
            Fuzz::Require(std::all_of(rows.begin() + static_cast<std::ptrdiff_t>(filled), rows.end(),
                                      [](std::uint8_t cell) { return cell == 0; }),
                          "rows the reply left out read as zero bytes");
            break;
        }
        case 2:
            NCP_Ext::SelectScreen(1, 0x201, static_cast<std::int32_t>(input.Word()));
            break;
        default:
            NCP_Ext::SendScreenKey(1, 0x201, input.Word());
            NCP_Ext::ClearScreen(1, 0x201);
            break;
        }
    }
    return 0;
}
