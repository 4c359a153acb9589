#pragma once

#include "emulator/FaultInjection.h"
#include "emulator/Server.h"
#include "netclient/ClientLibrary.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Emulator {

// The emulated NetWare workstation: the program's built-in client library. It holds the workstation's
// side of an emulated network: the servers it knows, its connection table (references in scan order, the
// primary one, handles opened on them) and its directory contexts, and it answers the requester's own
// statuses (0x88xx). Everything a server answers comes from that Server.
//
// Building a network (tests do this in code; MakeDemoWorkstation builds the default one):
//
//     Workstation workstation(volumesRoot);
//     Server& atlas = workstation.AddServer({.name = "ATLAS", .majorVersion = 5, .directoryName =
//     "CN=ATLAS.O=ACME"}); const std::uint32_t admin = atlas.AddUser("ADMIN", "CN=Admin.O=ACME"); const
//     std::uint32_t ref = workstation.AddConnection(atlas, admin);   // appended to the scan order
//     workstation.SetPrimaryConnection(ref);
//     atlas.LoadModule("QVEXT.NLM");  // when the file is in SYS:SYSTEM: registers "QV_EXT"
//
// Connection references, handles and contexts are distinct non-zero numbers, never reused. A handle stays
// valid until its reference is dropped (DropConnection); an unknown or dropped handle answers
// InvalidConnection (0x8801) on every call that takes one. A dropped reference leaves the scan.
//
// Faults for tests: FailCall makes a named call fail (FaultInjection), DropConnection loses a connection,
// Server::Console().SetFault bends a console module's replies. CallLog records the name of every call.
class Workstation final : public ClientLibrary {
public:
    static constexpr std::size_t DefaultContextLimit = 64;

    explicit Workstation(std::filesystem::path volumesRoot, Clock clock = {});
    ~Workstation() override;

    // --- building the network ---
    // Adds a server; its volume directories are made under the volumes root.
    Server& AddServer(ServerConfig config);
    // Adds a server made elsewhere (MakeDemoServers); it takes the workstation's clock when one was given.
    Server& AdoptServer(std::unique_ptr<Server> server);
    // The server of that name (letter case ignored), or null.
    Server* FindServer(std::string_view name);
    std::vector<Server*> Servers();
    // A new connection reference to the server with userId logged in on it (0: nobody); appended to the
    // scan order. A server may have several references.
    std::uint32_t AddConnection(Server& server, std::uint32_t userId = 0);
    bool SetConnectionUser(std::uint32_t connRef, std::uint32_t userId);
    bool SetPrimaryConnection(std::uint32_t connRef);
    // Every server's clock, now and for servers added later.
    void SetClock(Clock clock);
    const std::filesystem::path& VolumesRoot() const { return volumesRoot_; }

    // --- faults and observation ---
    FaultInjection& Faults() { return faults_; }
    bool FailCall(std::string_view call, std::uint32_t status, std::uint32_t skipCalls = 0,
                  std::int32_t times = FaultInjection::Always) {
        return faults_.FailCall(call, status, skipCalls, times);
    }
    // Loses the connection: the reference leaves the scan and every handle opened on it turns invalid.
    bool DropConnection(std::uint32_t connRef);
    // Loses every connection to the server.
    void DropConnectionsTo(std::string_view serverName);
    // The server a handle talks to, or null for an unknown or dropped handle.
    Server* ServerOfHandle(std::uint32_t connHandle);
    std::vector<std::uint32_t> ConnectionRefs() const;
    std::size_t OpenContextCount() const { return contexts_.size(); }
    void SetContextLimit(std::size_t limit) { contextLimit_ = limit; }
    const std::vector<std::string>& CallLog() const { return callLog_; }
    std::size_t CallCount(std::string_view call) const;
    void ClearCallLog() { callLog_.clear(); }

