#pragma once

#include "emulator/NCPExtension.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Emulator {

// What a scan or a lookup tells about one registered NCP extension.
struct ExtensionInfo {
    std::uint32_t id = 0;
    std::string name;
    std::uint8_t majorVersion = 0;
    std::uint8_t minorVersion = 0;
    std::uint8_t revision = 0;
    std::array<std::uint8_t, 32> queryData{};
};

// A server's registered NCP extensions in registration order, each with the handler its requests go to.
// IDs are issued by the registry, never 0 or 0xFFFFFFFF (the scan's start), and never reused.
class ExtensionRegistry final {
public:
    static constexpr std::uint32_t ScanStart = 0xFFFFFFFF;

    // Registers an extension under the given name and returns its ID (the ID of info is ignored).
    std::uint32_t Register(ExtensionInfo info, std::shared_ptr<NCPExtension> handler);
    bool Unregister(std::uint32_t id);

    // The extension after previousId in registration order (ScanStart gives the first); null after the last
    // and for an ID that is not registered.
    const ExtensionInfo* Next(std::uint32_t previousId) const;
    // The extension of exactly that name, or null.
    const ExtensionInfo* Find(std::string_view name) const;
    // The extension of that ID, or null.
    const ExtensionInfo* Find(std::uint32_t id) const;
    std::vector<ExtensionInfo> All() const;

    // Hands the request of the connection with that number to the extension's handler. NoSuchExtension for
    // an unknown ID. A handler may unregister its own extension while it answers (a console command that
    // unloads the module).
    std::uint16_t Request(std::uint32_t id, std::uint32_t connection, std::span<const std::uint8_t> request,
                          std::vector<std::uint8_t>& reply);
    // Whether the extension of that ID lets only console operators make the request.
    bool NeedsConsoleOperator(std::uint32_t id, std::span<const std::uint8_t> request) const;

private:
    struct Entry {
        ExtensionInfo info;
        std::shared_ptr<NCPExtension> handler;
    };

    std::vector<Entry> entries_;
    std::uint32_t nextId_ = 0x00000201;
};

} // namespace Emulator
