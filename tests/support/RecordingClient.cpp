#include "tests/support/RecordingClient.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(bytes[i]));
        if (i != 0)
            text += ' ';
        text += digits;
    }
    return text;
}

std::string Num(std::uint32_t value) {
    return std::to_string(value);
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Writes text into a client buffer of the given size: zero-terminated when it fits, otherwise the buffer is
// filled to its end without a terminator, as a careless client would.
void WriteName(char* buffer, std::size_t size, const std::string& text) {
    if (text.size() >= size) {
        std::memcpy(buffer, text.data(), size);
        return;
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
}

void PutLE32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFu);
}

std::uint32_t GetLE32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

constexpr std::uint32_t FirstContext = 4096;

} // namespace

// --- script ---

RecordingClient::ScriptedServer& RecordingClient::AddServer(ScriptedServer server) {
    servers.push_back(std::move(server));
    return servers.back();
}

RecordingClient::ScriptedConnection& RecordingClient::AddConnection(ScriptedConnection connection) {
    connections.push_back(std::move(connection));
    return connections.back();
}

RecordingClient::ScriptedServer& RecordingClient::Server(const std::string& name) {
    for (ScriptedServer& server : servers) {
        if (server.name == name)
            return server;
    }
    std::fprintf(stderr, "RecordingClient: no server %s in the script\n", name.c_str());
    std::abort();
}

RecordingClient::ScriptedConnection& RecordingClient::Connection(std::uint32_t connRef) {
    if (ScriptedConnection* connection = ConnectionByRef(connRef))
        return *connection;
    std::fprintf(stderr, "RecordingClient: no connection reference %u in the script\n", connRef);
    std::abort();
}

void RecordingClient::FailNext(const std::string& callName, std::uint32_t status) {
    nextFailures[callName].push_back(status);
}

void RecordingClient::FailAlways(const std::string& callName, std::uint32_t status) {
    permanentFailures[callName] = status;
}

void RecordingClient::ClearFailures() {
    nextFailures.clear();
    permanentFailures.clear();
}

// --- what was called ---

std::vector<std::string> RecordingClient::CallsNamed(const std::string& callName) const {
    std::vector<std::string> named;
    const std::string prefix = callName + "(";
    for (const std::string& call : calls) {
        if (call.compare(0, prefix.size(), prefix) == 0)
            named.push_back(call);
    }
    return named;
}

QStringList RecordingClient::CallList() const {
    QStringList list;
    for (const std::string& call : calls)
        list.append(QString::fromStdString(call));
    return list;
}

QStringList RecordingClient::CallList(const std::string& callName) const {
    QStringList list;
    for (const std::string& call : CallsNamed(callName))
        list.append(QString::fromStdString(call));
    return list;
}

int RecordingClient::CallCount(const std::string& callName) const {
    return static_cast<int>(CallsNamed(callName).size());
}

std::string RecordingClient::Log() const {
    std::string log;
    for (const std::string& call : calls)
        log += call + "\n";
    return log;
}

void RecordingClient::ClearCalls() {
    calls.clear();
    exchanges.clear();
}

std::optional<std::uint32_t> RecordingClient::Record(const std::string& entry) {
    calls.push_back(entry);
    const std::string callName = entry.substr(0, entry.find('('));
    if (auto queued = nextFailures.find(callName); queued != nextFailures.end() && !queued->second.empty()) {
        const std::uint32_t status = queued->second.front();
        queued->second.erase(queued->second.begin());
        return status;
    }
    if (auto permanent = permanentFailures.find(callName); permanent != permanentFailures.end())
        return permanent->second;
    return std::nullopt;
}

RecordingClient::ScriptedConnection* RecordingClient::ConnectionByRef(std::uint32_t connRef) {
    for (ScriptedConnection& connection : connections) {
        if (connection.connRef == connRef)
            return &connection;
    }
    return nullptr;
}

RecordingClient::ScriptedConnection* RecordingClient::ConnectionByHandle(std::uint32_t connHandle) {
    for (ScriptedConnection& connection : connections) {
        if (connection.connHandle == connHandle)
            return &connection;
    }
    return nullptr;
}

