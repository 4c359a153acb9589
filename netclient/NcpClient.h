#pragma once

#include "netclient/AttachFailures.h"
#include "netclient/Attachments.h"
#include "netclient/ClientLibrary.h"
#include "netclient/ConnectionControl.h"
#include "netclient/Passwords.h"
#include "netclient/ServerSession.h"
#include "netclient/WaitObserver.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Ncp {
class PcapWriter;
}

namespace NetClient {

// The program's client library: NetWare's client calls made over NCP on TCP/IP to real servers (or the demo
// servers on loopback). It is the requester: it attaches to the servers of the attachments file, keeps the
// connection table (references in attachment order, the first one primary, handles opened on them), the
// directory contexts, and answers the requester's own statuses (0x88xx); everything else comes from the
// servers' replies.
//
//     NcpClient client;
//     client.SetCapture(&pcap);                               // optional
//     const auto failures = client.AttachAll(attachments, passwords);
//     BindClient(&client);
//
// Handles belong to a reference, not to one TCP connection: a call on a connection that was lost (closed,
// reset, server restarted, or a reply that did not come within the attachment's time limit) first connects
// and logs in again with the password kept for the session (ServerSession::Revive), and the handle goes on
// working. Within the pause after a failed attempt or a time-out, calls answer InvalidConnection (0x8801) at
// once.
//
// Each call that reaches a server is one exchange: it has one deadline, the server's time limit, for all its
// round trips; it is told to the bound WaitObserver; and no second exchange starts while one is pending (it
// answers ExchangePending at once).
//
// A look-up of an extension by name (36/02) is answered from the connection's memory when the same name was
// looked up, or its extension exchanged with through 37, less than a second ago (ExtensionLookupMemory);
// a failed 37 to it, an NLM load or unload through this client and a new connection forget it.
//
// Statuses that are not the server's own:
// - NWSMLoadNLM / NWSMUnloadNLM: a non-zero RPC code c of the 131 reply is reported as 0x8900 | c for c up to
//   0xFF (NetWare's load and unload results are small numbers: 1 module not found, 2 loaded already, 3 not
//   loaded, 4 bad name) and as 0x89FF above that.
// - Directory calls (104) on a server that refuses function 104 (a bindery-only server): DSNotAvailable;
//   a directory-services completion code in a 104/02 reply is passed on as the 32-bit status.
// - GetVolumeDirectory: a real server's volume is no local directory: NoConnectionToServer. Only a server
//   this process serves itself (the in-process demo, see SetLocalVolumeDirectories) has one, so that a copy
//   can tell when a network destination is its local source. Network paths are written through
//   NetworkFiles all the same.
class NcpClient final : public ClientLibrary, public ConnectionControl {
public:
    static constexpr std::size_t ContextLimit = 64;

    NcpClient();
    // Says goodbye to every attached server, waiting ClientConnection::GoodbyeLimit at most for them all.
    ~NcpClient() override;
    NcpClient(const NcpClient&) = delete;
    NcpClient& operator=(const NcpClient&) = delete;

    // Every frame of every connection made from now on goes to capture (not owned; null stops it).
    void SetCapture(Ncp::PcapWriter* capture) { capture_ = capture; }
    // Waits of the attached servers' connections are told to observer from now on (not owned; null: none).
    void SetWaitObserver(WaitObserver* observer) override;

    // The local directory of a volume of a server served inside this process, or nothing for an unknown
    // server or volume. Set only for such servers (the in-process demo); empty for real servers.
    using LocalVolumeDirectories =
        std::function<std::optional<std::string>(std::string_view serverName, std::string_view volumeName)>;
    void SetLocalVolumeDirectories(LocalVolumeDirectories directories) {
        localVolumes_ = std::move(directories);
    }

    // Attaches to all the servers at once (ParallelAttach), asking passwords on this thread, and returns
    // when every server has ended; a server that cannot be reached, refuses the login, or whose password is
    // not given is left out and listed in the result. The table keeps the attachments' order whatever order
    // they were attached in; the first attached server is the primary connection.
    std::vector<AttachFailure> AttachAll(const std::vector<Attachment>& attachments,
                                         PasswordSource& passwords);
    // Adds attached sessions to the table, in the order given (ParallelAttach::TakeAttached).
    void AddAttached(std::vector<std::unique_ptr<ServerSession>> sessions);

