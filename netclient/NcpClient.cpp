#include "netclient/NcpClient.h"

#include "ncp/BinderyCodecs.h"
#include "ncp/CompletionCodes.h"
#include "ncp/DirectoryCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/NlmCodecs.h"
#include "ncp/StatusCodes.h"
#include "netclient/ExtensionExchange.h"
#include "netclient/LocaleUpperCase.h"
#include "netclient/NcpCall.h"
#include "netclient/ParallelAttach.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace NetClient {

namespace {

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

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// The status of a non-zero RPC code of 131/01 or 131/02.
std::uint16_t StatusFromRpcCode(std::uint32_t code) {
    if (code <= 0xFF)
        return static_cast<std::uint16_t>(0x8900 | code);
    if (code >= 0x8800 && code <= 0x89FF)
        return static_cast<std::uint16_t>(code);
    return StatusCodes::FailedRequest;
}

// The status of a lookup of or a request to an extension the server does not know. Servers answer 0xFF
// ("NCP Extension Not Found"), to 37 also 0xD5 ("Unknown NCP Extension Number"); older demo servers answered
// 0xFE. The program reads each as NoSuchExtension.
std::uint16_t ExtensionStatus(std::uint16_t status) {
    constexpr std::uint16_t NotFound = 0x89FF;
    constexpr std::uint16_t UnknownNumber = 0x89D5;
    return status == NotFound || status == UnknownNumber ? StatusCodes::NoSuchExtension : status;
}

} // namespace

// Begin finds the session, tells the observer, guards against a second exchange, revives a lost connection
// and starts the one deadline of the call; the end undoes all of it.
class NcpClient::Exchange final {
public:
    Exchange(NcpClient& client, std::string_view call) : client_(client), call_(call) {}
    ~Exchange() {
        wholeCall_.reset();
        if (started_ && client_.observer_ != nullptr)
            client_.observer_->ExchangeEnded();
        if (guarding_)
            client_.exchangePending_ = false;
    }
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    // The session of a handle, ready for the call; null when there is none (Status tells why).
    ServerSession* Begin(std::uint32_t connHandle) {
        const auto found = client_.handles_.find(connHandle);
        Reference* reference =
            found == client_.handles_.end() ? nullptr : client_.FindReference(found->second.reference);
        if (reference == nullptr || reference->session->Identity() != found->second.identity) {
            status_ = StatusCodes::InvalidConnection;
            return nullptr;
        }
        return BeginOn(*reference->session);
    }

    ServerSession* BeginOn(ServerSession& session) {
        if (client_.exchangePending_) {
            status_ = StatusCodes::ExchangePending;
            return nullptr;
        }
        client_.exchangePending_ = guarding_ = true;
        if (client_.observer_ != nullptr) {
            client_.observer_->ExchangeStarted(session.ServerName(), call_);
            started_ = true;
        }
        status_ = session.Revive();
        if (status_ != StatusCodes::Success)
            return nullptr;
        wholeCall_.emplace(session.Connection());
        return &session;
    }

    std::uint16_t Status() const { return status_; }

private:
    NcpClient& client_;
    std::string_view call_;
    std::uint16_t status_ = StatusCodes::Success;
    bool guarding_ = false;
    bool started_ = false;
    std::optional<Ncp::ClientConnection::WholeCall> wholeCall_;
};

NcpClient::NcpClient() = default;

NcpClient::~NcpClient() {
    // Every server is told goodbye at once and all answers are awaited within one limit, so that the program
    // ends promptly however many servers ignore the goodbye or have stopped answering.
    const auto deadline = std::chrono::steady_clock::now() + Ncp::ClientConnection::GoodbyeLimit;
    for (Reference& reference : references_)
        reference.session->Connection().SendGoodbye(deadline);
    for (Reference& reference : references_)
        reference.session->Connection().AwaitGoodbye(deadline);
}

// --- attaching ---

std::vector<AttachFailure> NcpClient::AttachAll(const std::vector<Attachment>& attachments,
                                                PasswordSource& passwords) {
    // Not owned: every thread of the run has ended when it returns.
    ParallelAttach run(attachments, std::shared_ptr<Ncp::PcapWriter>(std::shared_ptr<void>(), capture_));
    run.RunToEnd(passwords);
    AddAttached(run.TakeAttached());
    return run.Failures();
}

