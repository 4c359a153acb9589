#pragma once

#include "emulator/Server.h"
#include "emulator/ServerFiles.h"
#include "emulator/UniqueFd.h"
#include "ncp/CompletionCodes.h"
#include "ncp/ConnectionCodecs.h"
#include "ncp/ExtensionCodecs.h"
#include "ncp/PasswordCipher.h"
#include "ncp/RequestBody.h"

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <vector>

// The handlers of the NCP functions a server answers, one per call, and the per-connection state they work
// on. NcpSession owns the state and routes each request through the table in NcpDispatch.cpp; the handlers
// see only the parsed request and answer a completion byte and reply data, never a socket.
namespace Emulator::NcpHandlers {

// What a handler answers: the completion byte and the reply data after the reply header.
struct Answer {
    std::uint8_t completion = 0;
    std::vector<std::uint8_t> data;
};

// Completion bytes the handlers use beyond those of Ncp::Completion and ServerFiles.
inline constexpr std::uint8_t NotLoggedIn = 0x7D;
inline constexpr std::uint8_t OutOfHandles = 0x81;
inline constexpr std::uint8_t InvalidFileHandle = 0x88;
inline constexpr std::uint8_t NoReadPrivilege = 0x93;
inline constexpr std::uint8_t BadDirectoryHandle = 0x9B;
inline constexpr std::uint8_t IntruderLockout = 0xC5; // intruder detection locked the object's logins
inline constexpr std::uint8_t ConnectionLimit = 0xD9; // no connection or login left (server or user limit)
inline constexpr std::uint8_t BadStationNumber = 0xFD;
inline constexpr std::uint8_t UnknownExtensionNumber = 0xD5; // 37 to a number nothing registered
inline constexpr std::uint8_t ExtensionNotFound = 0xFF; // 36/02, 36/05: no extension of that name or number
inline constexpr std::uint8_t ScanEnded = 0xFF;

// One file open on a connection.
struct OpenFile {
    UniqueFd fd;
    bool writable = false;
};

// A fragmented function-37 message in progress: the request fragments collected so far, then the reply
// fragments still to send.
struct ExtensionExchange {
    std::uint32_t handle = 0; // 0: no exchange in progress
    std::uint32_t extensionId = 0;
    std::uint32_t replyCapacity = 0;
    Ncp::FragmentAssembler request;
    std::vector<std::uint8_t> reply;
    std::size_t replySent = 0;
    bool replying = false;
};

// The state of one service connection that the handlers read and change.
struct Connection {
    Connection(Server& server, std::uint16_t maxBufferSize);

    Server& server;
    ServerFiles files;
    std::uint16_t number = 0; // the server's connection number, 0 before the create request
    std::uint32_t userId = 0; // 0: nobody logged in
    std::uint16_t maxBufferSize = 4096;
    std::uint16_t bufferSize = Ncp::MinimumBufferSize;
    std::optional<Ncp::LoginKey> loginKey;
    std::map<std::uint32_t, OpenFile> openFiles;
    std::uint32_t nextFileHandle = 1;
    ExtensionExchange extension;
    // Transfer temporaries this connection created and has neither renamed nor deleted: they go with it.
    std::vector<NetWarePath> temporaries;
    std::uint32_t nextFragmentHandle = 1;
    std::mt19937_64 random;

    bool LoggedIn() const { return userId != 0; }
    bool ConsoleOperator() const { return server.IsConsoleOperator(userId); }
    // Logs out: the user and every open file go.
    void Logout();
    // Files open on the connection are counted for its user on the server.
    void AddFile(std::uint32_t handle, OpenFile file);
    bool CloseFile(std::uint32_t handle);
    // Forgets the temporary at path (renamed or deleted), or deletes every one left when the connection ends.
    void ForgetTemporary(const NetWarePath& path);
    void RemoveTemporaries();
};

using Handler = Answer (*)(Connection&, const Ncp::ParsedRequest&);

// Helpers for the handlers: the typed request, and a typed reply as an answer.
template <typename Request> std::optional<Request> Parse(const Ncp::ParsedRequest& parsed) {
    Request request;
    if (!Ncp::DecodeRequest(parsed, request))
        return std::nullopt;
    return request;
}

Answer Fail(std::uint8_t completion);

template <typename ReplyData> Answer Encode(const ReplyData& reply) {
    Ncp::ByteWriter out;
    if (!BuildReplyData(reply, out))
        return Fail(Ncp::Completion::HardFailure);
    return Answer{0, out.Take()};
}

// Connection, login and bindery (NcpConnectionHandlers.cpp).
Answer NegotiateBufferSize(Connection& connection, const Ncp::ParsedRequest& request);
Answer BigPacketMaxSize(Connection& connection, const Ncp::ParsedRequest& request);
Answer Logout(Connection& connection, const Ncp::ParsedRequest& request);
Answer GetFileServerInformation(Connection& connection, const Ncp::ParsedRequest& request);
Answer GetLoginKey(Connection& connection, const Ncp::ParsedRequest& request);
Answer KeyedObjectLogin(Connection& connection, const Ncp::ParsedRequest& request);
Answer GetBinderyObjectId(Connection& connection, const Ncp::ParsedRequest& request);
Answer GetBinderyObjectName(Connection& connection, const Ncp::ParsedRequest& request);
Answer GetStationLoggedInfo(Connection& connection, const Ncp::ParsedRequest& request);
Answer ConnectionInformation(Connection& connection, const Ncp::ParsedRequest& request);
Answer CheckConsolePrivileges(Connection& connection, const Ncp::ParsedRequest& request);

// NCP extensions and NLMs (NcpExtensionHandlers.cpp).
Answer ScanExtensions(Connection& connection, const Ncp::ParsedRequest& request);
Answer ExtensionInfoByName(Connection& connection, const Ncp::ParsedRequest& request);
Answer ExtensionInfoByNumber(Connection& connection, const Ncp::ParsedRequest& request);
Answer ExecuteExtension(Connection& connection, const Ncp::ParsedRequest& request);
// The largest reply data a 37 request can bring: what its maximum reply allows (simple form), one reply
// fragment (fragmented form).
std::size_t ExecuteExtensionReplyBound(const Ncp::ParsedRequest& request);
Answer LoadNlm(Connection& connection, const Ncp::ParsedRequest& request);
Answer UnloadNlm(Connection& connection, const Ncp::ParsedRequest& request);

// Directory services (NcpDirectoryHandlers.cpp).
Answer PingDirectoryServices(Connection& connection, const Ncp::ParsedRequest& request);
Answer GetBinderyContext(Connection& connection, const Ncp::ParsedRequest& request);
Answer DirectoryServicesFragment(Connection& connection, const Ncp::ParsedRequest& request);

// Files (NcpFileHandlers.cpp).
Answer OpenCreateFile(Connection& connection, const Ncp::ParsedRequest& request);
Answer WriteFile(Connection& connection, const Ncp::ParsedRequest& request);
Answer ReadFile(Connection& connection, const Ncp::ParsedRequest& request);
Answer CloseFile(Connection& connection, const Ncp::ParsedRequest& request);
Answer ModifyDosInformation(Connection& connection, const Ncp::ParsedRequest& request);
Answer RenameOrMove(Connection& connection, const Ncp::ParsedRequest& request);
Answer DeleteFile(Connection& connection, const Ncp::ParsedRequest& request);

} // namespace Emulator::NcpHandlers
