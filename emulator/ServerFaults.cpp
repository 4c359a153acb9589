#include "emulator/ServerFaults.h"

#include "emulator/LocaleText.h"

#include <algorithm>
#include <charconv>

namespace Emulator {

namespace {
bool Matches(const Ncp::CallId& rule, const Ncp::CallId& call) {
    return rule.function == call.function && (!rule.subfunction || rule.subfunction == call.subfunction);
}

std::optional<std::uint8_t> Number(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > 0xFF)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

// "23/17" or "37".
std::optional<Ncp::CallId> NumberedCall(std::string_view text) {
    const std::size_t slash = text.find('/');
    const auto function = Number(text.substr(0, slash));
    if (!function)
        return std::nullopt;
    if (slash == std::string_view::npos)
        return Ncp::CallId{*function, std::nullopt};
    const auto subfunction = Number(text.substr(slash + 1));
    if (!subfunction)
        return std::nullopt;
    return Ncp::CallId{*function, *subfunction};
}
} // namespace

std::optional<Ncp::CallId> ServerFaults::CallByName(std::string_view name) {
    for (const Ncp::CallInfo& info : Ncp::KnownCalls())
        if (LocaleText::SameName(info.name, name) || LocaleText::SameName(Ncp::FunctionName(info.id), name))
            return info.id;
    return NumberedCall(name);
}

void ServerFaults::FailFunction(Ncp::CallId call, std::uint8_t completion, std::uint32_t skipCalls,
                                std::int32_t times) {
    if (times == 0)
        return;
    std::erase_if(rules_, [&call](const Rule& rule) { return rule.call == call; });
    rules_.push_back(Rule{call, completion, skipCalls, times < 0 ? Always : times});
}

bool ServerFaults::FailFunction(std::string_view call, std::uint8_t completion, std::uint32_t skipCalls,
                                std::int32_t times) {
    const auto id = CallByName(call);
    if (!id)
        return false;
    FailFunction(*id, completion, skipCalls, times);
    return true;
}

void ServerFaults::ClearAll() {
    rules_.clear();
    delay_ = std::chrono::milliseconds(0);
    ignoreGoodbye_ = false;
}

std::optional<std::uint8_t> ServerFaults::Check(const Ncp::CallId& call) {
    const auto found = std::find_if(rules_.begin(), rules_.end(),
                                    [&call](const Rule& rule) { return Matches(rule.call, call); });
    if (found == rules_.end())
        return std::nullopt;
    if (found->skip > 0) {
        --found->skip;
        return std::nullopt;
    }
    const std::uint8_t completion = found->completion;
    if (found->remaining != Always && --found->remaining == 0)
        rules_.erase(found);
    return completion;
}

} // namespace Emulator