void NcpClient::AddAttached(std::vector<std::unique_ptr<ServerSession>> sessions) {
    for (std::unique_ptr<ServerSession>& session : sessions) {
        ObserveWaits(*session);
        const std::uint32_t reference = nextReference_++;
        references_.push_back(Reference{reference, std::move(session)});
        if (primaryReference_ == 0)
            primaryReference_ = reference;
    }
}

ServerSession* NcpClient::SessionForServer(std::string_view serverName, std::uint16_t& status) {
    Reference* chosen = FindReference(preferredForPaths_);
    if (chosen == nullptr || !SameName(chosen->session->ServerName(), serverName)) {
        const auto first =
            std::find_if(references_.begin(), references_.end(), [&](const Reference& reference) {
                return SameName(reference.session->ServerName(), serverName);
            });
        chosen = first == references_.end() ? nullptr : &*first;
    }
    if (chosen == nullptr) {
        status = StatusCodes::NoConnectionToServer;
        return nullptr;
    }
    status = chosen->session->Revive();
    return status == StatusCodes::Success ? chosen->session.get() : nullptr;
}

ServerSession* NcpClient::SessionOfReference(std::uint32_t connRef) {
    Reference* reference = FindReference(connRef);
    return reference == nullptr ? nullptr : reference->session.get();
}

std::unique_ptr<ServerSession> NcpClient::NewSessionFor(std::string_view serverName) const {
    for (const Reference& reference : references_)
        if (SameName(reference.session->ServerName(), serverName))
            return reference.session->Twin();
    return nullptr;
}

std::uint64_t NcpClient::RoundTrips() const {
    std::uint64_t count = 0;
    for (const Reference& reference : references_)
        count += reference.session->RoundTrips();
    return count;
}

std::vector<std::uint32_t> NcpClient::ConnectionRefs() const {
    std::vector<std::uint32_t> references;
    for (const Reference& reference : references_)
        references.push_back(reference.reference);
    return references;
}

NcpClient::Reference* NcpClient::FindReference(std::uint32_t connRef) {
    for (Reference& reference : references_)
        if (reference.reference == connRef)
            return &reference;
    return nullptr;
}

void NcpClient::SetWaitObserver(WaitObserver* observer) {
    observer_ = observer;
    for (Reference& reference : references_)
        ObserveWaits(*reference.session);
}

void NcpClient::ObserveWaits(ServerSession& session) {
    if (observer_ == nullptr) {
        session.SetWaitTick({});
        return;
    }
    session.SetWaitTick([observer = observer_] { return observer->KeepWaiting(); });
}

// --- start-up and the connection table ---

std::uint16_t NcpClient::StartClient(std::uint32_t, std::uint32_t) {
    return StatusCodes::Success;
}

std::uint16_t NcpClient::StartClx(std::uint32_t, std::uint32_t) {
    return StatusCodes::Success;
}

std::uint16_t NcpClient::GetPrimaryConnRef(std::uint32_t* connRef) {
    if (connRef == nullptr)
        return StatusCodes::InvalidParameter;
    if (FindReference(primaryReference_) == nullptr)
        return StatusCodes::NoPrimaryConnection;
    *connRef = primaryReference_;
    return StatusCodes::Success;
}

std::uint16_t NcpClient::OpenConnByReference(std::uint32_t connRef, std::uint32_t openMode, std::uint32_t,
                                             std::uint32_t* connHandle) {
    if (connHandle == nullptr || (openMode != OpenModeStartup && openMode != OpenModeLater))
        return StatusCodes::InvalidParameter;
    Reference* reference = FindReference(connRef);
    if (reference == nullptr)
        return StatusCodes::InvalidConnRef;
    // A connection lost since the last choice of this server is made again here.
    Exchange exchange(*this, "OpenConnByReference");
    if (exchange.BeginOn(*reference->session) == nullptr)
        return exchange.Status();
    const std::uint32_t handle = nextHandle_++;
    handles_[handle] = Handle{connRef, reference->session->Identity()};
    *connHandle = handle;
    return StatusCodes::Success;
}

