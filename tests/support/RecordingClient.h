#pragma once

#include "tests/support/StubClient.h"

#include <QStringList>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A scripted client library that records every call the program makes.
//
// Window and routine tests use it to assert the exact calls a handler makes (and so its cost), and to script
// the answers: a small workstation of connections and servers, and a responder for NCP extension requests.
//
// Typical use:
//
//     RecordingClient client;
//     ScopedClientBinding binding(client);
//     client.AddServer({.name = "FS1", .majorVersion = 4, .minorVersion = 11});
//     client.AddConnection({.connRef = 1, .connHandle = 5, .serverName = "FS1", .userId = 0x100});
//     client.Server("FS1").users.push_back({.objectId = 0x100, .dsName = "CN=Admin.O=Org"});
//     client.consoleResponder = FakeConsoleModule::...;   // or any lambda, see below
//     client.FailNext("NWGetFileServerInformation", 0x8801);
//     ... run the handler ...
//     QCOMPARE(client.CallList(), (QStringList{"ScanConnRefs(cursor=0)", ...}));
//     QCOMPARE(client.CallCount("NCPExtensionRequest"), 9);
//
// The call log: one entry per call, "Name(arg=value,...)", numbers in decimal, buffers as upper-case hex
// bytes separated by spaces, texts as they were passed (up to their zero byte). The entries:
//
//     StartClient(0,0)                         StartClx(0,0)
//     GetPrimaryConnRef()                      OpenConnByReference(ref=1,mode=2,reserved=0)
//     ScanConnRefs(cursor=0)                   GetConnRefInfo(ref=1,type=7,len=255)
//     GetConnInfo(conn=5,type=6,len=4)         GetBinderyObjectNameById(conn=5,id=256)
//     NWDSCreateContext()                      MapIdToDSName(ctx=4096,conn=5,id=256)
//     FreeContext(ctx=4096)                    NWDSCreateContextHandle()
//     NWDSGetServerDN(ctx=4096,conn=5)         GetBinderyContext(ctx=4096,conn=5)
//     NWGetFileServerInformation(conn=5)       ScanNCPExtensions(conn=5,id=4294967295)
//     GetNCPExtensionInfoByName(conn=5,name=QV_EXT)
//     NCPExtensionRequest(conn=5,id=7,req=19 40 00 00 00 00,cap=263)
//     NWSMLoadNLM(conn=5,name=QVEXT.NLM)       NWSMUnloadNLM(conn=5,name=QVEXT.NLM)
//     UpperCaseText(text=sys)                  GetVolumeDirectory(server=FS1,volume=SYS,cap=4096)
//
// The name before "(" is the call's name for CallCount, CallsNamed, FailNext and FailAlways.
//
// How the scripted workstation answers (calls not described answer like a real client would):
// - Start-up: startClientStatus, startClxStatus; GetPrimaryConnRef gives primaryRef or primaryRefStatus.
// - ScanConnRefs walks the connections in the order they were added (the cursor is the index), then answers
//   scanEndStatus. With endlessScanRef set, a broken client: after the table it keeps answering that
//   reference with status 0 forever.
// - OpenConnByReference gives the connection's connHandle (or its openStatus); an unknown reference gives
//   StatusCodes::InvalidConnRef. The handle output is written only on success.
// - GetConnRefInfo type 7 writes the connection's serverName into the buffer, type 13 its address; a name of
// the buffer's size or
//   longer fills the buffer without a terminator, as a broken client might. The same holds for every name
//   the fake writes (file-server name, bindery name, directory names, extension names).
// - Calls taking a handle find the connection with that handle (else StatusCodes::InvalidConnection) and the
//   server whose name equals the connection's serverName (else StatusCodes::InvalidConnection).
// - Object names come from the server's users by object ID (else NoSuchObject / DSNoSuchEntry).
// - Contexts: NWDSCreateContext and NWDSCreateContextHandle hand out 4096, 4097, ... or, with
//   contextUnavailable set, the value 328. LiveContexts() counts contexts made and not released.
// - ScanNCPExtensions: id 0xFFFFFFFF starts, then the extension after the one with the given ID, then
//   StatusCodes::NoSuchExtension. GetNCPExtensionInfoByName: exact name match among the server's extensions.
// - NCPExtensionRequest: calls ncpResponder (see ExtensionReply); without one every request fails and
//   nothing is written. All exchanges are also kept in structured form in Exchanges().
// - NWSMLoadNLM / NWSMUnloadNLM: loadedModules of the server (names compared case-insensitively). Loading
//   adds the module and registers moduleExtensions[name]; unloading removes both. Empty name:
//   InvalidModuleName; loading twice: ModuleAlreadyLoaded; unloading a module not loaded: ModuleNotLoaded.
// - GetVolumeDirectory: volumeDirectories, keyed "SERVER\\VOLUME" in upper case.
//
// Injected faults: FailNext(name, status) makes the next call of that name fail with the status, writing
// nothing (queued: two FailNext calls fail the next two calls); FailAlways(name, status) makes every call
// fail until ClearFailures(). A failed NWDSCreateContext answers the context 328; a failed
// NWDSCreateContextHandle writes 328 into its output and returns the status. UpperCaseText cannot fail.
class RecordingClient : public StubClient {
public:
    // One user object on a server.
    struct ScriptedUser {
        std::uint32_t objectId = 0;
        std::string dsName{}; // answer of MapIdToDSName
        std::uint32_t dsStatus = 0;
        std::string binderyName{}; // answer of GetBinderyObjectNameById
        std::uint16_t binderyStatus = 0;
        std::uint16_t objectType = 1;
    };

