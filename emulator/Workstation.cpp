#include "emulator/Workstation.h"

#include "emulator/LocaleText.h"
#include "netclient/StatusCodes.h"

#include <algorithm>
#include <cstring>

namespace Emulator {

namespace {
constexpr std::size_t CallLogLimit = 20000;

// Copies text zero-terminated into a buffer of capacity bytes; false when it does not fit.
bool CopyText(const std::string& text, char* buffer, std::size_t capacity) {
    if (buffer == nullptr || text.size() + 1 > capacity)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

template <typename T> void Put(T* output, T value) {
    if (output != nullptr)
        *output = value;
}
} // namespace

Workstation::Workstation(std::filesystem::path volumesRoot, Clock clock) : clock_(std::move(clock)) {
    // Volume directories are reported as absolute paths, whatever the working directory is later.
    std::error_code error;
    volumesRoot_ = volumesRoot.empty() ? volumesRoot : std::filesystem::absolute(volumesRoot, error);
    if (error)
        volumesRoot_ = std::move(volumesRoot);
}

Workstation::~Workstation() = default;

Server& Workstation::AddServer(ServerConfig config) {
    servers_.push_back(std::make_unique<Server>(std::move(config), volumesRoot_, clock_));
    return *servers_.back();
}

Server& Workstation::AdoptServer(std::unique_ptr<Server> server) {
    if (clock_)
        server->SetClock(clock_);
    servers_.push_back(std::move(server));
    return *servers_.back();
}

Server* Workstation::FindServer(std::string_view name) {
    for (const auto& server : servers_)
        if (LocaleText::SameName(server->Name(), name))
            return server.get();
    return nullptr;
}

std::vector<Server*> Workstation::Servers() {
    std::vector<Server*> servers;
    for (const auto& server : servers_)
        servers.push_back(server.get());
    return servers;
}

std::uint32_t Workstation::AddConnection(Server& server, std::uint32_t userId) {
    const std::uint32_t reference = nextReference_++;
    connections_.push_back(Connection{reference, &server, server.Attach(userId)});
    return reference;
}

bool Workstation::SetConnectionUser(std::uint32_t connRef, std::uint32_t userId) {
    Connection* connection = FindConnection(connRef);
    return connection != nullptr &&
           connection->server->SetConnectionUser(connection->serverConnection, userId);
}

bool Workstation::SetPrimaryConnection(std::uint32_t connRef) {
    if (FindConnection(connRef) == nullptr)
        return false;
    primaryReference_ = connRef;
    return true;
}

void Workstation::SetClock(Clock clock) {
    clock_ = std::move(clock);
    for (const auto& server : servers_)
        server->SetClock(clock_);
}

bool Workstation::DropConnection(std::uint32_t connRef) {
    Connection* connection = FindConnection(connRef);
    if (connection == nullptr)
        return false;
    connection->server->Detach(connection->serverConnection);
    std::erase_if(connections_, [connRef](const Connection& entry) { return entry.reference == connRef; });
    return true;
}

void Workstation::DropConnectionsTo(std::string_view serverName) {
    for (const std::uint32_t reference : ConnectionRefs())
        if (LocaleText::SameName(FindConnection(reference)->server->Name(), serverName))
            DropConnection(reference);
}

std::vector<std::uint32_t> Workstation::ConnectionRefs() const {
    std::vector<std::uint32_t> references;
    for (const Connection& connection : connections_)
        references.push_back(connection.reference);
    return references;
}

Server* Workstation::ServerOfHandle(std::uint32_t connHandle) {
    Connection* connection = ConnectionOfHandle(connHandle);
    return connection == nullptr ? nullptr : connection->server;
}

std::size_t Workstation::CallCount(std::string_view call) const {
    return static_cast<std::size_t>(std::count(callLog_.begin(), callLog_.end(), call));
}

std::optional<std::uint32_t> Workstation::Enter(std::string_view call) {
    if (callLog_.size() >= CallLogLimit)
        callLog_.erase(callLog_.begin(), callLog_.begin() + CallLogLimit / 2);
    callLog_.emplace_back(call);
    return faults_.Check(call);
}

Workstation::Connection* Workstation::FindConnection(std::uint32_t connRef) {
    for (Connection& connection : connections_)
        if (connection.reference == connRef)
            return &connection;
    return nullptr;
}

Workstation::Connection* Workstation::ConnectionOfHandle(std::uint32_t connHandle) {
    const auto found = handles_.find(connHandle);
    return found == handles_.end() ? nullptr : FindConnection(found->second);
}

// --- start-up and the connection table ---

std::uint16_t Workstation::StartClient(std::uint32_t, std::uint32_t) {
    if (const auto fault = Enter("StartClient"))
        return static_cast<std::uint16_t>(*fault);
    return StatusCodes::Success;
}

std::uint16_t Workstation::StartClx(std::uint32_t, std::uint32_t) {
    if (const auto fault = Enter("StartClx"))
        return static_cast<std::uint16_t>(*fault);
    return StatusCodes::Success;
}

std::uint16_t Workstation::GetPrimaryConnRef(std::uint32_t* connRef) {
    if (const auto fault = Enter("GetPrimaryConnRef"))
        return static_cast<std::uint16_t>(*fault);
    if (connRef == nullptr)
        return StatusCodes::InvalidParameter;
    if (FindConnection(primaryReference_) == nullptr)
        return StatusCodes::NoPrimaryConnection;
    *connRef = primaryReference_;
    return StatusCodes::Success;
}

std::uint16_t Workstation::OpenConnByReference(std::uint32_t connRef, std::uint32_t openMode, std::uint32_t,
                                               std::uint32_t* connHandle) {
    if (const auto fault = Enter("OpenConnByReference"))
        return static_cast<std::uint16_t>(*fault);
    if (connHandle == nullptr || (openMode != OpenModeStartup && openMode != OpenModeLater))
        return StatusCodes::InvalidParameter;
    if (FindConnection(connRef) == nullptr)
        return StatusCodes::InvalidConnRef;
    const std::uint32_t handle = nextHandle_++;
    handles_[handle] = connRef;
    *connHandle = handle;
    return StatusCodes::Success;
}

std::uint16_t Workstation::ScanConnRefs(std::uint32_t* scanCursor, std::uint32_t* connRef) {
    if (const auto fault = Enter("ScanConnRefs"))
        return static_cast<std::uint16_t>(*fault);
    if (scanCursor == nullptr || connRef == nullptr)
        return StatusCodes::InvalidParameter;
    // The cursor is the last reference handed out; references grow in scan order, so a connection dropped
    // during a scan does not make the scan skip or repeat another.
    const std::uint32_t cursor = *scanCursor;
    const auto next =
        std::find_if(connections_.begin(), connections_.end(),
                     [cursor](const Connection& connection) { return connection.reference > cursor; });
    if (next == connections_.end())
        return StatusCodes::NoMoreEntries;
    *scanCursor = next->reference;
    *connRef = next->reference;
    return StatusCodes::Success;
}

std::uint16_t Workstation::GetConnRefInfo(std::uint32_t connRef, std::uint32_t infoType, std::uint32_t length,
                                          void* buffer) {
    if (const auto fault = Enter("GetConnRefInfo"))
        return static_cast<std::uint16_t>(*fault);
    if (buffer == nullptr || infoType != InfoServerName)
        return StatusCodes::InvalidParameter;
    const Connection* connection = FindConnection(connRef);
    if (connection == nullptr)
        return StatusCodes::InvalidConnRef;
    return CopyText(connection->server->Name(), static_cast<char*>(buffer), length)
               ? StatusCodes::Success
               : StatusCodes::BufferTooSmall;
}

std::uint16_t Workstation::GetConnInfo(std::uint32_t connHandle, std::uint32_t infoType, std::uint32_t length,
                                       void* buffer) {
    if (const auto fault = Enter("GetConnInfo"))
        return static_cast<std::uint16_t>(*fault);
    const Connection* connection = ConnectionOfHandle(connHandle);
    if (connection == nullptr)
        return StatusCodes::InvalidConnection;
    if (buffer == nullptr || infoType != InfoUserId || length != 4)
        return StatusCodes::InvalidParameter;
    const std::uint32_t userId =
        connection->server->UserOnConnection(connection->serverConnection).value_or(0);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(userId >> (8 * i));
    return StatusCodes::Success;
}

// --- object names and directory contexts ---

std::uint16_t Workstation::GetBinderyObjectNameById(std::uint32_t connHandle, std::uint32_t objectId,
                                                    char name[BinderyNameSize], std::uint16_t* objectType) {
    if (const auto fault = Enter("GetBinderyObjectNameById"))
        return static_cast<std::uint16_t>(*fault);
    const Connection* connection = ConnectionOfHandle(connHandle);
    if (connection == nullptr)
        return StatusCodes::InvalidConnection;
    if (name == nullptr)
        return StatusCodes::InvalidParameter;
    const ServerObject* object = connection->server->FindObject(objectId);
    if (object == nullptr)
        return StatusCodes::NoSuchObject;
    if (!CopyText(object->binderyName, name, BinderyNameSize))
        return StatusCodes::BufferTooSmall;
    Put(objectType, object->type);
    return StatusCodes::Success;
}

std::uint32_t Workstation::NWDSCreateContext() {
    if (Enter("NWDSCreateContext"))
        return NoContext;
    if (contexts_.size() >= contextLimit_)
        return NoContext;
    while (nextContext_ == 0 || nextContext_ == NoContext || contexts_.contains(nextContext_))
        ++nextContext_;
    const std::uint32_t context = nextContext_++;
    contexts_.insert(context);
    return context;
}

std::uint32_t Workstation::NWDSCreateContextHandle(std::uint32_t* context) {
    if (const auto fault = Enter("NWDSCreateContextHandle")) {
        Put(context, NoContext);
        return *fault;
    }
    if (context == nullptr)
        return StatusCodes::InvalidParameter;
    if (contexts_.size() >= contextLimit_) {
        *context = NoContext;
        return StatusCodes::DSNotEnoughMemory;
    }
    while (nextContext_ == 0 || nextContext_ == NoContext || contexts_.contains(nextContext_))
        ++nextContext_;
    *context = nextContext_++;
    contexts_.insert(*context);
    return StatusCodes::Success;
}

std::uint32_t Workstation::FreeContext(std::uint32_t context) {
    if (const auto fault = Enter("FreeContext"))
        return *fault;
    return contexts_.erase(context) > 0 ? StatusCodes::Success : StatusCodes::DSInvalidContext;
}

// The common checks of the directory calls: a live context, a live handle, a server with directory services.
std::uint32_t Workstation::DirectoryCall(std::uint32_t context, std::uint32_t connHandle, Server*& server) {
    if (!contexts_.contains(context))
        return StatusCodes::DSInvalidContext;
    const Connection* connection = ConnectionOfHandle(connHandle);
    if (connection == nullptr)
        return StatusCodes::InvalidConnection;
    if (!connection->server->HasDirectoryServices())
        return StatusCodes::DSNotAvailable;
    server = connection->server;
    return StatusCodes::Success;
}

std::uint32_t Workstation::MapIdToDSName(std::uint32_t context, std::uint32_t connHandle,
                                         std::uint32_t objectId, char name[DSObjectNameSize]) {
    if (const auto fault = Enter("MapIdToDSName"))
        return *fault;
    Server* server = nullptr;
    if (const std::uint32_t status = DirectoryCall(context, connHandle, server);
        status != StatusCodes::Success)
        return status;
    if (name == nullptr)
        return StatusCodes::InvalidParameter;
    const ServerObject* object = server->FindObject(objectId);
    if (object == nullptr || object->directoryName.empty())
        return StatusCodes::DSNoSuchEntry;
    return CopyText(object->directoryName, name, DSObjectNameSize) ? StatusCodes::Success
                                                                   : StatusCodes::BufferTooSmall;
}

std::uint32_t Workstation::NWDSGetServerDN(std::uint32_t context, std::uint32_t connHandle,
                                           char serverDN[DSNameSize]) {
    return ServerDirectoryText("NWDSGetServerDN", context, connHandle, &ServerConfig::directoryName,
                               serverDN);
}

std::uint32_t Workstation::GetBinderyContext(std::uint32_t context, std::uint32_t connHandle,
                                             char binderyContext[DSNameSize]) {
    return ServerDirectoryText("GetBinderyContext", context, connHandle, &ServerConfig::binderyContext,
                               binderyContext);
}

std::uint32_t Workstation::ServerDirectoryText(const char* callName, std::uint32_t context,
                                               std::uint32_t connHandle, std::string ServerConfig::*field,
                                               char* text) {
    if (const auto fault = Enter(callName))
        return *fault;
    Server* server = nullptr;
    if (const std::uint32_t status = DirectoryCall(context, connHandle, server);
        status != StatusCodes::Success)
        return status;
    const std::string& value = server->Config().*field;
    if (value.empty())
        return StatusCodes::DSNoSuchEntry;
    return CopyText(value, text, DSNameSize) ? StatusCodes::Success : StatusCodes::InvalidParameter;
}

// --- the server ---

std::uint16_t Workstation::NWGetFileServerInformation(
    std::uint32_t connHandle, char serverName[FileServerNameSize], std::uint8_t* majorVersion,
    std::uint8_t* minorVersion, std::uint8_t* revision, std::uint16_t* maxConnections,
    std::uint16_t* peakConnections, std::uint16_t* connectionsInUse, std::uint16_t* volumeCount,
    std::uint8_t* sftLevel, std::uint8_t* ttsLevel) {
    if (const auto fault = Enter("NWGetFileServerInformation"))
        return static_cast<std::uint16_t>(*fault);
    const Connection* connection = ConnectionOfHandle(connHandle);
    if (connection == nullptr)
        return StatusCodes::InvalidConnection;
    const ServerConfig& config = connection->server->Config();
    if (serverName != nullptr && !CopyText(config.name, serverName, FileServerNameSize))
        return StatusCodes::BufferTooSmall;
    Put(majorVersion, config.majorVersion);
    Put(minorVersion, config.minorVersion);
    Put(revision, config.revision);
    Put(maxConnections, config.maxConnections);
    Put(peakConnections, config.peakConnections);
    Put(connectionsInUse, config.connectionsInUse);
    Put(volumeCount, static_cast<std::uint16_t>(config.volumes.size()));
    Put(sftLevel, config.sftLevel);
    Put(ttsLevel, config.ttsLevel);
    return StatusCodes::Success;
}

// --- NCP extensions ---

void Workstation::ExtensionOutputs(const ExtensionInfo& info, std::uint8_t* majorVersion,
                                   std::uint8_t* minorVersion, std::uint8_t* revision,
                                   std::uint8_t* queryData) {
    Put(majorVersion, info.majorVersion);
    Put(minorVersion, info.minorVersion);
    Put(revision, info.revision);
    if (queryData != nullptr)
        std::copy(info.queryData.begin(), info.queryData.end(), queryData);
}

std::uint16_t Workstation::ScanNCPExtensions(std::uint32_t connHandle, std::uint32_t* extensionId,
                                             char name[ExtensionNameSize], std::uint8_t* majorVersion,
                                             std::uint8_t* minorVersion, std::uint8_t* revision,
                                             std::uint8_t queryData[QueryDataSize]) {
    if (const auto fault = Enter("ScanNCPExtensions"))
        return static_cast<std::uint16_t>(*fault);
    Connection* connection = ConnectionOfHandle(connHandle);
    if (connection == nullptr)
        return StatusCodes::InvalidConnection;
    if (extensionId == nullptr)
        return StatusCodes::InvalidParameter;
    const ExtensionInfo* info = connection->server->Extensions().Next(*extensionId);
    if (info == nullptr)
        return StatusCodes::NoSuchExtension;
    if (name != nullptr && !CopyText(info->name, name, ExtensionNameSize))
        return StatusCodes::BufferTooSmall;
    *extensionId = info->id;
    ExtensionOutputs(*info, majorVersion, minorVersion, revision, queryData);
    return StatusCodes::Success;
}

std::uint16_t Workstation::GetNCPExtensionInfoByName(std::uint32_t connHandle, const char* name,
                                                     std::uint32_t* extensionId, std::uint8_t* majorVersion,
                                                     std::uint8_t* minorVersion, std::uint8_t* revision,
                                                     std::uint8_t queryData[QueryDataSize]) {
    if (const auto fault = Enter("GetNCPExtensionInfoByName"))
        return static_cast<std::uint16_t>(*fault);
    Connection* connection = ConnectionOfHandle(connHandle);
    if (connection == nullptr)
        return StatusCodes::InvalidConnection;
    if (name == nullptr)
        return StatusCodes::InvalidParameter;
    const ExtensionInfo* info = connection->server->Extensions().Find(name);
    if (info == nullptr)
        return StatusCodes::NoSuchExtension;
    Put(extensionId, info->id);
    ExtensionOutputs(*info, majorVersion, minorVersion, revision, queryData);
    return StatusCodes::Success;
}

std::uint16_t Workstation::NCPExtensionRequest(std::uint32_t connHandle, std::uint32_t extensionId,
                                               const void* request, std::uint32_t requestLength, void* reply,
                                               std::uint16_t* replyLength) {
    if (const auto fault = Enter("NCPExtensionRequest"))
        return static_cast<std::uint16_t>(*fault);
    Connection* connection = ConnectionOfHandle(connHandle);
    if (connection == nullptr)
        return StatusCodes::InvalidConnection;
    if ((request == nullptr && requestLength > 0) || replyLength == nullptr ||
        (reply == nullptr && *replyLength > 0))
        return StatusCodes::InvalidParameter;
    const auto* requestBytes = static_cast<const std::uint8_t*>(request);
    std::vector<std::uint8_t> answer;
    const std::uint16_t status = connection->server->Extensions().Request(
        extensionId, std::span<const std::uint8_t>(requestBytes, requestLength), answer);
    const std::size_t written = std::min<std::size_t>(answer.size(), *replyLength);
    if (written > 0)
        std::memcpy(reply, answer.data(), written);
    *replyLength = static_cast<std::uint16_t>(written);
    if (status == StatusCodes::Success && written < answer.size())
        return StatusCodes::BufferTooSmall;
    return status;
}

// --- NLMs ---

std::uint16_t Workstation::NWSMLoadNLM(std::uint32_t connHandle, const char* moduleName) {
    if (const auto fault = Enter("NWSMLoadNLM"))
        return static_cast<std::uint16_t>(*fault);
    Connection* connection = ConnectionOfHandle(connHandle);
    if (connection == nullptr)
        return StatusCodes::InvalidConnection;
    if (moduleName == nullptr)
        return StatusCodes::InvalidParameter;
    return connection->server->LoadModule(moduleName);
}

std::uint16_t Workstation::NWSMUnloadNLM(std::uint32_t connHandle, const char* moduleName) {
    if (const auto fault = Enter("NWSMUnloadNLM"))
        return static_cast<std::uint16_t>(*fault);
    Connection* connection = ConnectionOfHandle(connHandle);
    if (connection == nullptr)
        return StatusCodes::InvalidConnection;
    if (moduleName == nullptr)
        return StatusCodes::InvalidParameter;
    return connection->server->UnloadModule(moduleName);
}

// --- locale and platform ---

char* Workstation::UpperCaseText(char* text) {
    Enter("UpperCaseText");
    return LocaleText::UpperCaseInPlace(text);
}

std::uint16_t Workstation::GetVolumeDirectory(const char* serverName, const char* volumeName, char* path,
                                              std::uint32_t pathCapacity) {
    if (const auto fault = Enter("GetVolumeDirectory"))
        return static_cast<std::uint16_t>(*fault);
    if (serverName == nullptr || volumeName == nullptr || path == nullptr)
        return StatusCodes::InvalidParameter;
    Server* server = FindServer(serverName);
    if (server == nullptr)
        return StatusCodes::NoConnectionToServer;
    const auto directory = server->ServerVolumes().Directory(volumeName);
    if (!directory)
        return StatusCodes::NoSuchVolume;
    return CopyText(directory->string(), path, pathCapacity) ? StatusCodes::Success
                                                             : StatusCodes::BufferTooSmall;
}

} // namespace Emulator