std::uint16_t NcpClient::ScanConnRefs(std::uint32_t* scanCursor, std::uint32_t* connRef) {
    if (scanCursor == nullptr || connRef == nullptr)
        return StatusCodes::InvalidParameter;
    // The cursor is the last reference handed out; references grow in scan order.
    const std::uint32_t cursor = *scanCursor;
    const auto next =
        std::find_if(references_.begin(), references_.end(),
                     [cursor](const Reference& reference) { return reference.reference > cursor; });
    if (next == references_.end())
        return StatusCodes::NoMoreEntries;
    *scanCursor = next->reference;
    *connRef = next->reference;
    return StatusCodes::Success;
}

std::uint16_t NcpClient::GetConnRefInfo(std::uint32_t connRef, std::uint32_t infoType, std::uint32_t length,
                                        void* buffer) {
    if (buffer == nullptr || (infoType != InfoServerName && infoType != InfoServerAddress))
        return StatusCodes::InvalidParameter;
    const Reference* reference = FindReference(connRef);
    if (reference == nullptr)
        return StatusCodes::InvalidConnRef;
    const std::string text = infoType == InfoServerName ? reference->session->ServerName()
                                                        : reference->session->AttachmentInfo().AddressText();
    return CopyText(text, static_cast<char*>(buffer), length) ? StatusCodes::Success
                                                              : StatusCodes::BufferTooSmall;
}

std::uint16_t NcpClient::GetConnInfo(std::uint32_t connHandle, std::uint32_t infoType, std::uint32_t length,
                                     void* buffer) {
    Exchange exchange(*this, "GetConnInfo");
    ServerSession* session = exchange.Begin(connHandle);
    if (session == nullptr)
        return exchange.Status();
    if (buffer == nullptr || infoType != InfoUserId || length != 4)
        return StatusCodes::InvalidParameter;
    Ncp::GetStationLoggedInfoRequest request;
    request.connection = session->ConnectionNumber();
    Ncp::StationLoggedInfoReply reply;
    if (const std::uint16_t status = session->Call(request, reply); status != StatusCodes::Success)
        return status;
    // The ID as a number in the workstation's byte order.
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(reply.objectId >> (8 * i));
    return StatusCodes::Success;
}

// --- object names and directory contexts ---

std::uint16_t NcpClient::GetBinderyObjectNameById(std::uint32_t connHandle, std::uint32_t objectId,
                                                  char name[BinderyNameSize], std::uint16_t* objectType) {
    Exchange exchange(*this, "GetBinderyObjectNameById");
    ServerSession* session = exchange.Begin(connHandle);
    if (session == nullptr)
        return exchange.Status();
    if (name == nullptr)
        return StatusCodes::InvalidParameter;
    Ncp::GetBinderyObjectNameRequest request;
    request.objectId = objectId;
    Ncp::BinderyObjectReply reply;
    if (const std::uint16_t status = session->Call(request, reply); status != StatusCodes::Success)
        return status;
    if (!CopyText(reply.objectName, name, BinderyNameSize))
        return StatusCodes::BufferTooSmall;
    Put(objectType, reply.objectType);
    return StatusCodes::Success;
}

std::uint32_t NcpClient::NewContext() {
    while (nextContext_ == 0 || nextContext_ == NoContext || contexts_.contains(nextContext_))
        ++nextContext_;
    const std::uint32_t context = nextContext_++;
    contexts_.insert(context);
    return context;
}

std::uint32_t NcpClient::NWDSCreateContext() {
    return contexts_.size() >= ContextLimit ? NoContext : NewContext();
}

std::uint32_t NcpClient::NWDSCreateContextHandle(std::uint32_t* context) {
    if (context == nullptr)
        return StatusCodes::InvalidParameter;
    if (contexts_.size() >= ContextLimit) {
        *context = NoContext;
        return StatusCodes::DSNotEnoughMemory;
    }
    *context = NewContext();
    return StatusCodes::Success;
}

std::uint32_t NcpClient::FreeContext(std::uint32_t context) {
    return contexts_.erase(context) > 0 ? StatusCodes::Success : StatusCodes::DSInvalidContext;
}

std::uint32_t NcpClient::DirectoryCall(std::uint32_t context, std::uint32_t connHandle, Exchange& exchange,
                                       ServerSession*& session) {
    if (!contexts_.contains(context))
        return StatusCodes::DSInvalidContext;
    session = exchange.Begin(connHandle);
    return session == nullptr ? exchange.Status() : StatusCodes::Success;
}

