#include "netclient/ExtensionList.h"

#include "netclient/ClientLibrary.h"
#include "netclient/SharedState.h"
#include "util/BufferText.h"

#include <cstdio>
#include <unordered_set>

std::string FormatExtensionLine(const std::string& name, std::uint8_t majorVersion, std::uint8_t minorVersion,
                                std::uint8_t revision) {
    char versions[32];
    std::snprintf(versions, sizeof versions, " Rev %u.%u.%u", static_cast<unsigned>(majorVersion),
                  static_cast<unsigned>(minorVersion), static_cast<unsigned>(revision));
    return name + versions;
}

std::vector<ExtensionEntry> ScanExtensionEntries(std::uint32_t connHandle) {
    std::vector<ExtensionEntry> entries;
    std::unordered_set<std::uint32_t> seen;
    ConsoleExt.id = 0xFFFFFFFF;
    while (entries.size() < MaxExtensionScan) {
        LastStatus =
            Client().ScanNCPExtensions(connHandle, &ConsoleExt.id, ConsoleExt.name, &ConsoleExt.majorVersion,
                                       &ConsoleExt.minorVersion, &ConsoleExt.revision, ConsoleExt.queryData);
        if (LastStatus != 0 || !seen.insert(ConsoleExt.id).second)
            break;
        entries.push_back({TextUpToZero(ConsoleExt.name, sizeof ConsoleExt.name), ConsoleExt.majorVersion,
                           ConsoleExt.minorVersion, ConsoleExt.revision});
    }
    return entries;
}

std::vector<std::string> ScanNCPExtensionLines(std::uint32_t connHandle) {
    std::vector<std::string> lines;
    for (const ExtensionEntry& entry : ScanExtensionEntries(connHandle))
        lines.push_back(
            FormatExtensionLine(entry.name, entry.majorVersion, entry.minorVersion, entry.revision));
    return lines;
}

std::string ModuleNameForClient(const std::string& name) {
    const std::string upToZero = TextUpToZero(name.c_str(), name.size() + 1);
    return upToZero.substr(0, ModuleNameBufferSize - 1);
}
