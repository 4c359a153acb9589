#include "emulator/Server.h"

#include "emulator/ConsoleModule.h"
#include "emulator/LocaleText.h"
#include "emulator/LoggerScreen.h"
#include "emulator/MonitorScreen.h"
#include "emulator/SystemConsoleScreen.h"
#include "ncp/StatusCodes.h"

#include <algorithm>

namespace Emulator {

namespace {
constexpr std::size_t EventLogLimit = 200;
constexpr std::size_t BinderyNameLimit = 47;

std::array<std::uint8_t, 32> ConsoleQueryData() {
    std::array<std::uint8_t, 32> data{};
    constexpr std::string_view tag = "TESSALINE CONSOLE";
    std::copy(tag.begin(), tag.end(), data.begin());
    return data;
}
} // namespace

Server::Server(ServerConfig config, const std::filesystem::path& volumesRoot, Clock clock)
    : config_(std::move(config)),
      clock_(clock ? std::move(clock) : Clock([] { return std::chrono::system_clock::now(); })),
      bootTime_(clock_()), volumes_(volumesRoot, config_.name, config_.volumes) {
    config_.volumes = volumes_.Names();
    DefineModule(ModuleDefinition{ConsoleModuleFile, "Tessaline Remote Console Extension",
                                  ConsoleExtensionName, 1, 0, 0, ConsoleQueryData(),
                                  [this] { return std::make_shared<ConsoleModule>(console_); }});
    if (config_.standardScreens) {
        console_.AddScreen(std::make_unique<SystemConsoleScreen>(*this));
        console_.AddScreen(std::make_unique<MonitorScreen>(*this));
        console_.AddScreen(std::make_unique<LoggerScreen>(*this));
    }
}

Server::~Server() = default;

std::uint32_t Server::AddUser(const std::string& binderyName, const std::string& directoryName,
                              std::uint32_t objectId) {
    if (objectId == 0) {
        while (objects_.contains(nextObjectId_))
            ++nextObjectId_;
        objectId = nextObjectId_++;
    }
    objects_[objectId] = ServerObject{objectId, binderyName.substr(0, BinderyNameLimit), directoryName,
                                      1,        Ncp::HashPassword(objectId, ""),         false};
    return objectId;
}

const ServerObject* Server::FindObject(std::uint32_t objectId) const {
    const auto found = objects_.find(objectId);
    return found == objects_.end() ? nullptr : &found->second;
}

const ServerObject* Server::FindObject(std::string_view binderyName, std::uint16_t type) const {
    for (const auto& [id, object] : objects_)
        if (object.type == type && LocaleText::SameName(object.binderyName, binderyName))
            return &object;
    return nullptr;
}

bool Server::SetPassword(std::uint32_t objectId, std::string_view password) {
    const auto found = objects_.find(objectId);
    if (found == objects_.end())
        return false;
    found->second.passwordHash = Ncp::HashPassword(objectId, password);
    return true;
}

bool Server::SetConsoleOperator(std::uint32_t objectId, bool consoleOperator) {
    const auto found = objects_.find(objectId);
    if (found == objects_.end())
        return false;
    found->second.consoleOperator = consoleOperator;
    return true;
}

bool Server::IsConsoleOperator(std::uint32_t objectId) const {
    const ServerObject* object = FindObject(objectId);
    return object != nullptr && object->consoleOperator;
}

bool Server::LoginLocked(std::uint32_t objectId) const {
    const auto found = intruders_.find(objectId);
    return found != intruders_.end() && Now() < found->second.lockedUntil;
}

void Server::LoginFailed(std::uint32_t objectId) {
    if (intruderDetection_.attempts == 0)
        return;
    IntruderRecord& record = intruders_[objectId];
    const auto now = Now();
    record.failures.push_back(now);
    while (!record.failures.empty() && record.failures.front() + intruderDetection_.window <= now)
        record.failures.pop_front();
    if (record.failures.size() >= intruderDetection_.attempts) {
        record.failures.clear();
        record.lockedUntil = now + intruderDetection_.lockout;
        const ServerObject* object = FindObject(objectId);
        Log("Intruder detection locked " +
            (object != nullptr ? object->binderyName : std::string("an object")));
    }
}

std::uint32_t Server::Attach(std::uint32_t userId) {
    // Numbers are reused once free, as a NetWare server reuses its connection slots; the map is ordered, so
    // the first gap is the lowest free number.
    std::uint32_t connection = 1;
    for (const auto& [number, attachment] : connections_) {
        if (number != connection)
            break;
        ++connection;
    }
    if (connection > std::min<std::uint32_t>(config_.maxConnections, MaxConnectionNumber))
        return 0;
    connections_[connection] = Attachment{userId, Now()};
    peakConnections_ = std::max(peakConnections_, connections_.size());
    return connection;
}

std::size_t Server::UserConnectionCount(std::uint32_t userId) const {
    return static_cast<std::size_t>(
        std::count_if(connections_.begin(), connections_.end(),
                      [userId](const auto& entry) { return entry.second.userId == userId; }));
}

bool Server::MayOpenFile(std::uint32_t userId) const {
    const auto found = openFilesByUser_.find(userId);
    const std::size_t ofUser = found == openFilesByUser_.end() ? 0 : found->second;
    return ofUser < limits_.openFilesPerUser && openFiles_ < limits_.openFiles;
}

void Server::FilesOpened(std::uint32_t userId, std::ptrdiff_t count) {
    std::size_t& ofUser = openFilesByUser_[userId];
    ofUser = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(ofUser) + count);
    openFiles_ = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(openFiles_) + count);
    if (ofUser == 0)
        openFilesByUser_.erase(userId);
}