// A server that refuses function 104 altogether has no directory services.
static std::uint32_t DirectoryStatus(std::uint16_t status) {
    return Ncp::IsServerStatus(status) ? StatusCodes::DSNotAvailable : status;
}

std::uint32_t NcpClient::DirectoryServices(ServerSession& session, std::uint32_t verb,
                                           const std::vector<std::uint8_t>& verbData,
                                           std::vector<std::uint8_t>& reply) {
    Ncp::DirectoryServicesRequest request;
    request.maxFragmentSize = session.Connection().BufferSize();
    request.verb = verb;
    request.verbData = verbData;
    Ncp::DirectoryServicesReply answer;
    if (const std::uint16_t status = session.Call(request, answer); status != StatusCodes::Success)
        return DirectoryStatus(status);
    if (answer.completionCode != 0)
        return answer.completionCode;
    reply = std::move(answer.verbData);
    return StatusCodes::Success;
}

template <typename VerbRequest, typename VerbReply>
std::uint32_t NcpClient::DirectoryVerb(ServerSession& session, std::uint32_t verb, const VerbRequest& request,
                                       VerbReply& reply) {
    Ncp::ByteWriter verbData;
    Ncp::BuildVerbData(request, verbData);
    std::vector<std::uint8_t> replyData;
    if (const std::uint32_t status = DirectoryServices(session, verb, verbData.Result(), replyData);
        status != StatusCodes::Success)
        return status;
    return Ncp::ParseVerbData(replyData, reply) ? StatusCodes::Success : StatusCodes::MalformedReply;
}

std::uint32_t NcpClient::MapIdToDSName(std::uint32_t context, std::uint32_t connHandle,
                                       std::uint32_t objectId, char name[DSObjectNameSize]) {
    ServerSession* session = nullptr;
    Exchange exchange(*this, "MapIdToDSName");
    if (const std::uint32_t status = DirectoryCall(context, connHandle, exchange, session);
        status != StatusCodes::Success)
        return status;
    if (name == nullptr)
        return StatusCodes::InvalidParameter;
    Ncp::ReadEntryNameRequest entryRequest;
    entryRequest.entryId = objectId;
    Ncp::ReadEntryNameReply entry;
    if (const std::uint32_t status = DirectoryVerb(*session, Ncp::VerbReadEntryInfo, entryRequest, entry);
        status != StatusCodes::Success)
        return status;
    if (entry.distinguishedName.empty())
        return StatusCodes::DSNoSuchEntry;
    return CopyText(entry.distinguishedName, name, DSObjectNameSize) ? StatusCodes::Success
                                                                     : StatusCodes::BufferTooSmall;
}

std::uint32_t NcpClient::NWDSGetServerDN(std::uint32_t context, std::uint32_t connHandle,
                                         char serverDN[DSNameSize]) {
    ServerSession* session = nullptr;
    Exchange exchange(*this, "NWDSGetServerDN");
    if (const std::uint32_t status = DirectoryCall(context, connHandle, exchange, session);
        status != StatusCodes::Success)
        return status;
    Ncp::ServerAddressReply server;
    if (const std::uint32_t status =
            DirectoryVerb(*session, Ncp::VerbGetServerAddress, Ncp::ServerAddressRequest{}, server);
        status != StatusCodes::Success)
        return status;
    if (server.serverName.empty())
        return StatusCodes::DSNoSuchEntry;
    return CopyText(server.serverName, serverDN, DSNameSize) ? StatusCodes::Success
                                                             : StatusCodes::InvalidParameter;
}

std::uint32_t NcpClient::GetBinderyContext(std::uint32_t context, std::uint32_t connHandle,
                                           char binderyContext[DSNameSize]) {
    ServerSession* session = nullptr;
    Exchange exchange(*this, "GetBinderyContext");
    if (const std::uint32_t status = DirectoryCall(context, connHandle, exchange, session);
        status != StatusCodes::Success)
        return status;
    Ncp::BinderyContextReply reply;
    if (const std::uint16_t status = session->Call(Ncp::BinderyContextRequest{}, reply);
        status != StatusCodes::Success)
        return DirectoryStatus(status);
    if (reply.context.empty())
        return StatusCodes::DSNoSuchEntry;
    return CopyText(reply.context, binderyContext, DSNameSize) ? StatusCodes::Success
                                                               : StatusCodes::InvalidParameter;
}