RecordingClient::ScriptedServer* RecordingClient::ServerOfHandle(std::uint32_t connHandle) {
    const ScriptedConnection* connection = ConnectionByHandle(connHandle);
    if (connection == nullptr)
        return nullptr;
    for (ScriptedServer& server : servers) {
        if (server.name == connection->serverName)
            return &server;
    }
    return nullptr;
}

// --- start-up and connections ---

std::uint16_t RecordingClient::StartClient(std::uint32_t reserved1, std::uint32_t reserved2) {
    if (auto fault = Record("StartClient(" + Num(reserved1) + "," + Num(reserved2) + ")"))
        return static_cast<std::uint16_t>(*fault);
    return startClientStatus;
}

std::uint16_t RecordingClient::StartClx(std::uint32_t reserved1, std::uint32_t reserved2) {
    if (auto fault = Record("StartClx(" + Num(reserved1) + "," + Num(reserved2) + ")"))
        return static_cast<std::uint16_t>(*fault);
    return startClxStatus;
}

std::uint16_t RecordingClient::GetPrimaryConnRef(std::uint32_t* connRef) {
    if (auto fault = Record("GetPrimaryConnRef()"))
        return static_cast<std::uint16_t>(*fault);
    if (primaryRefStatus != 0)
        return primaryRefStatus;
    *connRef = primaryRef;
    return 0;
}

std::uint16_t RecordingClient::OpenConnByReference(std::uint32_t connRef, std::uint32_t openMode,
                                                   std::uint32_t reserved, std::uint32_t* connHandle) {
    if (auto fault = Record("OpenConnByReference(ref=" + Num(connRef) + ",mode=" + Num(openMode) +
                            ",reserved=" + Num(reserved) + ")"))
        return static_cast<std::uint16_t>(*fault);
    const ScriptedConnection* connection = ConnectionByRef(connRef);
    if (connection == nullptr)
        return StatusCodes::InvalidConnRef;
    if (connection->openStatus != 0)
        return connection->openStatus;
    *connHandle = connection->connHandle;
    return 0;
}

std::uint16_t RecordingClient::ScanConnRefs(std::uint32_t* scanCursor, std::uint32_t* connRef) {
    if (auto fault = Record("ScanConnRefs(cursor=" + Num(*scanCursor) + ")"))
        return static_cast<std::uint16_t>(*fault);
    if (*scanCursor < connections.size()) {
        *connRef = connections[*scanCursor].connRef;
        ++*scanCursor;
        return 0;
    }
    if (endlessScanRef) {
        *connRef = *endlessScanRef;
        ++*scanCursor;
        return 0;
    }
    return scanEndStatus;
}

std::uint16_t RecordingClient::GetConnRefInfo(std::uint32_t connRef, std::uint32_t infoType,
                                              std::uint32_t length, void* buffer) {
    if (auto fault = Record("GetConnRefInfo(ref=" + Num(connRef) + ",type=" + Num(infoType) +
                            ",len=" + Num(length) + ")"))
        return static_cast<std::uint16_t>(*fault);
    const ScriptedConnection* connection = ConnectionByRef(connRef);
    if (connection == nullptr)
        return StatusCodes::InvalidConnRef;
    if ((infoType != InfoServerName && infoType != InfoServerAddress) || buffer == nullptr)
        return StatusCodes::InvalidParameter;
    if (connection->nameStatus != 0)
        return connection->nameStatus;
    WriteName(static_cast<char*>(buffer), length,
              infoType == InfoServerName ? connection->serverName : connection->address);
    return 0;
}

std::uint16_t RecordingClient::GetConnInfo(std::uint32_t connHandle, std::uint32_t infoType,
                                           std::uint32_t length, void* buffer) {
    if (auto fault = Record("GetConnInfo(conn=" + Num(connHandle) + ",type=" + Num(infoType) +
                            ",len=" + Num(length) + ")"))
        return static_cast<std::uint16_t>(*fault);
    const ScriptedConnection* connection = ConnectionByHandle(connHandle);
    if (connection == nullptr)
        return StatusCodes::InvalidConnection;
    if (infoType != InfoUserId || length != sizeof(std::uint32_t) || buffer == nullptr)
        return StatusCodes::InvalidParameter;
    if (connection->userIdStatus != 0)
        return connection->userIdStatus;
    std::memcpy(buffer, &connection->userId, sizeof connection->userId);
    return 0;
}

