#pragma once

#include <cstdint>

namespace NetClient {
class WaitObserver;
}

// The NetWare client libraries as this program uses them: one operation for every call the program makes.
//
// The program is written against this interface alone. main() binds one implementation (the emulated
// workstation of emulator/), tests bind their own (an emulated network built in code, or a recording fake).
// Argument order and widths follow the client's calls: 32-bit references, handles, IDs, contexts and lengths;
// 16-bit statuses for the connection and server calls, 32-bit statuses for the directory-services calls;
// fixed-size buffers supplied by the caller. Status 0 means success.
class ClientLibrary {
public:
    virtual ~ClientLibrary() = default;

    // The waits for servers are told to observer from now on (null: to nobody). A client that never waits
    // for a network ignores it.
    virtual void SetWaitObserver(NetClient::WaitObserver* observer) { static_cast<void>(observer); }
    // A network path (\\SERVER\VOLUME\...) names its server; when several connections lead to servers of
    // that name, paths mean the one of connRef from now on (0: the first of the name). A client without
    // network paths ignores it.
    virtual void PreferConnectionForPaths(std::uint32_t connRef) { static_cast<void>(connRef); }

    // Capacities of the caller-supplied buffers.
    static constexpr std::uint32_t ServerNameSize = 255;     // reference information type 7
    static constexpr std::uint32_t BinderyNameSize = 48;     // bindery object name
    static constexpr std::uint32_t DSObjectNameSize = 256;   // directory name of an object
    static constexpr std::uint32_t DSNameSize = 257;         // server DN and bindery context
    static constexpr std::uint32_t FileServerNameSize = 255; // NWGetFileServerInformation
    static constexpr std::uint32_t ExtensionNameSize = 256;  // NCP extension name
    static constexpr std::uint32_t QueryDataSize = 32;       // NCP extension query data
    static constexpr std::uint32_t ServerAddressSize = 64;   // reference information type 13

    // Connection information types.
    static constexpr std::uint32_t InfoServerName = 7; // of a reference: the server's name
    static constexpr std::uint32_t InfoUserId = 6;     // of a handle: the logged-in user object's ID
    // Of a reference: where the workstation reaches the server, as zero-terminated text ("host:port"), so
    // that servers reporting the same name can be told apart.
    static constexpr std::uint32_t InfoServerAddress = 13;

    // Open modes of OpenConnByReference.
    static constexpr std::uint32_t OpenModeStartup = 1;
    static constexpr std::uint32_t OpenModeLater = 2;

    // The directory-context value that means no context could be made.
    static constexpr std::uint32_t NoContext = 328;

    // --- client start-up ---
    virtual std::uint16_t StartClient(std::uint32_t reserved1, std::uint32_t reserved2) = 0;
    virtual std::uint16_t StartClx(std::uint32_t reserved1, std::uint32_t reserved2) = 0;

    // --- connection references and handles ---
    virtual std::uint16_t GetPrimaryConnRef(std::uint32_t* connRef) = 0;
    virtual std::uint16_t OpenConnByReference(std::uint32_t connRef, std::uint32_t openMode,
                                              std::uint32_t reserved, std::uint32_t* connHandle) = 0;
    // Scan cursor 0 starts the scan; a non-zero status after the last reference.
    virtual std::uint16_t ScanConnRefs(std::uint32_t* scanCursor, std::uint32_t* connRef) = 0;
    virtual std::uint16_t GetConnRefInfo(std::uint32_t connRef, std::uint32_t infoType, std::uint32_t length,
                                         void* buffer) = 0;
    virtual std::uint16_t GetConnInfo(std::uint32_t connHandle, std::uint32_t infoType, std::uint32_t length,
                                      void* buffer) = 0;

    // --- object names ---
    virtual std::uint16_t GetBinderyObjectNameById(std::uint32_t connHandle, std::uint32_t objectId,
                                                   char name[BinderyNameSize], std::uint16_t* objectType) = 0;
    virtual std::uint32_t NWDSCreateContext() = 0;
    virtual std::uint32_t MapIdToDSName(std::uint32_t context, std::uint32_t connHandle,
                                        std::uint32_t objectId, char name[DSObjectNameSize]) = 0;
    virtual std::uint32_t FreeContext(std::uint32_t context) = 0;
    virtual std::uint32_t NWDSCreateContextHandle(std::uint32_t* context) = 0;
    virtual std::uint32_t NWDSGetServerDN(std::uint32_t context, std::uint32_t connHandle,
                                          char serverDN[DSNameSize]) = 0;
    virtual std::uint32_t GetBinderyContext(std::uint32_t context, std::uint32_t connHandle,
                                            char binderyContext[DSNameSize]) = 0;

    // --- the server ---
    virtual std::uint16_t
    NWGetFileServerInformation(std::uint32_t connHandle, char serverName[FileServerNameSize],
                               std::uint8_t* majorVersion, std::uint8_t* minorVersion, std::uint8_t* revision,
                               std::uint16_t* maxConnections, std::uint16_t* peakConnections,
                               std::uint16_t* connectionsInUse, std::uint16_t* volumeCount,
                               std::uint8_t* sftLevel, std::uint8_t* ttsLevel) = 0;

    // --- NCP extensions ---
    // Extension ID 0xFFFFFFFF starts the scan; a non-zero status after the last extension.
    virtual std::uint16_t ScanNCPExtensions(std::uint32_t connHandle, std::uint32_t* extensionId,
                                            char name[ExtensionNameSize], std::uint8_t* majorVersion,
                                            std::uint8_t* minorVersion, std::uint8_t* revision,
                                            std::uint8_t queryData[QueryDataSize]) = 0;
    virtual std::uint16_t GetNCPExtensionInfoByName(std::uint32_t connHandle, const char* name,
                                                    std::uint32_t* extensionId, std::uint8_t* majorVersion,
                                                    std::uint8_t* minorVersion, std::uint8_t* revision,
                                                    std::uint8_t queryData[QueryDataSize]) = 0;
    // The reply length holds the reply buffer's capacity on entry and the reply's length on return.
    virtual std::uint16_t NCPExtensionRequest(std::uint32_t connHandle, std::uint32_t extensionId,
                                              const void* request, std::uint32_t requestLength, void* reply,
                                              std::uint16_t* replyLength) = 0;

    // --- NLMs ---
    virtual std::uint16_t NWSMLoadNLM(std::uint32_t connHandle, const char* moduleName) = 0;
    virtual std::uint16_t NWSMUnloadNLM(std::uint32_t connHandle, const char* moduleName) = 0;

    // --- locale ---
    // Upper-cases zero-terminated text in place by the client's locale rules; returns the text.
    virtual char* UpperCaseText(char* text) = 0;

    // --- platform ---
    // The local directory through which the workstation reaches a server's volume (names case-insensitive),
    // zero-terminated into path. A non-zero status when the server or the volume is unknown or path is too
    // small.
    virtual std::uint16_t GetVolumeDirectory(const char* serverName, const char* volumeName, char* path,
                                             std::uint32_t pathCapacity) = 0;
};

// The binding: the one client implementation the program talks to. Not owned here.
ClientLibrary& Client();
void BindClient(ClientLibrary* client);
// A client for the calling thread alone, ahead of the one bound for all (null ends it): a thread that talks
// to its own server, such as one server's share of the command-line tool's --all, binds its own client.
void BindClientForThisThread(ClientLibrary* client);
bool IsClientBound();