// --- the server ---

std::uint16_t NcpClient::NWGetFileServerInformation(
    std::uint32_t connHandle, char serverName[FileServerNameSize], std::uint8_t* majorVersion,
    std::uint8_t* minorVersion, std::uint8_t* revision, std::uint16_t* maxConnections,
    std::uint16_t* peakConnections, std::uint16_t* connectionsInUse, std::uint16_t* volumeCount,
    std::uint8_t* sftLevel, std::uint8_t* ttsLevel) {
    Exchange exchange(*this, "NWGetFileServerInformation");
    ServerSession* session = exchange.Begin(connHandle);
    if (session == nullptr)
        return exchange.Status();
    Ncp::FileServerInformationReply reply;
    if (const std::uint16_t status = session->Call(Ncp::GetFileServerInformationRequest{}, reply);
        status != StatusCodes::Success)
        return status;
    if (serverName != nullptr && !CopyText(reply.serverName, serverName, FileServerNameSize))
        return StatusCodes::BufferTooSmall;
    Put(majorVersion, reply.osMajorVersion);
    Put(minorVersion, reply.osMinorVersion);
    Put(revision, reply.osRevision);
    Put(maxConnections, reply.maxConnections);
    Put(peakConnections, reply.peakConnectionsUsed);
    Put(connectionsInUse, reply.connectionsInUse);
    Put(volumeCount, reply.maxVolumes);
    Put(sftLevel, reply.sftLevel);
    Put(ttsLevel, reply.ttsLevel);
    return StatusCodes::Success;
}

// --- NCP extensions ---

std::uint16_t NcpClient::Extensions(std::uint32_t connHandle, bool scan, std::uint32_t number,
                                    const char* name, std::uint32_t* extensionId, char* nameOut,
                                    std::uint8_t* majorVersion, std::uint8_t* minorVersion,
                                    std::uint8_t* revision, std::uint8_t* queryData) {
    Exchange exchange(*this, scan ? "ScanNCPExtensions" : "GetNCPExtensionInfoByName");
    ServerSession* session = exchange.Begin(connHandle);
    if (session == nullptr)
        return exchange.Status();
    if ((scan && extensionId == nullptr) || (!scan && name == nullptr))
        return StatusCodes::InvalidParameter;
    Ncp::ExtensionInfoReply reply;
    std::uint16_t status = 0;
    if (scan) {
        Ncp::ScanExtensionsRequest request;
        request.afterNumber = number;
        status = session->Call(request, reply);
    } else if (auto remembered = session->ExtensionLookups().Recall(name, clock_())) {
        reply = std::move(*remembered);
    } else {
        Ncp::ExtensionInfoByNameRequest request;
        request.name = name;
        status = ExtensionStatus(session->Call(request, reply));
        if (status == StatusCodes::Success)
            session->ExtensionLookups().Remember(name, reply, clock_());
    }
    if (status != StatusCodes::Success)
        return status;
    if (nameOut != nullptr && !CopyText(reply.name, nameOut, ExtensionNameSize))
        return StatusCodes::BufferTooSmall;
    Put(extensionId, reply.number);
    Put(majorVersion, reply.majorVersion);
    Put(minorVersion, reply.minorVersion);
    Put(revision, reply.revision);
    if (queryData != nullptr)
        std::copy(reply.queryData.begin(), reply.queryData.end(), queryData);
    return StatusCodes::Success;
}

std::uint16_t NcpClient::ScanNCPExtensions(std::uint32_t connHandle, std::uint32_t* extensionId,
                                           char name[ExtensionNameSize], std::uint8_t* majorVersion,
                                           std::uint8_t* minorVersion, std::uint8_t* revision,
                                           std::uint8_t queryData[QueryDataSize]) {
    return Extensions(connHandle, true, extensionId == nullptr ? 0 : *extensionId, nullptr, extensionId, name,
                      majorVersion, minorVersion, revision, queryData);
}