// --- object names and directory services ---

std::uint16_t RecordingClient::GetBinderyObjectNameById(std::uint32_t connHandle, std::uint32_t objectId,
                                                        char* name, std::uint16_t* objectType) {
    if (auto fault =
            Record("GetBinderyObjectNameById(conn=" + Num(connHandle) + ",id=" + Num(objectId) + ")"))
        return static_cast<std::uint16_t>(*fault);
    const ScriptedServer* server = ServerOfHandle(connHandle);
    if (server == nullptr)
        return StatusCodes::InvalidConnection;
    for (const ScriptedUser& user : server->users) {
        if (user.objectId != objectId)
            continue;
        if (user.binderyStatus != 0)
            return user.binderyStatus;
        WriteName(name, BinderyNameSize, user.binderyName);
        *objectType = user.objectType;
        return 0;
    }
    return StatusCodes::NoSuchObject;
}

std::uint32_t RecordingClient::NWDSCreateContext() {
    if (Record("NWDSCreateContext()") || contextUnavailable)
        return NoContext;
    ++liveContexts;
    return nextContext++;
}

std::uint32_t RecordingClient::MapIdToDSName(std::uint32_t context, std::uint32_t connHandle,
                                             std::uint32_t objectId, char* name) {
    if (auto fault = Record("MapIdToDSName(ctx=" + Num(context) + ",conn=" + Num(connHandle) +
                            ",id=" + Num(objectId) + ")"))
        return *fault;
    const ScriptedServer* server = ServerOfHandle(connHandle);
    if (server == nullptr)
        return StatusCodes::InvalidConnection;
    for (const ScriptedUser& user : server->users) {
        if (user.objectId != objectId)
            continue;
        if (user.dsStatus != 0)
            return user.dsStatus;
        WriteName(name, DSObjectNameSize, user.dsName);
        return 0;
    }
    return StatusCodes::DSNoSuchEntry;
}

std::uint32_t RecordingClient::FreeContext(std::uint32_t context) {
    if (auto fault = Record("FreeContext(ctx=" + Num(context) + ")"))
        return *fault;
    if (context >= FirstContext && context < nextContext)
        --liveContexts;
    return 0;
}

std::uint32_t RecordingClient::NWDSCreateContextHandle(std::uint32_t* context) {
    if (auto fault = Record("NWDSCreateContextHandle()")) {
        *context = NoContext;
        return *fault;
    }
    if (contextUnavailable) {
        *context = NoContext;
        return StatusCodes::DSNotAvailable;
    }
    ++liveContexts;
    *context = nextContext++;
    return 0;
}

std::uint32_t RecordingClient::NWDSGetServerDN(std::uint32_t context, std::uint32_t connHandle,
                                               char* serverDN) {
    if (auto fault = Record("NWDSGetServerDN(ctx=" + Num(context) + ",conn=" + Num(connHandle) + ")"))
        return *fault;
    const ScriptedServer* server = ServerOfHandle(connHandle);
    if (server == nullptr)
        return StatusCodes::InvalidConnection;
    if (server->serverDNStatus != 0)
        return server->serverDNStatus;
    WriteName(serverDN, DSNameSize, server->serverDN);
    return 0;
}

std::uint32_t RecordingClient::GetBinderyContext(std::uint32_t context, std::uint32_t connHandle,
                                                 char* binderyContext) {
    if (auto fault = Record("GetBinderyContext(ctx=" + Num(context) + ",conn=" + Num(connHandle) + ")"))
        return *fault;
    const ScriptedServer* server = ServerOfHandle(connHandle);
    if (server == nullptr)
        return StatusCodes::InvalidConnection;
    if (server->binderyContextStatus != 0)
        return server->binderyContextStatus;
    WriteName(binderyContext, DSNameSize, server->binderyContext);
    return 0;
}

// --- the server ---