void Server::Detach(std::uint32_t connection) {
    connections_.erase(connection);
    console_.ForgetConnection(connection);
}

bool Server::SetConnectionUser(std::uint32_t connection, std::uint32_t userId) {
    const auto found = connections_.find(connection);
    if (found == connections_.end())
        return false;
    found->second = Attachment{userId, Now()};
    return true;
}

std::optional<std::uint32_t> Server::UserOnConnection(std::uint32_t connection) const {
    const auto found = connections_.find(connection);
    if (found == connections_.end())
        return std::nullopt;
    return found->second.userId;
}

std::optional<std::chrono::system_clock::time_point> Server::LoginTime(std::uint32_t connection) const {
    const auto found = connections_.find(connection);
    if (found == connections_.end())
        return std::nullopt;
    return found->second.loginTime;
}

std::uint32_t Server::RegisterExtension(const std::string& name, std::uint8_t major, std::uint8_t minor,
                                        std::uint8_t revision, std::shared_ptr<NCPExtension> handler,
                                        const std::array<std::uint8_t, 32>& queryData) {
    return extensions_.Register(ExtensionInfo{0, name, major, minor, revision, queryData},
                                std::move(handler));
}

void Server::DefineModule(ModuleDefinition definition) {
    definition.fileName = LocaleText::UpperAscii(definition.fileName);
    std::erase_if(definitions_, [&definition](const ModuleDefinition& known) {
        return known.fileName == definition.fileName;
    });
    definitions_.push_back(std::move(definition));
}

const ModuleDefinition* Server::Definition(std::string_view fileName) const {
    for (const ModuleDefinition& definition : definitions_)
        if (definition.fileName == fileName)
            return &definition;
    return nullptr;
}

std::string Server::ModuleFileName(std::string_view name) {
    const auto notBlank = [](char c) { return c != ' ' && c != '\t'; };
    const auto first = std::find_if(name.begin(), name.end(), notBlank);
    const auto last = std::find_if(name.rbegin(), name.rend(), notBlank).base();
    std::string_view trimmed = first < last ? std::string_view(first, last) : std::string_view();
    const std::size_t separator = trimmed.find_last_of("\\/:");
    if (separator != std::string_view::npos)
        trimmed.remove_prefix(separator + 1);
    if (trimmed.empty() || trimmed.find_first_of(" \t") != std::string_view::npos)
        return {};
    std::string fileName = LocaleText::UpperAscii(trimmed);
    if (fileName.find('.') == std::string::npos)
        fileName += ".NLM";
    return fileName;
}

bool Server::IsModuleLoaded(std::string_view name) const {
    const std::string fileName = ModuleFileName(name);
    return std::any_of(modules_.begin(), modules_.end(),
                       [&fileName](const LoadedModule& module) { return module.fileName == fileName; });
}

std::uint16_t Server::LoadModule(std::string_view name) {
    const std::string fileName = ModuleFileName(name);
    if (fileName.empty())
        return StatusCodes::InvalidModuleName;
    if (IsModuleLoaded(fileName))
        return StatusCodes::ModuleAlreadyLoaded;
    if (!volumes_.HasSystemFile(fileName)) {
        Log("Unable to find load file " + fileName);
        return StatusCodes::ModuleNotFound;
    }
    LoadedModule module{fileName, 0};
    if (const ModuleDefinition* definition = Definition(fileName);
        definition != nullptr && !definition->extensionName.empty() && definition->makeExtension) {
        module.extensionId =
            RegisterExtension(definition->extensionName, definition->majorVersion, definition->minorVersion,
                              definition->revision, definition->makeExtension(), definition->queryData);
    }
    modules_.push_back(module);
    Log("Loaded module " + fileName);
    return StatusCodes::Success;
}

std::uint16_t Server::UnloadModule(std::string_view name) {
    const std::string fileName = ModuleFileName(name);
    if (fileName.empty())
        return StatusCodes::InvalidModuleName;
    const auto found =
        std::find_if(modules_.begin(), modules_.end(),
                     [&fileName](const LoadedModule& module) { return module.fileName == fileName; });
    if (found == modules_.end())
        return StatusCodes::ModuleNotLoaded;
    if (found->extensionId != 0)
        extensions_.Unregister(found->extensionId);
    modules_.erase(found);
    Log("Unloaded module " + fileName);
    return StatusCodes::Success;
}

std::vector<std::string> Server::LoadedModules() const {
    std::vector<std::string> names;
    for (const LoadedModule& module : modules_)
        names.push_back(module.fileName);
    return names;
}

std::string Server::ModuleDescription(std::string_view fileName) const {
    const ModuleDefinition* definition = Definition(ModuleFileName(fileName));
    return definition != nullptr ? definition->description : std::string("NetWare Loadable Module");
}

void Server::SetClock(Clock clock) {
    if (clock)
        clock_ = std::move(clock);
}

void Server::Log(std::string text) {
    eventLog_.push_back(LogEntry{Now(), std::move(text)});
    ++loggedCount_;
    while (eventLog_.size() > EventLogLimit)
        eventLog_.pop_front();
}

} // namespace Emulator