std::uint16_t NcpClient::GetNCPExtensionInfoByName(std::uint32_t connHandle, const char* name,
                                                   std::uint32_t* extensionId, std::uint8_t* majorVersion,
                                                   std::uint8_t* minorVersion, std::uint8_t* revision,
                                                   std::uint8_t queryData[QueryDataSize]) {
    return Extensions(connHandle, false, 0, name, extensionId, nullptr, majorVersion, minorVersion, revision,
                      queryData);
}

std::uint16_t NcpClient::NCPExtensionRequest(std::uint32_t connHandle, std::uint32_t extensionId,
                                             const void* request, std::uint32_t requestLength, void* reply,
                                             std::uint16_t* replyLength) {
    Exchange exchange(*this, "NCPExtensionRequest");
    ServerSession* session = exchange.Begin(connHandle);
    if (session == nullptr)
        return exchange.Status();
    if ((request == nullptr && requestLength > 0) || replyLength == nullptr ||
        (reply == nullptr && *replyLength > 0))
        return StatusCodes::InvalidParameter;
    const std::span<const std::uint8_t> requestBytes(static_cast<const std::uint8_t*>(request),
                                                     requestLength);
    const std::uint16_t capacity = *replyLength;
    std::vector<std::uint8_t> answer;
    const std::uint16_t status =
        ExtensionStatus(ExchangeWithExtension(*session, extensionId, requestBytes, capacity, answer));
    if (status == StatusCodes::Success)
        session->ExtensionLookups().Exchanged(extensionId, clock_());
    else
        session->ExtensionLookups().Forget(extensionId);
    const std::size_t written = std::min<std::size_t>(answer.size(), capacity);
    if (written > 0)
        std::memcpy(reply, answer.data(), written);
    *replyLength = static_cast<std::uint16_t>(written);
    if (status == StatusCodes::Success && written < answer.size())
        return StatusCodes::BufferTooSmall;
    return status;
}

// --- NLMs ---

std::uint16_t NcpClient::NlmCall(std::uint32_t connHandle, const char* moduleName, bool load) {
    Exchange exchange(*this, load ? "NWSMLoadNLM" : "NWSMUnloadNLM");
    ServerSession* session = exchange.Begin(connHandle);
    if (session == nullptr)
        return exchange.Status();
    if (moduleName == nullptr)
        return StatusCodes::InvalidParameter;
    // A module that comes or goes may register or withdraw extensions on its server.
    for (Reference& reference : references_)
        reference.session->ExtensionLookups().Clear();
    Ncp::NlmRpcReply reply;
    std::uint16_t status = 0;
    if (load) {
        Ncp::LoadNlmRequest request;
        request.commandLine = moduleName;
        status = session->Call(request, reply);
    } else {
        Ncp::UnloadNlmRequest request;
        request.moduleName = moduleName;
        status = session->Call(request, reply);
    }
    if (status != StatusCodes::Success)
        return status;
    return reply.rpcCode == 0 ? StatusCodes::Success : StatusFromRpcCode(reply.rpcCode);
}

std::uint16_t NcpClient::NWSMLoadNLM(std::uint32_t connHandle, const char* moduleName) {
    return NlmCall(connHandle, moduleName, true);
}

std::uint16_t NcpClient::NWSMUnloadNLM(std::uint32_t connHandle, const char* moduleName) {
    return NlmCall(connHandle, moduleName, false);
}

// --- locale and platform ---

char* NcpClient::UpperCaseText(char* text) {
    return UpperCaseLatin1(text);
}

std::uint16_t NcpClient::GetVolumeDirectory(const char* serverName, const char* volumeName, char* path,
                                            std::uint32_t pathCapacity) {
    if (serverName == nullptr || volumeName == nullptr || path == nullptr)
        return StatusCodes::InvalidParameter;
    // Only a server attached here and served in this process keeps its volumes in local directories.
    const bool attached =
        std::any_of(references_.begin(), references_.end(), [&](const Reference& reference) {
            return SameName(reference.session->ServerName(), serverName);
        });
    if (!localVolumes_ || !attached)
        return StatusCodes::NoConnectionToServer;
    const std::optional<std::string> directory = localVolumes_(serverName, volumeName);
    if (!directory)
        return StatusCodes::NoSuchVolume;
    return CopyText(*directory, path, pathCapacity) ? StatusCodes::Success : StatusCodes::BufferTooSmall;
}

} // namespace NetClient
