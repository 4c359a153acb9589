#pragma once

#include "ncp/Functions.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace Emulator {

// Injected failures of one server's NCP functions, for tests of the client's side: a function that
// answers a given completion code, and a delay before every reply. (Dropping every connection is an action
// of NcpServer; the console module's own faults are ServerConsole::SetFault.) Touched on the server's loop
// thread only: NcpServer's fault routines carry the changes there.
class ServerFaults final {
public:
    static constexpr std::int32_t Always = -1;

    // The call answers completion (and no data) after skipCalls calls that still succeed, for times calls
    // (Always: from then on). A call without subfunction given for a function that has them matches all
    // of its subfunctions.
    void FailFunction(Ncp::CallId call, std::uint8_t completion, std::uint32_t skipCalls = 0,
                      std::int32_t times = Always);
    // The same by name: "Get File Server Information", "23/17", "23/17 Get File Server Information" or
    // "37" (letter case ignored). False, and nothing injected, for a name no known call has.
    bool FailFunction(std::string_view call, std::uint8_t completion, std::uint32_t skipCalls = 0,
                      std::int32_t times = Always);
    void SetReplyDelay(std::chrono::milliseconds delay) { delay_ = delay; }
    std::chrono::milliseconds ReplyDelay() const { return delay_; }
    // The server neither answers a client's goodbye (destroy connection) nor closes the connection after it.
    void SetIgnoreGoodbye(bool ignore) { ignoreGoodbye_ = ignore; }
    bool IgnoresGoodbye() const { return ignoreGoodbye_; }
    void ClearAll();

    // Called for each request: the completion to fail it with, or nothing.
    std::optional<std::uint8_t> Check(const Ncp::CallId& call);

    // The call a name means, or nothing.
    static std::optional<Ncp::CallId> CallByName(std::string_view name);

private:
    struct Rule {
        Ncp::CallId call;
        std::uint8_t completion = 0;
        std::uint32_t skip = 0;
        std::int32_t remaining = Always;
    };

    std::vector<Rule> rules_;
    std::chrono::milliseconds delay_{0};
    bool ignoreGoodbye_ = false;
};

} // namespace Emulator
