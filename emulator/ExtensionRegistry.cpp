#include "emulator/ExtensionRegistry.h"

#include "ncp/StatusCodes.h"

#include <algorithm>

namespace Emulator {

std::uint32_t ExtensionRegistry::Register(ExtensionInfo info, std::shared_ptr<NCPExtension> handler) {
    info.id = nextId_++;
    if (nextId_ == ScanStart)
        nextId_ = 1;
    const std::uint32_t id = info.id;
    entries_.push_back(Entry{std::move(info), std::move(handler)});
    return id;
}

bool ExtensionRegistry::Unregister(std::uint32_t id) {
    return std::erase_if(entries_, [id](const Entry& entry) { return entry.info.id == id; }) > 0;
}

const ExtensionInfo* ExtensionRegistry::Next(std::uint32_t previousId) const {
    if (previousId == ScanStart)
        return entries_.empty() ? nullptr : &entries_.front().info;
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [previousId](const Entry& entry) { return entry.info.id == previousId; });
    if (found == entries_.end() || std::next(found) == entries_.end())
        return nullptr;
    return &std::next(found)->info;
}

const ExtensionInfo* ExtensionRegistry::Find(std::string_view name) const {
    for (const Entry& entry : entries_)
        if (entry.info.name == name)
            return &entry.info;
    return nullptr;
}

const ExtensionInfo* ExtensionRegistry::Find(std::uint32_t id) const {
    for (const Entry& entry : entries_)
        if (entry.info.id == id)
            return &entry.info;
    return nullptr;
}

std::vector<ExtensionInfo> ExtensionRegistry::All() const {
    std::vector<ExtensionInfo> all;
    for (const Entry& entry : entries_)
        all.push_back(entry.info);
    return all;
}

std::uint16_t ExtensionRegistry::Request(std::uint32_t id, std::uint32_t connection,
                                         std::span<const std::uint8_t> request,
                                         std::vector<std::uint8_t>& reply) {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [id](const Entry& entry) { return entry.info.id == id; });
    if (found == entries_.end() || !found->handler)
        return StatusCodes::NoSuchExtension;
    // Holding the handler keeps it alive should the request unregister it.
    const std::shared_ptr<NCPExtension> handler = found->handler;
    reply.clear();
    return handler->HandleRequest(connection, request, reply);
}

bool ExtensionRegistry::NeedsConsoleOperator(std::uint32_t id, std::span<const std::uint8_t> request) const {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [id](const Entry& entry) { return entry.info.id == id; });
    return found != entries_.end() && found->handler && found->handler->NeedsConsoleOperator(request);
}

} // namespace Emulator
