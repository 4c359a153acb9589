#include "emulator/DemoNetwork.h"

#include "emulator/ModuleImage.h"
#include "emulator/Workstation.h"

#include <QStandardPaths>
#include <QString>

#include <chrono>

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

std::unique_ptr<Workstation> MakeDemoWorkstation(const std::string& volumesRoot) {
    auto workstation = std::make_unique<Workstation>(volumesRoot);
    const auto now = std::chrono::system_clock::now();

    Server& atlas = workstation->AddServer({.name = "ATLAS",
                                            .majorVersion = 5,
                                            .minorVersion = 0,
                                            .revision = 8,
                                            .maxConnections = 250,
                                            .peakConnections = 37,
                                            .connectionsInUse = 12,
                                            .volumes = {"SYS", "VOL1", "DATA", "APPS"},
                                            .sftLevel = 2,
                                            .ttsLevel = 1,
                                            .directoryName = "CN=ATLAS.O=ACME",
                                            .binderyContext = "OU=SALES.O=ACME"});
    atlas.SetBootTime(now - std::chrono::hours(24 * 12 + 5) - std::chrono::minutes(17));
    DefineDemoModules(atlas);
    WriteModuleFiles(atlas, {"DS.NLM", "CLIB.NLM", "TIMESYNC.NLM", "TSABACK.NLM", "MONITOR.NLM"});
    atlas.ServerVolumes().WriteSystemFileIfMissing(Server::ConsoleModuleFile, ConsoleModuleImage());
    LoadBaseModules(atlas);
    atlas.LoadModule("TSABACK.NLM");
    atlas.LoadModule(Server::ConsoleModuleFile);
    const std::uint32_t admin = atlas.AddUser("ADMIN", "CN=Admin.O=ACME", 0x0B000001);
    const std::uint32_t atlasConnection = workstation->AddConnection(atlas, admin);

    Server& boreas = workstation->AddServer({.name = "BOREAS",
                                             .majorVersion = 4,
                                             .minorVersion = 11,
                                             .revision = 0,
                                             .maxConnections = 100,
                                             .peakConnections = 18,
                                             .connectionsInUse = 7,
                                             .volumes = {"SYS", "USERS"},
                                             .sftLevel = 2,
                                             .ttsLevel = 1,
                                             .directoryName = "CN=BOREAS.OU=Sales.O=ACME",
                                             .binderyContext = "OU=Sales.O=ACME"});
    boreas.SetBootTime(now - std::chrono::hours(3) - std::chrono::minutes(41));
    DefineDemoModules(boreas);
    WriteModuleFiles(boreas, {"DS.NLM", "CLIB.NLM", "TIMESYNC.NLM", "MONITOR.NLM"});
    LoadBaseModules(boreas);
    const std::uint32_t jdoe = boreas.AddUser("JDOE", "CN=jdoe.OU=Sales.O=ACME", 0x2C000014);
    workstation->AddConnection(boreas, jdoe);

    Server& castor = workstation->AddServer({.name = "CASTOR",
                                             .majorVersion = 3,
                                             .minorVersion = 12,
                                             .revision = 0,
                                             .maxConnections = 25,
                                             .peakConnections = 6,
                                             .connectionsInUse = 3,
                                             .volumes = {"SYS"},
                                             .sftLevel = 1,
                                             .ttsLevel = 1,
                                             .directoryName = {},
                                             .binderyContext = {}});
    castor.SetBootTime(now - std::chrono::hours(24 * 40));
    DefineDemoModules(castor);
    WriteModuleFiles(castor, {"CLIB.NLM", "MONITOR.NLM"});
    castor.LoadModule("CLIB.NLM");
    castor.AddUser("SUPERVISOR", "", 0x00000001);
    workstation->AddConnection(castor, 0);

    workstation->SetPrimaryConnection(atlasConnection);
    return workstation;
}

std::string DefaultVolumesRoot() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Tessaline/volumes")
        .toStdString();
}

} // namespace Emulator