std::uint16_t RecordingClient::NWGetFileServerInformation(
    std::uint32_t connHandle, char* serverName, std::uint8_t* majorVersion, std::uint8_t* minorVersion,
    std::uint8_t* revision, std::uint16_t* maxConnections, std::uint16_t* peakConnections,
    std::uint16_t* connectionsInUse, std::uint16_t* volumeCount, std::uint8_t* sftLevel,
    std::uint8_t* ttsLevel) {
    if (auto fault = Record("NWGetFileServerInformation(conn=" + Num(connHandle) + ")"))
        return static_cast<std::uint16_t>(*fault);
    const ScriptedServer* server = ServerOfHandle(connHandle);
    if (server == nullptr)
        return StatusCodes::InvalidConnection;
    if (server->infoStatus != 0)
        return server->infoStatus;
    WriteName(serverName, FileServerNameSize, server->name);
    *majorVersion = server->majorVersion;
    *minorVersion = server->minorVersion;
    *revision = server->revision;
    *maxConnections = server->maxConnections;
    *peakConnections = server->peakConnections;
    *connectionsInUse = server->connectionsInUse;
    *volumeCount = server->volumeCount;
    *sftLevel = server->sftLevel;
    *ttsLevel = server->ttsLevel;
    return 0;
}

// --- NCP extensions ---

std::uint16_t RecordingClient::ScanNCPExtensions(std::uint32_t connHandle, std::uint32_t* extensionId,
                                                 char* name, std::uint8_t* majorVersion,
                                                 std::uint8_t* minorVersion, std::uint8_t* revision,
                                                 std::uint8_t* queryData) {
    if (auto fault = Record("ScanNCPExtensions(conn=" + Num(connHandle) + ",id=" + Num(*extensionId) + ")"))
        return static_cast<std::uint16_t>(*fault);
    const ScriptedServer* server = ServerOfHandle(connHandle);
    if (server == nullptr)
        return StatusCodes::InvalidConnection;
    std::size_t next = 0;
    if (*extensionId != 0xFFFFFFFFu) {
        const auto previous =
            std::find_if(server->extensions.begin(), server->extensions.end(),
                         [&](const ScriptedExtension& extension) { return extension.id == *extensionId; });
        if (previous == server->extensions.end())
            return StatusCodes::NoSuchExtension;
        next = static_cast<std::size_t>(previous - server->extensions.begin()) + 1;
    }
    if (next >= server->extensions.size())
        return StatusCodes::NoSuchExtension;
    const ScriptedExtension& extension = server->extensions[next];
    *extensionId = extension.id;
    WriteName(name, ExtensionNameSize, extension.name);
    *majorVersion = extension.majorVersion;
    *minorVersion = extension.minorVersion;
    *revision = extension.revision;
    std::memset(queryData, 0, QueryDataSize);
    return 0;
}

std::uint16_t RecordingClient::GetNCPExtensionInfoByName(std::uint32_t connHandle, const char* name,
                                                         std::uint32_t* extensionId,
                                                         std::uint8_t* majorVersion,
                                                         std::uint8_t* minorVersion, std::uint8_t* revision,
                                                         std::uint8_t* queryData) {
    lastLookupName = name;
    lastLookupLengthPrefix.reset();
    if (captureLengthPrefix)
        lastLookupLengthPrefix = static_cast<std::uint8_t>(name[-1]);
    const std::string wanted(name);
    if (auto fault = Record("GetNCPExtensionInfoByName(conn=" + Num(connHandle) + ",name=" + wanted + ")"))
        return static_cast<std::uint16_t>(*fault);
    const ScriptedServer* server = ServerOfHandle(connHandle);
    if (server == nullptr)
        return StatusCodes::InvalidConnection;
    for (const ScriptedExtension& extension : server->extensions) {
        if (extension.name != wanted)
            continue;
        *extensionId = extension.id;
        *majorVersion = extension.majorVersion;
        *minorVersion = extension.minorVersion;
        *revision = extension.revision;
        std::memset(queryData, 0, QueryDataSize);
        return 0;
    }
    return StatusCodes::NoSuchExtension;
}

