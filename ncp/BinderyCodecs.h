#pragma once

#include "ncp/Bytes.h"
#include "ncp/Functions.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

// Bindery calls of function 23: login key, object ID and name, keyed login, file-server information,
// station's logged info, console privileges. Each call has build/parse of its request data (what follows the
// subfunction byte) and of its reply data (what follows the reply header). Bindery fields are big-endian.
namespace Ncp {

// A bindery object name has at most 47 bytes (48-byte fields keep a NUL). Building refuses longer names.
inline constexpr std::size_t MaxBinderyNameLength = 47;
inline constexpr std::size_t BinderyNameFieldSize = 48;

// Bindery object types.
inline constexpr std::uint16_t ObjectTypeUser = 0x0001;
inline constexpr std::uint16_t ObjectTypeFileServer = 0x0004;

// 23/23 Get Login Key: no data -> 8 key bytes.
struct GetLoginKeyRequest {
    static constexpr CallId Id = Calls::GetLoginKey;
    friend bool operator==(const GetLoginKeyRequest&, const GetLoginKeyRequest&) = default;
};
struct GetLoginKeyReply {
    std::array<std::uint8_t, 8> key{};
    friend bool operator==(const GetLoginKeyReply&, const GetLoginKeyReply&) = default;
};

// A bindery object as 23/53 and 23/54 answer it: BE32 ID, BE16 type, 48-byte NUL-padded name.
struct BinderyObjectReply {
    std::uint32_t objectId = 0;
    std::uint16_t objectType = 0;
    std::string objectName;
    friend bool operator==(const BinderyObjectReply&, const BinderyObjectReply&) = default;
};

// 23/53 Get Bindery Object ID: BE16 type, nstring8 name -> BinderyObjectReply.
struct GetBinderyObjectIdRequest {
    static constexpr CallId Id = Calls::GetBinderyObjectId;
    std::uint16_t objectType = ObjectTypeUser;
    std::string objectName;
    friend bool operator==(const GetBinderyObjectIdRequest&, const GetBinderyObjectIdRequest&) = default;
};

// 23/54 Get Bindery Object Name: BE32 ID -> BinderyObjectReply.
struct GetBinderyObjectNameRequest {
    static constexpr CallId Id = Calls::GetBinderyObjectName;
    std::uint32_t objectId = 0;
    friend bool operator==(const GetBinderyObjectNameRequest&, const GetBinderyObjectNameRequest&) = default;
};

// 23/24 Keyed Object Login: 8-byte encrypted response, BE16 type, nstring8 name -> EmptyReply.
struct KeyedObjectLoginRequest {
    static constexpr CallId Id = Calls::KeyedObjectLogin;
    std::array<std::uint8_t, 8> response{};
    std::uint16_t objectType = ObjectTypeUser;
    std::string objectName;
    friend bool operator==(const KeyedObjectLoginRequest&, const KeyedObjectLoginRequest&) = default;
};

// 23/17 Get File Server Information: no data -> 128 bytes.
struct GetFileServerInformationRequest {
    static constexpr CallId Id = Calls::GetFileServerInformation;
    friend bool operator==(const GetFileServerInformationRequest&,
                           const GetFileServerInformationRequest&) = default;
};
struct FileServerInformationReply {
    static constexpr std::size_t Size = 128;
    std::string serverName; // 48-byte NUL-padded field
    std::uint8_t osMajorVersion = 0;
    std::uint8_t osMinorVersion = 0;
    std::uint16_t maxConnections = 0;
    std::uint16_t connectionsInUse = 0;
    std::uint16_t maxVolumes = 0;
    std::uint8_t osRevision = 0;
    std::uint8_t sftLevel = 0;
    std::uint8_t ttsLevel = 0;
    std::uint16_t peakConnectionsUsed = 0;
    std::uint8_t accountingVersion = 0;
    std::uint8_t vapVersion = 0;
    std::uint8_t queueingVersion = 0;
    std::uint8_t printServerVersion = 0;
    std::uint8_t virtualConsoleVersion = 0;
    std::uint8_t securityRestrictionLevel = 0;
    std::uint8_t internetBridgeVersion = 0;
    std::uint8_t mixedModePathFlag = 0;
    std::uint8_t localLoginInfoCcode = 0;
    std::uint16_t productMajorVersion = 0;
    std::uint16_t productMinorVersion = 0;
    std::uint16_t productRevision = 0;
    std::uint8_t osLanguageId = 0;
    std::uint8_t largeFileSupport = 0; // 64-bit offsets supported
    std::array<std::uint8_t, 50> reserved{};
    friend bool operator==(const FileServerInformationReply&, const FileServerInformationReply&) = default;
};

// Login time as 23/22 and 23/28 answer it: 7 bytes year-1900, month, day, hour, minute, second, day of week.
struct LoginTime {
    std::uint16_t year = 1980;
    std::uint8_t month = 1;
    std::uint8_t day = 1;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    std::uint8_t dayOfWeek = 0; // 0 = Sunday