    // One registered NCP extension.
    struct ScriptedExtension {
        std::uint32_t id = 0;
        std::string name{};
        std::uint8_t majorVersion = 1;
        std::uint8_t minorVersion = 0;
        std::uint8_t revision = 0;
    };

    struct ScriptedServer {
        std::string name{}; // also the file-server information's name
        // NWGetFileServerInformation
        std::uint16_t infoStatus = 0;
        std::uint8_t majorVersion = 4;
        std::uint8_t minorVersion = 11;
        std::uint8_t revision = 0;
        std::uint16_t maxConnections = 250;
        std::uint16_t peakConnections = 20;
        std::uint16_t connectionsInUse = 12;
        std::uint16_t volumeCount = 3;
        std::uint8_t sftLevel = 2;
        std::uint8_t ttsLevel = 1;
        // Directory services of the server
        std::string serverDN{};
        std::uint32_t serverDNStatus = 0;
        std::string binderyContext{};
        std::uint32_t binderyContextStatus = 0;
        std::vector<ScriptedUser> users{};
        std::vector<ScriptedExtension> extensions{};
        std::vector<std::string> loadedModules{};
        std::map<std::string, std::vector<ScriptedExtension>>
            moduleExtensions{}; // key: module name, upper case
    };

    // One connection of the workstation.
    struct ScriptedConnection {
        std::uint32_t connRef = 0;
        std::uint32_t connHandle = 0;
        std::string serverName{}; // answer of GetConnRefInfo type 7, and the server the handle reaches
        std::uint32_t userId = 0;
        std::string address{};          // answer of GetConnRefInfo type 13
        std::uint16_t nameStatus = 0;   // GetConnRefInfo
        std::uint16_t openStatus = 0;   // OpenConnByReference
        std::uint16_t userIdStatus = 0; // GetConnInfo type 6
    };

    // What a responder answers to one NCP extension request. The reply bytes are copied into the caller's
    // buffer (at most its stated capacity, so a short vector is a short reply) and the reply length is set
    // to the number copied; an empty reply leaves the buffer and the length untouched.
    struct ExtensionReply {
        std::uint16_t status = 0;
        std::vector<std::uint8_t> reply{};
    };
    using ExtensionResponder =
        std::function<ExtensionReply(std::uint32_t connHandle, std::uint32_t extensionId,
                                     const std::vector<std::uint8_t>& request, std::uint16_t replyCapacity)>;

    // One NCP extension request as the program made it.
    struct Exchange {
        std::uint32_t connHandle = 0;
        std::uint32_t extensionId = 0;
        std::vector<std::uint8_t> request{};
        std::uint16_t replyCapacity = 0;
    };

    // --- script ---
    std::uint16_t startClientStatus = 0;
    std::uint16_t startClxStatus = 0;
    std::uint32_t primaryRef = 0;
    std::uint16_t primaryRefStatus = 0;
    std::uint16_t scanEndStatus = StatusCodes::NoMoreEntries;
    std::optional<std::uint32_t> endlessScanRef;
    bool contextUnavailable = false;
    ExtensionResponder ncpResponder;
    std::map<std::string, std::string> volumeDirectories;

    ScriptedServer& AddServer(ScriptedServer server);
    ScriptedConnection& AddConnection(ScriptedConnection connection);
    // The server or connection added under that name / reference; aborts the test when there is none.
    ScriptedServer& Server(const std::string& name);
    ScriptedConnection& Connection(std::uint32_t connRef);

    void FailNext(const std::string& callName, std::uint32_t status);
    void FailAlways(const std::string& callName, std::uint32_t status);
    void ClearFailures();

    // --- what was called ---
    const std::vector<std::string>& Calls() const { return calls; }
    // The same as a QStringList: QCOMPARE then prints the first entry that differs.
    QStringList CallList() const;
    QStringList CallList(const std::string& callName) const;
    std::vector<std::string> CallsNamed(const std::string& callName) const;
    int CallCount(const std::string& callName) const;
    const std::vector<Exchange>& Exchanges() const { return exchanges; }
    // The whole log, one entry a line: handy as a failure message.
    std::string Log() const;
    void ClearCalls();

    int LiveContexts() const { return liveContexts; }
    // Where the last GetNCPExtensionInfoByName read its name from. With captureLengthPrefix set, the byte
    // just before that name is copied into lastLookupLengthPrefix: only for callers whose name lies inside a
    // larger buffer (the console lookup's length byte).
    const char* lastLookupName = nullptr;
    bool captureLengthPrefix = false;
    std::optional<std::uint8_t> lastLookupLengthPrefix;