std::uint16_t RecordingClient::NCPExtensionRequest(std::uint32_t connHandle, std::uint32_t extensionId,
                                                   const void* request, std::uint32_t requestLength,
                                                   void* reply, std::uint16_t* replyLength) {
    const auto* requestBytes = static_cast<const std::uint8_t*>(request);
    Exchange exchange;
    exchange.connHandle = connHandle;
    exchange.extensionId = extensionId;
    exchange.request.assign(requestBytes, requestBytes + requestLength);
    exchange.replyCapacity = *replyLength;
    exchanges.push_back(exchange);
    if (auto fault = Record("NCPExtensionRequest(conn=" + Num(connHandle) + ",id=" + Num(extensionId) +
                            ",req=" + Hex(requestBytes, requestLength) + ",cap=" + Num(*replyLength) + ")"))
        return static_cast<std::uint16_t>(*fault);
    if (!ncpResponder)
        return Fail;
    const ExtensionReply answer =
        ncpResponder(connHandle, extensionId, exchange.request, exchange.replyCapacity);
    if (!answer.reply.empty()) {
        const std::size_t copied = std::min<std::size_t>(answer.reply.size(), exchange.replyCapacity);
        std::memcpy(reply, answer.reply.data(), copied);
        *replyLength = static_cast<std::uint16_t>(copied);
    }
    return answer.status;
}

// --- NLMs ---

std::uint16_t RecordingClient::NWSMLoadNLM(std::uint32_t connHandle, const char* moduleName) {
    const std::string module(moduleName);
    if (auto fault = Record("NWSMLoadNLM(conn=" + Num(connHandle) + ",name=" + module + ")"))
        return static_cast<std::uint16_t>(*fault);
    ScriptedServer* server = ServerOfHandle(connHandle);
    if (server == nullptr)
        return StatusCodes::InvalidConnection;
    if (module.empty())
        return StatusCodes::InvalidModuleName;
    const std::string key = Upper(module);
    for (const std::string& loaded : server->loadedModules) {
        if (Upper(loaded) == key)
            return StatusCodes::ModuleAlreadyLoaded;
    }
    server->loadedModules.push_back(module);
    if (auto registered = server->moduleExtensions.find(key); registered != server->moduleExtensions.end()) {
        server->extensions.insert(server->extensions.end(), registered->second.begin(),
                                  registered->second.end());
    }
    return 0;
}

std::uint16_t RecordingClient::NWSMUnloadNLM(std::uint32_t connHandle, const char* moduleName) {
    const std::string module(moduleName);
    if (auto fault = Record("NWSMUnloadNLM(conn=" + Num(connHandle) + ",name=" + module + ")"))
        return static_cast<std::uint16_t>(*fault);
    ScriptedServer* server = ServerOfHandle(connHandle);
    if (server == nullptr)
        return StatusCodes::InvalidConnection;
    if (module.empty())
        return StatusCodes::InvalidModuleName;
    const std::string key = Upper(module);
    const auto loaded = std::find_if(server->loadedModules.begin(), server->loadedModules.end(),
                                     [&](const std::string& name) { return Upper(name) == key; });
    if (loaded == server->loadedModules.end())
        return StatusCodes::ModuleNotLoaded;
    server->loadedModules.erase(loaded);
    if (auto registered = server->moduleExtensions.find(key); registered != server->moduleExtensions.end()) {
        for (const ScriptedExtension& gone : registered->second) {
            std::erase_if(server->extensions,
                          [&](const ScriptedExtension& extension) { return extension.id == gone.id; });
        }
    }
    return 0;
}

// --- locale and platform ---

char* RecordingClient::UpperCaseText(char* text) {
    Record("UpperCaseText(text=" + std::string(text) + ")");
    return StubClient::UpperCaseText(text);
}

std::uint16_t RecordingClient::GetVolumeDirectory(const char* serverName, const char* volumeName, char* path,
                                                  std::uint32_t pathCapacity) {
    const std::string server(serverName);
    const std::string volume(volumeName);
    if (auto fault = Record("GetVolumeDirectory(server=" + server + ",volume=" + volume +
                            ",cap=" + Num(pathCapacity) + ")"))
        return static_cast<std::uint16_t>(*fault);
    const auto directory = volumeDirectories.find(Upper(server) + "\\" + Upper(volume));
    if (directory == volumeDirectories.end())
        return StatusCodes::NoSuchVolume;
    if (directory->second.size() + 1 > pathCapacity)
        return StatusCodes::BufferTooSmall;
    std::memcpy(path, directory->second.c_str(), directory->second.size() + 1);
    return 0;
}