    friend bool operator==(const LoginTime&, const LoginTime&) = default;
};

// 23/28 Get Station's Logged Info: LE32 connection number -> StationLoggedInfoReply.
struct GetStationLoggedInfoRequest {
    static constexpr CallId Id = Calls::GetStationLoggedInfo;
    std::uint32_t connection = 0;
    friend bool operator==(const GetStationLoggedInfoRequest&, const GetStationLoggedInfoRequest&) = default;
};
// 23/22 Get Connection Information: one-byte connection number -> StationLoggedInfoReply.
struct ConnectionInformationRequest {
    static constexpr CallId Id = Calls::ConnectionInformation;
    std::uint8_t connection = 0;
    friend bool operator==(const ConnectionInformationRequest&,
                           const ConnectionInformationRequest&) = default;
};
// 62 bytes: BE32 object ID, BE16 type, 48-byte name, 7-byte login time, 1 reserved byte.
// An ID of 0 with an empty name means nobody is logged in on that connection.
struct StationLoggedInfoReply {
    static constexpr std::size_t Size = 62;
    std::uint32_t objectId = 0;
    std::uint16_t objectType = 0;
    std::string objectName;
    LoginTime loginTime;
    friend bool operator==(const StationLoggedInfoReply&, const StationLoggedInfoReply&) = default;
};

// 23/200 Check Console Privileges: no data -> EmptyReply; completion 0xC6 says "no console rights".
struct CheckConsolePrivilegesRequest {
    static constexpr CallId Id = Calls::CheckConsolePrivileges;
    friend bool operator==(const CheckConsolePrivilegesRequest&,
                           const CheckConsolePrivilegesRequest&) = default;
};

bool BuildRequestData(const GetLoginKeyRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, GetLoginKeyRequest& request);
bool BuildReplyData(const GetLoginKeyReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, GetLoginKeyReply& reply);

bool BuildRequestData(const GetBinderyObjectIdRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, GetBinderyObjectIdRequest& request);
bool BuildRequestData(const GetBinderyObjectNameRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, GetBinderyObjectNameRequest& request);
bool BuildReplyData(const BinderyObjectReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, BinderyObjectReply& reply);

bool BuildRequestData(const KeyedObjectLoginRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, KeyedObjectLoginRequest& request);

bool BuildRequestData(const GetFileServerInformationRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, GetFileServerInformationRequest& request);
bool BuildReplyData(const FileServerInformationReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, FileServerInformationReply& reply);

bool BuildRequestData(const GetStationLoggedInfoRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, GetStationLoggedInfoRequest& request);
bool BuildRequestData(const ConnectionInformationRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, ConnectionInformationRequest& request);
bool BuildReplyData(const StationLoggedInfoReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, StationLoggedInfoReply& reply);

bool BuildRequestData(const CheckConsolePrivilegesRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, CheckConsolePrivilegesRequest& request);

} // namespace Ncp