    // Each connection the caller preferred for network paths, in order (not a call to a server).
    std::vector<std::uint32_t> preferredForPaths;

    // --- ClientLibrary ---
    void PreferConnectionForPaths(std::uint32_t connRef) override { preferredForPaths.push_back(connRef); }
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
    std::uint16_t GetBinderyObjectNameById(std::uint32_t connHandle, std::uint32_t objectId, char* name,
                                           std::uint16_t* objectType) override;
    std::uint32_t NWDSCreateContext() override;
    std::uint32_t MapIdToDSName(std::uint32_t context, std::uint32_t connHandle, std::uint32_t objectId,
                                char* name) override;
    std::uint32_t FreeContext(std::uint32_t context) override;
    std::uint32_t NWDSCreateContextHandle(std::uint32_t* context) override;
    std::uint32_t NWDSGetServerDN(std::uint32_t context, std::uint32_t connHandle, char* serverDN) override;
    std::uint32_t GetBinderyContext(std::uint32_t context, std::uint32_t connHandle,
                                    char* binderyContext) override;
    std::uint16_t NWGetFileServerInformation(std::uint32_t connHandle, char* serverName,
                                             std::uint8_t* majorVersion, std::uint8_t* minorVersion,
                                             std::uint8_t* revision, std::uint16_t* maxConnections,
                                             std::uint16_t* peakConnections, std::uint16_t* connectionsInUse,
                                             std::uint16_t* volumeCount, std::uint8_t* sftLevel,
                                             std::uint8_t* ttsLevel) override;
    std::uint16_t ScanNCPExtensions(std::uint32_t connHandle, std::uint32_t* extensionId, char* name,
                                    std::uint8_t* majorVersion, std::uint8_t* minorVersion,
                                    std::uint8_t* revision, std::uint8_t* queryData) override;
    std::uint16_t GetNCPExtensionInfoByName(std::uint32_t connHandle, const char* name,
                                            std::uint32_t* extensionId, std::uint8_t* majorVersion,
                                            std::uint8_t* minorVersion, std::uint8_t* revision,
                                            std::uint8_t* queryData) override;
    std::uint16_t NCPExtensionRequest(std::uint32_t connHandle, std::uint32_t extensionId,
                                      const void* request, std::uint32_t requestLength, void* reply,
                                      std::uint16_t* replyLength) override;
    std::uint16_t NWSMLoadNLM(std::uint32_t connHandle, const char* moduleName) override;
    std::uint16_t NWSMUnloadNLM(std::uint32_t connHandle, const char* moduleName) override;
    char* UpperCaseText(char* text) override;
    std::uint16_t GetVolumeDirectory(const char* serverName, const char* volumeName, char* path,
                                     std::uint32_t pathCapacity) override;

private:
    // Logs the call and answers the injected fault for it, if any.
    std::optional<std::uint32_t> Record(const std::string& entry);
    ScriptedConnection* ConnectionByRef(std::uint32_t connRef);
    ScriptedConnection* ConnectionByHandle(std::uint32_t connHandle);
    ScriptedServer* ServerOfHandle(std::uint32_t connHandle);

    // Deques, so that the references AddServer and AddConnection hand out stay valid.
    std::deque<ScriptedServer> servers;
    std::deque<ScriptedConnection> connections;
    std::vector<std::string> calls;
    std::vector<Exchange> exchanges;
    std::map<std::string, std::vector<std::uint32_t>> nextFailures;
    std::map<std::string, std::uint32_t> permanentFailures;
    std::uint32_t nextContext = 4096;
    int liveContexts = 0;
};

// A console extension module answering the six console messages from a scripted list of screens: plug it
// into RecordingClient::ncpResponder with Responder(). It keeps what a window test wants to see afterwards:
// the screen selected last, the keys received, the number of clears.
//
//     FakeConsoleModule console;
//     console.AddScreen("System Console", {"row 0 text", "row 1 text"});  // missing rows are blank
//     client.ncpResponder = console.Responder();
//
// Screens get the references 1, 2, 3, ... and are opened with the handles 101, 102, 103, ...
// (openHandleOverride answers every open with another value, e.g. -1 or 0). Requests of an unknown code
// or length answer StatusCodes::BadRequest and no reply.
class FakeConsoleModule final {
public:
    struct Screen {
        std::uint32_t screenRef = 0;
        std::string name{};
        std::vector<std::string> rows{}; // up to 25 rows of up to 80 bytes; cells beyond are 0
    };

    Screen& AddScreen(const std::string& name, std::vector<std::string> rows = {});
    RecordingClient::ExtensionResponder Responder();

    std::vector<Screen> screens;
    std::optional<std::int32_t> openHandleOverride;
    // The screen selected last, by reference (0: none yet).
    std::uint32_t selectedScreen = 0;
    std::vector<std::uint16_t> keysReceived;
    int clears = 0;

private:
    RecordingClient::ExtensionReply Answer(const std::vector<std::uint8_t>& request);
};
