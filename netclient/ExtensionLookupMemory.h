#pragma once

#include "ncp/ExtensionCodecs.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

// What one connection's server said, a moment ago, about its NCP extensions by name (36/02), so that a
// look-up of the same name right after is answered without a round trip: the console's handlers look
// "QV_EXT" up again before every request. An answer is kept for Lifetime after the look-up or after the last
// 37 exchange with that extension went through; a failed 37 to it forgets it, and the client forgets
// everything on a new connection and on an NLM load or unload. Times are handed in, so that tests can
// drive them.
namespace NetClient {

class ExtensionLookupMemory final {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::milliseconds Lifetime{1000};

    // The remembered answer for name, when it is younger than Lifetime at now.
    std::optional<Ncp::ExtensionInfoReply> Recall(const std::string& name, TimePoint now) const;
    // A look-up of name was answered at now.
    void Remember(const std::string& name, const Ncp::ExtensionInfoReply& reply, TimePoint now);
    // A 37 exchange with extensionId went through at now: its answers stay young.
    void Exchanged(std::uint32_t extensionId, TimePoint now);
    // A 37 exchange with extensionId failed.
    void Forget(std::uint32_t extensionId);
    void Clear() { answers_.clear(); }

private:
    struct Answer {
        Ncp::ExtensionInfoReply reply;
        TimePoint at;
    };
    std::map<std::string, Answer> answers_; // by the name as it was asked
};

} // namespace NetClient
