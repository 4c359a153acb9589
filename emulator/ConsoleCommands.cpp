#include "emulator/ConsoleCommands.h"

#include "emulator/LocaleText.h"
#include "emulator/Server.h"
#include "emulator/TimeText.h"
#include "ncp/StatusCodes.h"

#include <cstdio>
#include <sstream>

namespace Emulator {

namespace {
std::string VersionText(const ServerConfig& config) {
    char text[32];
    std::snprintf(text, sizeof text, "v%u.%02u", static_cast<unsigned>(config.majorVersion),
                  static_cast<unsigned>(config.minorVersion));
    return text;
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::vector<std::string> Help() {
    return {"Console commands:",
            "  CLS              Clear the console screen",
            "  CONFIG           Show the server's configuration",
            "  HELP             Show this list",
            "  LOAD <module>    Load a module from SYS:SYSTEM",
            "  MODULES          List the loaded modules",
            "  TIME             Show the server's date and time",
            "  UNLOAD <module>  Unload a loaded module",
            "  VERSION          Show the server's version",
            "  VOLUMES          List the mounted volumes"};
}

std::vector<std::string> Modules(const Server& server) {
    std::vector<std::string> lines;
    for (const std::string& module : server.LoadedModules())
        lines.push_back(Padded(module, 15) + server.ModuleDescription(module));
    lines.push_back(std::to_string(server.LoadedModules().size()) + " modules loaded");
    return lines;
}

std::vector<std::string> Version(const Server& server) {
    const ServerConfig& config = server.Config();
    return {"NetWare " + VersionText(config) + " revision " + std::to_string(config.revision) + ", server " +
                config.name,
            "Emulated by Tessaline",
            std::to_string(config.maxConnections) + " connections, " +
                std::to_string(server.AttachedCount()) + " in use, " + std::to_string(config.volumes.size()) +
                " volumes"};
}

std::vector<std::string> VolumeList(const Server& server) {
    std::vector<std::string> lines{"Mounted Volumes      Name Spaces"};
    for (const std::string& volume : server.ServerVolumes().Names())
        lines.push_back(Padded(volume, 21) + "DOS, LONG");
    return lines;
}

std::vector<std::string> Configuration(const Server& server) {
    const ServerConfig& config = server.Config();
    std::vector<std::string> lines{"File server name: " + config.name, "NetWare " + VersionText(config) +
                                                                           " revision " +
                                                                           std::to_string(config.revision)};
    if (server.HasDirectoryServices()) {
        lines.push_back("Server directory name: " + config.directoryName);
        lines.push_back("Bindery context: " + config.binderyContext);
    } else {
        lines.push_back("Bindery only: no directory services");
    }
    lines.push_back("Maximum connections: " + std::to_string(config.maxConnections));
    lines.push_back("Connections in use: " + std::to_string(server.AttachedCount()));
    lines.push_back("SFT level: " + std::to_string(config.sftLevel) +
                    "   TTS level: " + std::to_string(config.ttsLevel));
    return lines;
}

std::vector<std::string> Load(Server& server, const std::string& argument) {
    const std::string fileName = Server::ModuleFileName(argument);
    switch (server.LoadModule(argument)) {
    case StatusCodes::Success:
        return {"Loading module " + fileName, "  " + server.ModuleDescription(fileName)};
    case StatusCodes::ModuleAlreadyLoaded:
        return {"Module " + fileName + " is already loaded"};
    case StatusCodes::ModuleNotFound:
        return {"Unable to find load file " + fileName};
    default:
        return {"LOAD needs the name of a module"};
    }
}

std::vector<std::string> Unload(Server& server, const std::string& argument) {
    const std::string fileName = Server::ModuleFileName(argument);
    switch (server.UnloadModule(argument)) {
    case StatusCodes::Success:
        return {"Module " + fileName + " unloaded"};
    case StatusCodes::ModuleNotLoaded:
        return {"Module " + fileName + " is not loaded"};
    default:
        return {"UNLOAD needs the name of a module"};
    }
}
} // namespace

CommandResult RunConsoleCommand(Server& server, const std::string& line) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    command = LocaleText::UpperAscii(command);
    std::string argument;
    std::getline(words >> std::ws, argument);

    if (command.empty())
        return {};
    server.Log("Console command: " + line.substr(line.find_first_not_of(' ')));
    if (command == "HELP")
        return {Help()};
    if (command == "MODULES")
        return {Modules(server)};
    if (command == "VERSION")
        return {Version(server)};
    if (command == "VOLUMES")
        return {VolumeList(server)};
    if (command == "CONFIG")
        return {Configuration(server)};
    if (command == "TIME")
        return {{"Time synchronization is active.", TimeText::DateAndTime(server.Now())}};
    if (command == "CLS")
        return {{}, true};
    if (command == "LOAD")
        return {Load(server, argument)};
    if (command == "UNLOAD")
        return {Unload(server, argument)};
    return {{"???  Unknown command ???"}};
}

} // namespace Emulator
