#include "netclient/ExtensionLookupMemory.h"

#include <iterator>

namespace NetClient {

std::optional<Ncp::ExtensionInfoReply> ExtensionLookupMemory::Recall(const std::string& name,
                                                                     TimePoint now) const {
    const auto found = answers_.find(name);
    // A clock that went back counts as stale too.
    if (found == answers_.end() || now < found->second.at || now - found->second.at >= Lifetime)
        return std::nullopt;
    return found->second.reply;
}

void ExtensionLookupMemory::Remember(const std::string& name, const Ncp::ExtensionInfoReply& reply,
                                     TimePoint now) {
    answers_[name] = Answer{reply, now};
}

void ExtensionLookupMemory::Exchanged(std::uint32_t extensionId, TimePoint now) {
    for (auto& [name, answer] : answers_)
        if (answer.reply.number == extensionId)
            answer.at = now;
}

void ExtensionLookupMemory::Forget(std::uint32_t extensionId) {
    for (auto answer = answers_.begin(); answer != answers_.end();)
        answer = answer->second.reply.number == extensionId ? answers_.erase(answer) : std::next(answer);
}

} // namespace NetClient
