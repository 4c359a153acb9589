#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Emulator {

// Injected failures of client-library calls, by the name of the interface method ("ScanConnRefs",
// "NWGetFileServerInformation", ...). A failing call answers the given status and writes nothing.
// Calls that answer no status fail their own way: NWDSCreateContext gives the no-context value 328, and
// UpperCaseText cannot fail.
class FaultInjection final {
public:
    static constexpr std::int32_t Always = -1;

    // The call fails with status after skipCalls calls that still succeed, for times calls (Always: from
    // then on). Returns false, and injects nothing, for a name that is not a method of the interface.
    bool FailCall(std::string_view call, std::uint32_t status, std::uint32_t skipCalls = 0,
                  std::int32_t times = Always);
    void ClearCall(std::string_view call);
    void ClearAll();

    // Called on entry of each call: the status to fail with, or nothing.
    std::optional<std::uint32_t> Check(std::string_view call);

    static bool IsInterfaceCall(std::string_view call);
    static const std::vector<std::string_view>& InterfaceCalls();

private:
    struct Rule {
        std::uint32_t status = 0;
        std::uint32_t skip = 0;
        std::int32_t remaining = Always;
    };

    std::map<std::string, Rule, std::less<>> rules_;
};

} // namespace Emulator
