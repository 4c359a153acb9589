#include "ncp/BinderyCodecs.h"

#include <algorithm>

// Requests are parsed strictly (every byte accounted for, names within the bindery limit); replies may carry
// trailing bytes.
namespace Ncp {

namespace {

bool FitsBinderyName(const std::string& name) {
    return name.size() <= MaxBinderyNameLength;
}

// A bindery name as nstring8; false for a name the bindery cannot hold.
bool WriteName(const std::string& name, ByteWriter& out) {
    if (!FitsBinderyName(name))
        return false;
    out.NString8(name);
    return true;
}

bool ReadName(ByteReader& in, std::string& name) {
    name = in.NString8();
    return in.Ok() && FitsBinderyName(name);
}

// The 48-byte NUL-padded name field of replies; the NUL must fit.
bool WriteNameField(const std::string& name, ByteWriter& out) {
    if (!FitsBinderyName(name))
        return false;
    out.Fixed(name, BinderyNameFieldSize);
    return true;
}

template <std::size_t N> void ReadArray(ByteReader& in, std::array<std::uint8_t, N>& target) {
    const auto bytes = in.Bytes(N);
    if (bytes.size() == N)
        std::copy(bytes.begin(), bytes.end(), target.begin());
}

} // namespace

bool BuildRequestData(const GetLoginKeyRequest&, ByteWriter&) {
    return true;
}
bool ParseRequestData(std::span<const std::uint8_t> data, GetLoginKeyRequest&) {
    return data.empty();
}

bool BuildReplyData(const GetLoginKeyReply& reply, ByteWriter& out) {
    out.Bytes(reply.key);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, GetLoginKeyReply& reply) {
    ByteReader in(data);
    ReadArray(in, reply.key);
    return in.Ok();
}

bool BuildRequestData(const GetBinderyObjectIdRequest& request, ByteWriter& out) {
    if (!FitsBinderyName(request.objectName))
        return false;
    out.BE16(request.objectType);
    return WriteName(request.objectName, out);
}

bool ParseRequestData(std::span<const std::uint8_t> data, GetBinderyObjectIdRequest& request) {
    ByteReader in(data);
    request.objectType = in.BE16();
    return ReadName(in, request.objectName) && in.AtEnd();
}

bool BuildRequestData(const GetBinderyObjectNameRequest& request, ByteWriter& out) {
    out.BE32(request.objectId);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, GetBinderyObjectNameRequest& request) {
    ByteReader in(data);
    request.objectId = in.BE32();
    return in.AtEnd();
}

bool BuildReplyData(const BinderyObjectReply& reply, ByteWriter& out) {
    if (!FitsBinderyName(reply.objectName))
        return false;
    out.BE32(reply.objectId);
    out.BE16(reply.objectType);
    return WriteNameField(reply.objectName, out);
}

bool ParseReplyData(std::span<const std::uint8_t> data, BinderyObjectReply& reply) {
    ByteReader in(data);
    reply.objectId = in.BE32();
    reply.objectType = in.BE16();
    reply.objectName = in.Fixed(BinderyNameFieldSize);
    return in.Ok();
}

bool BuildRequestData(const KeyedObjectLoginRequest& request, ByteWriter& out) {
    if (!FitsBinderyName(request.objectName))
        return false;
    out.Bytes(request.response);
    out.BE16(request.objectType);
    return WriteName(request.objectName, out);
}

bool ParseRequestData(std::span<const std::uint8_t> data, KeyedObjectLoginRequest& request) {
    ByteReader in(data);
    ReadArray(in, request.response);
    request.objectType = in.BE16();
    return ReadName(in, request.objectName) && in.AtEnd();
}

bool BuildRequestData(const GetFileServerInformationRequest&, ByteWriter&) {
    return true;
}
bool ParseRequestData(std::span<const std::uint8_t> data, GetFileServerInformationRequest&) {
    return data.empty();
}

bool BuildReplyData(const FileServerInformationReply& reply, ByteWriter& out) {
    if (!FitsBinderyName(reply.serverName))
        return false;
    out.Fixed(reply.serverName, BinderyNameFieldSize);
    out.U8(reply.osMajorVersion);
    out.U8(reply.osMinorVersion);
    out.BE16(reply.maxConnections);
    out.BE16(reply.connectionsInUse);
    out.BE16(reply.maxVolumes);
    out.U8(reply.osRevision);
    out.U8(reply.sftLevel);
    out.U8(reply.ttsLevel);
    out.BE16(reply.peakConnectionsUsed);
    out.U8(reply.accountingVersion);
    out.U8(reply.vapVersion);
    out.U8(reply.queueingVersion);
    out.U8(reply.printServerVersion);
    out.U8(reply.virtualConsoleVersion);
    out.U8(reply.securityRestrictionLevel);
    out.U8(reply.internetBridgeVersion);
    out.U8(reply.mixedModePathFlag);
    out.U8(reply.localLoginInfoCcode);
    out.BE16(reply.productMajorVersion);
    out.BE16(reply.productMinorVersion);
    out.BE16(reply.productRevision);
    out.U8(reply.osLanguageId);
    out.U8(reply.largeFileSupport);
    out.Bytes(reply.reserved);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, FileServerInformationReply& reply) {
    ByteReader in(data);
    reply.serverName = in.Fixed(BinderyNameFieldSize);
    reply.osMajorVersion = in.U8();
    reply.osMinorVersion = in.U8();
    reply.maxConnections = in.BE16();
    reply.connectionsInUse = in.BE16();
    reply.maxVolumes = in.BE16();
    reply.osRevision = in.U8();
    reply.sftLevel = in.U8();
    reply.ttsLevel = in.U8();
    reply.peakConnectionsUsed = in.BE16();
    reply.accountingVersion = in.U8();
    reply.vapVersion = in.U8();
    reply.queueingVersion = in.U8();
    reply.printServerVersion = in.U8();
    reply.virtualConsoleVersion = in.U8();
    reply.securityRestrictionLevel = in.U8();
    reply.internetBridgeVersion = in.U8();
    reply.mixedModePathFlag = in.U8();
    reply.localLoginInfoCcode = in.U8();
    reply.productMajorVersion = in.BE16();
    reply.productMinorVersion = in.BE16();
    reply.productRevision = in.BE16();
    reply.osLanguageId = in.U8();
    reply.largeFileSupport = in.U8();
    ReadArray(in, reply.reserved);
    return in.Ok();
}

bool BuildRequestData(const GetStationLoggedInfoRequest& request, ByteWriter& out) {
    out.LE32(request.connection);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, GetStationLoggedInfoRequest& request) {
    ByteReader in(data);
    request.connection = in.LE32();
    return in.AtEnd();
}

bool BuildRequestData(const ConnectionInformationRequest& request, ByteWriter& out) {
    out.U8(request.connection);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, ConnectionInformationRequest& request) {
    ByteReader in(data);
    request.connection = in.U8();
    return in.AtEnd();
}

bool BuildReplyData(const StationLoggedInfoReply& reply, ByteWriter& out) {
    const LoginTime& time = reply.loginTime;
    if (!FitsBinderyName(reply.objectName) || time.year < 1900 || time.year > 1900 + 255)
        return false;
    out.BE32(reply.objectId);
    out.BE16(reply.objectType);
    out.Fixed(reply.objectName, BinderyNameFieldSize);
    out.U8(static_cast<std::uint8_t>(time.year - 1900));
    out.U8(time.month);
    out.U8(time.day);
    out.U8(time.hour);
    out.U8(time.minute);
    out.U8(time.second);
    out.U8(time.dayOfWeek);
    out.U8(0); // reserved
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, StationLoggedInfoReply& reply) {
    ByteReader in(data);
    reply.objectId = in.BE32();
    reply.objectType = in.BE16();
    reply.objectName = in.Fixed(BinderyNameFieldSize);
    LoginTime& time = reply.loginTime;
    time.year = static_cast<std::uint16_t>(1900 + in.U8());
    time.month = in.U8();
    time.day = in.U8();
    time.hour = in.U8();
    time.minute = in.U8();
    time.second = in.U8();
    time.dayOfWeek = in.U8();
    in.Skip(1);
    return in.Ok();
}

bool BuildRequestData(const CheckConsolePrivilegesRequest&, ByteWriter&) {
    return true;
}
bool ParseRequestData(std::span<const std::uint8_t> data, CheckConsolePrivilegesRequest&) {
    return data.empty();
}

} // namespace Ncp
