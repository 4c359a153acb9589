#include "emulator/FaultInjection.h"

#include <algorithm>

namespace Emulator {

const std::vector<std::string_view>& FaultInjection::InterfaceCalls() {
    static const std::vector<std::string_view> calls{"StartClient",
                                                     "StartClx",
                                                     "GetPrimaryConnRef",
                                                     "OpenConnByReference",
                                                     "ScanConnRefs",
                                                     "GetConnRefInfo",
                                                     "GetConnInfo",
                                                     "GetBinderyObjectNameById",
                                                     "NWDSCreateContext",
                                                     "MapIdToDSName",
                                                     "FreeContext",
                                                     "NWDSCreateContextHandle",
                                                     "NWDSGetServerDN",
                                                     "GetBinderyContext",
                                                     "NWGetFileServerInformation",
                                                     "ScanNCPExtensions",
                                                     "GetNCPExtensionInfoByName",
                                                     "NCPExtensionRequest",
                                                     "NWSMLoadNLM",
                                                     "NWSMUnloadNLM",
                                                     "UpperCaseText",
                                                     "GetVolumeDirectory"};
    return calls;
}

bool FaultInjection::IsInterfaceCall(std::string_view call) {
    const auto& calls = InterfaceCalls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

bool FaultInjection::FailCall(std::string_view call, std::uint32_t status, std::uint32_t skipCalls,
                              std::int32_t times) {
    if (!IsInterfaceCall(call) || times == 0)
        return false;
    rules_[std::string(call)] = Rule{status, skipCalls, times < 0 ? Always : times};
    return true;
}

void FaultInjection::ClearCall(std::string_view call) {
    if (const auto found = rules_.find(call); found != rules_.end())
        rules_.erase(found);
}

void FaultInjection::ClearAll() {
    rules_.clear();
}

std::optional<std::uint32_t> FaultInjection::Check(std::string_view call) {
    const auto found = rules_.find(call);
    if (found == rules_.end())
        return std::nullopt;
    Rule& rule = found->second;
    if (rule.skip > 0) {
        --rule.skip;
        return std::nullopt;
    }
    const std::uint32_t status = rule.status;
    if (rule.remaining != Always && --rule.remaining == 0)
        rules_.erase(found);
    return status;
}

} // namespace Emulator
