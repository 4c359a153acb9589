#include "emulator/DemoNetwork.h"

#include "emulator/ModuleImage.h"

#include <QStandardPaths>
#include <QString>

#include <chrono>
#include <filesystem>

namespace Emulator {

namespace {
// Modules every demo server runs from the start; their files are written into SYS:SYSTEM when missing.
constexpr const char* BaseModules[] = {"DS.NLM", "CLIB.NLM", "TIMESYNC.NLM"};

std::array<std::uint8_t, 32> QueryData(std::string_view text) {
    std::array<std::uint8_t, 32> data{};
    std::copy_n(text.begin(), std::min(text.size(), data.size()), data.begin());
    return data;
}

void DefineDemoModules(Server& server) {
    server.DefineModule({"DS.NLM", "NetWare Directory Services", "", 1, 0, 0, {}, {}});
    server.DefineModule({"CLIB.NLM", "NetWare C Library", "", 1, 0, 0, {}, {}});
    server.DefineModule({"TIMESYNC.NLM", "Time Synchronization Services", "TIMESYNC_NCP", 2, 1, 4,
                         QueryData("TIME SYNC"), [] { return std::make_shared<EchoExtension>(); }});
    server.DefineModule({"TSABACK.NLM", "Backup Target Service Agent", "BACKUP_AGENT", 1, 3, 0,
                         QueryData("BACKUP AGENT"), [] { return std::make_shared<EchoExtension>(); }});
    server.DefineModule({"MONITOR.NLM", "Console Monitor", "", 1, 0, 0, {}, {}});
}

void WriteModuleFiles(Server& server, std::initializer_list<const char*> names) {
    for (const char* name : names)
        server.ServerVolumes().WriteSystemFileIfMissing(name, PlaceholderModuleImage());
}

void LoadBaseModules(Server& server) {
    for (const char* name : BaseModules)
        server.LoadModule(name);
}
} // namespace

std::vector<DemoServer> MakeDemoServers(const std::string& volumesRoot, Clock clock) {
    // Volume directories are reported as absolute paths, whatever the working directory is later.
    std::error_code error;
    std::filesystem::path root = std::filesystem::absolute(volumesRoot, error);
    if (error || volumesRoot.empty())
        root = volumesRoot;
    const auto now = std::chrono::system_clock::now();
    std::vector<DemoServer> servers;
    const auto add = [&](ServerConfig config, DemoAttachment attachment) -> Server& {
        servers.push_back(
            DemoServer{std::make_unique<Server>(std::move(config), root, clock), std::move(attachment)});
        return *servers.back().server;
    };
    const auto addUser = [](Server& server, const char* name, const char* directoryName, std::uint32_t id,
                            const char* password, bool consoleOperator) {
        server.AddUser(name, directoryName, id);
        server.SetPassword(id, password);
        server.SetConsoleOperator(id, consoleOperator);
    };

    Server& atlas = add({.name = "ATLAS",
                         .majorVersion = 5,
                         .minorVersion = 0,
                         .revision = 8,
                         .maxConnections = 250,
                         .volumes = {"SYS", "VOL1", "DATA", "APPS"},
                         .sftLevel = 2,
                         .ttsLevel = 1,
                         .directoryName = "CN=ATLAS.O=ACME",
                         .binderyContext = "OU=SALES.O=ACME"},
                        {"ADMIN", "acme", true});
    atlas.SetBootTime(now - std::chrono::hours(24 * 12 + 5) - std::chrono::minutes(17));
    DefineDemoModules(atlas);
    WriteModuleFiles(atlas, {"DS.NLM", "CLIB.NLM", "TIMESYNC.NLM", "TSABACK.NLM", "MONITOR.NLM"});
    atlas.ServerVolumes().WriteSystemFileIfMissing(Server::ConsoleModuleFile, ConsoleModuleImage());
    LoadBaseModules(atlas);
    atlas.LoadModule("TSABACK.NLM");
    atlas.LoadModule(Server::ConsoleModuleFile);
    addUser(atlas, "ADMIN", "CN=Admin.O=ACME", 0x0B000001, "acme", true);
    addUser(atlas, "GUEST", "CN=Guest.O=ACME", 0x0B000002, "guest", false);

    Server& boreas = add({.name = "BOREAS",
                          .majorVersion = 4,
                          .minorVersion = 11,
                          .revision = 0,
                          .maxConnections = 100,
                          .volumes = {"SYS", "USERS"},
                          .sftLevel = 2,
                          .ttsLevel = 1,
                          .directoryName = "CN=BOREAS.OU=Sales.O=ACME",
                          .binderyContext = "OU=Sales.O=ACME"},
                         {"JDOE", "sales", true});
    boreas.SetBootTime(now - std::chrono::hours(3) - std::chrono::minutes(41));
    DefineDemoModules(boreas);
    WriteModuleFiles(boreas, {"DS.NLM", "CLIB.NLM", "TIMESYNC.NLM", "MONITOR.NLM"});
    LoadBaseModules(boreas);
    addUser(boreas, "JDOE", "CN=jdoe.OU=Sales.O=ACME", 0x2C000014, "sales", true);

    Server& castor = add({.name = "CASTOR",
                          .majorVersion = 3,
                          .minorVersion = 12,
                          .revision = 0,
                          .maxConnections = 25,
                          .volumes = {"SYS"},
                          .sftLevel = 1,
                          .ttsLevel = 1,
                          .directoryName = {},
                          .binderyContext = {}},
                         {"SUPERVISOR", "castor", false});
    castor.SetBootTime(now - std::chrono::hours(24 * 40));
    DefineDemoModules(castor);
    WriteModuleFiles(castor, {"CLIB.NLM", "MONITOR.NLM"});
    castor.LoadModule("CLIB.NLM");
    addUser(castor, "SUPERVISOR", "", 0x00000001, "castor", true);
    return servers;
}

std::string DefaultVolumesRoot() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Tessaline/volumes")
        .toStdString();
}

} // namespace Emulator