    // --- ClientLibrary ---
    std::uint16_t StartClient(std::uint32_t reserved1, std::uint32_t reserved2) override;
    std::uint16_t StartClx(std::uint32_t reserved1, std::uint32_t reserved2) override;
    std::uint16_t GetPrimaryConnRef(std::uint32_t* connRef) override;
    std::uint16_t OpenConnByReference(std::uint32_t connRef, std::uint32_t openMode, std::uint32_t reserved,
                                      std::uint32_t* connHandle) override;
    std::uint16_t ScanConnRefs(std::uint32_t* scanCursor, std::uint32_t* connRef) override;
    std::uint16_t GetConnRefInfo(std::uint32_t connRef, std::uint32_t infoType, std::uint32_t length,
                                 void* buffer) override;
    std::uint16_t GetConnInfo(std::uint32_t connHandle, std::uint32_t infoType, std::uint32_t length,
                              void* buffer) override;
    std::uint16_t GetBinderyObjectNameById(std::uint32_t connHandle, std::uint32_t objectId,
                                           char name[BinderyNameSize], std::uint16_t* objectType) override;
    std::uint32_t NWDSCreateContext() override;
    std::uint32_t MapIdToDSName(std::uint32_t context, std::uint32_t connHandle, std::uint32_t objectId,
                                char name[DSObjectNameSize]) override;
    std::uint32_t FreeContext(std::uint32_t context) override;
    std::uint32_t NWDSCreateContextHandle(std::uint32_t* context) override;
    std::uint32_t NWDSGetServerDN(std::uint32_t context, std::uint32_t connHandle,
                                  char serverDN[DSNameSize]) override;
    std::uint32_t GetBinderyContext(std::uint32_t context, std::uint32_t connHandle,
                                    char binderyContext[DSNameSize]) override;
    std::uint16_t NWGetFileServerInformation(std::uint32_t connHandle, char serverName[FileServerNameSize],
                                             std::uint8_t* majorVersion, std::uint8_t* minorVersion,
                                             std::uint8_t* revision, std::uint16_t* maxConnections,
                                             std::uint16_t* peakConnections, std::uint16_t* connectionsInUse,
                                             std::uint16_t* volumeCount, std::uint8_t* sftLevel,
                                             std::uint8_t* ttsLevel) override;
    std::uint16_t ScanNCPExtensions(std::uint32_t connHandle, std::uint32_t* extensionId,
                                    char name[ExtensionNameSize], std::uint8_t* majorVersion,
                                    std::uint8_t* minorVersion, std::uint8_t* revision,
                                    std::uint8_t queryData[QueryDataSize]) override;
    std::uint16_t GetNCPExtensionInfoByName(std::uint32_t connHandle, const char* name,
                                            std::uint32_t* extensionId, std::uint8_t* majorVersion,
                                            std::uint8_t* minorVersion, std::uint8_t* revision,
                                            std::uint8_t queryData[QueryDataSize]) override;
    std::uint16_t NCPExtensionRequest(std::uint32_t connHandle, std::uint32_t extensionId,
                                      const void* request, std::uint32_t requestLength, void* reply,
                                      std::uint16_t* replyLength) override;
    std::uint16_t NWSMLoadNLM(std::uint32_t connHandle, const char* moduleName) override;
    std::uint16_t NWSMUnloadNLM(std::uint32_t connHandle, const char* moduleName) override;
    char* UpperCaseText(char* text) override;
    std::uint16_t GetVolumeDirectory(const char* serverName, const char* volumeName, char* path,
                                     std::uint32_t pathCapacity) override;

private:
    struct Connection {
        std::uint32_t reference = 0;
        Server* server = nullptr;
        std::uint32_t serverConnection = 0; // the server's number for it
    };

    std::optional<std::uint32_t> Enter(std::string_view call);
    Connection* FindConnection(std::uint32_t connRef);
    Connection* ConnectionOfHandle(std::uint32_t connHandle);
    std::uint32_t DirectoryCall(std::uint32_t context, std::uint32_t connHandle, Server*& server);
    // A text of the server's directory settings (its directory name or bindery context) for a call.
    std::uint32_t ServerDirectoryText(const char* callName, std::uint32_t context, std::uint32_t connHandle,
                                      std::string ServerConfig::*field, char* text);
    void ExtensionOutputs(const ExtensionInfo& info, std::uint8_t* majorVersion, std::uint8_t* minorVersion,
                          std::uint8_t* revision, std::uint8_t* queryData);

    std::filesystem::path volumesRoot_;
    Clock clock_;
    std::vector<std::unique_ptr<Server>> servers_;
    std::vector<Connection> connections_; // in scan order
    std::uint32_t nextReference_ = 0x00001001;
    std::uint32_t primaryReference_ = 0;
    std::map<std::uint32_t, std::uint32_t> handles_; // handle -> connection reference
    std::uint32_t nextHandle_ = 1;
    std::set<std::uint32_t> contexts_;
    std::uint32_t nextContext_ = 0x0101;
    std::size_t contextLimit_ = DefaultContextLimit;
    FaultInjection faults_;
    std::vector<std::string> callLog_;
};

} // namespace Emulator
