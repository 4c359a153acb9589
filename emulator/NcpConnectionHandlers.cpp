#include "emulator/NcpHandlers.h"

#include "ncp/BinderyCodecs.h"
#include "ncp/CompletionCodes.h"
#include "ncp/ConnectionCodecs.h"

#include <ctime>

namespace Emulator::NcpHandlers {

namespace {
Ncp::LoginTime LoginTimeOf(std::chrono::system_clock::time_point time) {
    // A NetWare server keeps local time.
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    Ncp::LoginTime login;
    login.year = static_cast<std::uint16_t>(local.tm_year + 1900);
    login.month = static_cast<std::uint8_t>(local.tm_mon + 1);
    login.day = static_cast<std::uint8_t>(local.tm_mday);
    login.hour = static_cast<std::uint8_t>(local.tm_hour);
    login.minute = static_cast<std::uint8_t>(local.tm_min);
    login.second = static_cast<std::uint8_t>(local.tm_sec);
    login.dayOfWeek = static_cast<std::uint8_t>(local.tm_wday);
    return login;
}

// Who is logged in on a connection. Before its own login a connection may ask only about itself.
Answer StationInfo(Connection& connection, std::uint32_t station) {
    if (station != connection.number && !connection.LoggedIn())
        return Fail(NotLoggedIn);
    const auto userId = connection.server.UserOnConnection(station);
    if (!userId)
        return Fail(BadStationNumber);
    Ncp::StationLoggedInfoReply reply;
    if (const ServerObject* user = connection.server.FindObject(*userId); user != nullptr) {
        reply.objectId = user->id;
        reply.objectType = user->type;
        reply.objectName = user->binderyName;
        reply.loginTime = LoginTimeOf(connection.server.LoginTime(station).value_or(connection.server.Now()));
    }
    return Encode(reply);
}

Answer ObjectReply(const ServerObject& object) {
    return Encode(Ncp::BinderyObjectReply{object.id, object.type, object.binderyName});
}
} // namespace

Answer NegotiateBufferSize(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::NegotiateBufferSizeRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    connection.bufferSize = Ncp::AcceptedBufferSize(parsed->proposedSize, connection.maxBufferSize);
    return Encode(Ncp::NegotiateBufferSizeReply{connection.bufferSize});
}

// Big packets up to the server's largest buffer, without signatures or checksums; writes and reads of that
// size go through.
Answer BigPacketMaxSize(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::BigPacketMaxSizeRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    connection.bufferSize = Ncp::AcceptedBufferSize(parsed->proposedSize, connection.maxBufferSize);
    return Encode(Ncp::BigPacketMaxSizeReply{connection.bufferSize, 0, 0});
}

Answer Logout(Connection& connection, const Ncp::ParsedRequest& request) {
    if (!Parse<Ncp::LogoutRequest>(request))
        return Fail(Ncp::Completion::BadLength);
    connection.Logout();
    return Encode(Ncp::EmptyReply{});
}

Answer GetFileServerInformation(Connection& connection, const Ncp::ParsedRequest& request) {
    if (!Parse<Ncp::GetFileServerInformationRequest>(request))
        return Fail(Ncp::Completion::BadLength);
    const ServerConfig& config = connection.server.Config();
    Ncp::FileServerInformationReply reply;
    reply.serverName = config.name;
    reply.osMajorVersion = config.majorVersion;
    reply.osMinorVersion = config.minorVersion;
    reply.osRevision = config.revision;
    reply.maxConnections = config.maxConnections;
    reply.connectionsInUse = static_cast<std::uint16_t>(connection.server.AttachedCount());
    reply.peakConnectionsUsed = static_cast<std::uint16_t>(connection.server.PeakConnections());
    reply.maxVolumes = static_cast<std::uint16_t>(config.volumes.size());
    reply.sftLevel = config.sftLevel;
    reply.ttsLevel = config.ttsLevel;
    reply.productMajorVersion = config.majorVersion;
    reply.productMinorVersion = config.minorVersion;
    reply.productRevision = config.revision;
    return Encode(reply);
}

Answer GetLoginKey(Connection& connection, const Ncp::ParsedRequest& request) {
    if (!Parse<Ncp::GetLoginKeyRequest>(request))
        return Fail(Ncp::Completion::BadLength);
    Ncp::LoginKey key{};
    for (std::uint8_t& byte : key)
        byte = static_cast<std::uint8_t>(connection.random());
    connection.loginKey = key;
    return Encode(Ncp::GetLoginKeyReply{key});
}

Answer KeyedObjectLogin(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::KeyedObjectLoginRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    // A key serves one attempt: a wrong guess cannot be repeated against the same key.
    const std::optional<Ncp::LoginKey> key = connection.loginKey;
    connection.loginKey.reset();
    const ServerObject* user = connection.server.FindObject(parsed->objectName, parsed->objectType);
    if (user == nullptr)
        return Fail(Ncp::Completion::NoSuchObject);
    if (connection.server.LoginLocked(user->id))
        return Fail(IntruderLockout);
    if (!key || !Ncp::SameResponse(Ncp::LoginResponseFor(*key, user->passwordHash), parsed->response)) {
        connection.server.LoginFailed(user->id);
        return Fail(Ncp::Completion::BadPassword);
    }
    connection.server.LoginSucceeded(user->id);
    connection.Logout();
    if (connection.server.UserConnectionCount(user->id) >= connection.server.Limits().connectionsPerUser)
        return Fail(ConnectionLimit);
    connection.userId = user->id;
    connection.server.SetConnectionUser(connection.number, user->id);
    return Encode(Ncp::EmptyReply{});
}

Answer GetBinderyObjectId(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::GetBinderyObjectIdRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    const ServerObject* object = connection.server.FindObject(parsed->objectName, parsed->objectType);
    return object == nullptr ? Fail(Ncp::Completion::NoSuchObject) : ObjectReply(*object);
}

Answer GetBinderyObjectName(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::GetBinderyObjectNameRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    const ServerObject* object = connection.server.FindObject(parsed->objectId);
    return object == nullptr ? Fail(Ncp::Completion::NoSuchObject) : ObjectReply(*object);
}

Answer GetStationLoggedInfo(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::GetStationLoggedInfoRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    return StationInfo(connection, parsed->connection);
}

Answer ConnectionInformation(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::ConnectionInformationRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    return StationInfo(connection, parsed->connection);
}

Answer CheckConsolePrivileges(Connection& connection, const Ncp::ParsedRequest& request) {
    if (!Parse<Ncp::CheckConsolePrivilegesRequest>(request))
        return Fail(Ncp::Completion::BadLength);
    return connection.ConsoleOperator() ? Encode(Ncp::EmptyReply{}) : Fail(Ncp::Completion::NoConsoleRights);
}

} // namespace Emulator::NcpHandlers