// --- FakeConsoleModule ---

namespace {
constexpr std::int32_t FirstScreenHandle = 101;
constexpr std::size_t RowCount = 25;
constexpr std::size_t ColumnCount = 80;
constexpr std::size_t RowBytes = ColumnCount * 2;
constexpr std::size_t RowsPerReply = 5;
} // namespace

FakeConsoleModule::Screen& FakeConsoleModule::AddScreen(const std::string& name,
                                                        std::vector<std::string> rows) {
    Screen screen;
    screen.screenRef = static_cast<std::uint32_t>(screens.size() + 1);
    screen.name = name;
    screen.rows = std::move(rows);
    screens.push_back(std::move(screen));
    return screens.back();
}

RecordingClient::ExtensionResponder FakeConsoleModule::Responder() {
    return [this](std::uint32_t, std::uint32_t, const std::vector<std::uint8_t>& request, std::uint16_t) {
        return Answer(request);
    };
}

RecordingClient::ExtensionReply FakeConsoleModule::Answer(const std::vector<std::uint8_t>& request) {
    const RecordingClient::ExtensionReply badRequest{StatusCodes::BadRequest, {}};
    if (request.size() < 2)
        return badRequest;
    const std::uint16_t code = static_cast<std::uint16_t>(request[0] | (request[1] << 8));
    switch (code) {
    case 0x4019: { // list: the screen after the given reference
        if (request.size() != 6)
            return badRequest;
        const std::uint32_t previous = GetLE32(request, 2);
        std::vector<std::uint8_t> reply(263, 0);
        if (previous < screens.size()) {
            const Screen& screen = screens[previous];
            PutLE32(reply, 0, screen.screenRef);
            std::memcpy(&reply[8], screen.name.data(), std::min<std::size_t>(screen.name.size(), 255));
        }
        return {0, reply};
    }
    case 0x4015: { // open: a handle for a reference
        if (request.size() != 7)
            return badRequest;
        const std::uint32_t screenRef = GetLE32(request, 3);
        std::int32_t handle = -1;
        if (screenRef >= 1 && screenRef <= screens.size())
            handle = FirstScreenHandle + static_cast<std::int32_t>(screenRef) - 1;
        if (openHandleOverride)
            handle = *openHandleOverride;
        std::vector<std::uint8_t> reply(4, 0);
        PutLE32(reply, 0, static_cast<std::uint32_t>(handle));
        return {0, reply};
    }
    case 0x4016: { // select
        if (request.size() != 6)
            return badRequest;
        const std::int32_t handle = static_cast<std::int32_t>(GetLE32(request, 2));
        const std::int32_t index = handle - FirstScreenHandle;
        if (index < 0 || static_cast<std::size_t>(index) >= screens.size())
            return badRequest;
        selectedScreen = screens[static_cast<std::size_t>(index)].screenRef;
        return {0, {0}};
    }
    case 0x401C: { // read five rows of the selected screen
        if (request.size() != 6 || selectedScreen == 0)
            return badRequest;
        const std::uint32_t firstRow = GetLE32(request, 2);
        const Screen& screen = screens[selectedScreen - 1];
        std::vector<std::uint8_t> reply(RowsPerReply * RowBytes, 0);
        for (std::size_t r = 0; r < RowsPerReply; ++r) {
            const std::size_t row = firstRow + r;
            if (row >= RowCount || row >= screen.rows.size())
                continue;
            const std::string& text = screen.rows[row];
            for (std::size_t column = 0; column < ColumnCount && column < text.size(); ++column) {
                reply[r * RowBytes + column * 2] = static_cast<std::uint8_t>(text[column]);
                reply[r * RowBytes + column * 2 + 1] = 0x07;
            }
        }
        return {0, reply};
    }
    case 0x401D: // key
        if (request.size() != 4)
            return badRequest;
        keysReceived.push_back(static_cast<std::uint16_t>(request[2] | (request[3] << 8)));
        return {0, {0}};
    case 0x4012: // clear
        if (request.size() != 2)
            return badRequest;
        ++clears;
        return {0, {0}};
    default:
        return badRequest;
    }
}