    void PreferConnectionForPaths(std::uint32_t connRef) override { preferredForPaths_ = connRef; }
    // The session of the preferred reference when its server has that name (letter case ignored), else of
    // the first that has, connected again when its connection was lost; null when there is none or it
    // cannot be reached.
    ServerSession* SessionForServer(std::string_view serverName, std::uint16_t& status);

    // The clock of the extension look-up memory (steady_clock by default); for tests.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    // The session of a reference, as it is (not revived); null for an unknown reference.
    ServerSession* SessionOfReference(std::uint32_t connRef);

    // A new session to the first attached server of that name (letter case ignored), as the same user with
    // the password held for the session, not connected yet; null when no such server is attached.
    std::unique_ptr<ServerSession> NewSessionFor(std::string_view serverName) const;

    std::size_t OpenContextCount() const { return contexts_.size(); }
    std::vector<std::uint32_t> ConnectionRefs() const;
    // The calls sent to the attached servers since they were attached (request/reply round trips).
    std::uint64_t RoundTrips() const;

    // --- ConnectionControl (NcpClientConnections.cpp) ---
    std::vector<ConnectionEntry> ConnectionList() override;
    std::uint16_t Reconnect(std::uint32_t reference) override;
    std::uint16_t LogOut(std::uint32_t reference) override;
    std::uint16_t Detach(std::uint32_t reference) override;
    std::uint32_t Adopt(std::unique_ptr<ServerSession> session) override;
    std::uint16_t Replace(std::uint32_t reference, std::unique_ptr<ServerSession> session) override;
    Ncp::PcapWriter* Capture() const override { return capture_; }

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
    struct Reference {
        std::uint32_t reference = 0;
        std::unique_ptr<ServerSession> session;
        bool reconnecting = false; // a Reconnect is under way (seen from a nested event loop)
    };

    struct Handle {
        std::uint32_t reference = 0;
        std::uint32_t identity = 0; // the session's identity it was opened on
    };
    // One call's exchange with a server, from Begin to its end (see the class comment).
    class Exchange;

    Reference* FindReference(std::uint32_t connRef);
    void ObserveWaits(ServerSession& session);
    std::uint32_t NewContext();
    // The common checks of the directory calls; the session, or a status.
    std::uint32_t DirectoryCall(std::uint32_t context, std::uint32_t connHandle, Exchange& exchange,
                                ServerSession*& session);
    std::uint32_t DirectoryServices(ServerSession& session, std::uint32_t verb,
                                    const std::vector<std::uint8_t>& verbData,
                                    std::vector<std::uint8_t>& reply);
    // One directory-services verb with typed data: its status, MalformedReply when the reply does not parse.
    template <typename VerbRequest, typename VerbReply>
    std::uint32_t DirectoryVerb(ServerSession& session, std::uint32_t verb, const VerbRequest& request,
                                VerbReply& reply);
    std::uint16_t Extensions(std::uint32_t connHandle, bool scan, std::uint32_t number, const char* name,
                             std::uint32_t* extensionId, char* nameOut, std::uint8_t* majorVersion,
                             std::uint8_t* minorVersion, std::uint8_t* revision, std::uint8_t* queryData);
    std::uint16_t NlmCall(std::uint32_t connHandle, const char* moduleName, bool load);

    Ncp::PcapWriter* capture_ = nullptr;
    WaitObserver* observer_ = nullptr;
    bool exchangePending_ = false;
    LocalVolumeDirectories localVolumes_;
    Clock clock_ = [] { return std::chrono::steady_clock::now(); };
    std::vector<Reference> references_; // in attachment order
    std::uint32_t nextReference_ = 0x00001001;
    std::uint32_t primaryReference_ = 0;
    std::uint32_t preferredForPaths_ = 0;
    std::map<std::uint32_t, Handle> handles_;
    std::uint32_t nextHandle_ = 1;
    std::set<std::uint32_t> contexts_;
    std::uint32_t nextContext_ = 0x0101;
};

} // namespace NetClient
