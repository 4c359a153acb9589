#pragma once

#include "ncp/Bytes.h"
#include "ncp/Functions.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Directory-services calls of function 104: ping (tree name), the bindery context, and single-fragment
// directory-services messages (104/02) for the two verbs the program needs: the directory name of an entry ID
// and the server's own directory name. Directory-services fields are little-endian; names travel as
// length-prefixed UTF-16LE and are exposed here as 8-bit text (characters above 0xFF become '?').
namespace Ncp {

// Longest tree name (ping) and directory name (context, entry and server names) this library builds.
inline constexpr std::size_t MaxTreeNameLength = 32;
inline constexpr std::size_t MaxDirectoryNameLength = 256;

// 104/01 Ping for NDS: three zero bytes (servers accept any data) -> PingDirectoryServicesReply.
struct PingDirectoryServicesRequest {
    static constexpr CallId Id = Calls::PingDirectoryServices;
    friend bool operator==(const PingDirectoryServicesRequest&,
                           const PingDirectoryServicesRequest&) = default;
};
// LE32 ping version 9, LE32 tree-name length (with its NUL), the tree name padded with '_' to 32 bytes and
// its NUL, then BE32 depth, BE32 revision, LE32 flags (zero here). A bindery-only server answers 104 with
// completion 0xFB instead.
struct PingDirectoryServicesReply {
    std::uint32_t pingVersion = 9;
    std::string treeName; // without NUL and '_' padding
    friend bool operator==(const PingDirectoryServicesReply&, const PingDirectoryServicesReply&) = default;
};

// 104/04 Return Bindery Context: no data -> BinderyContextReply.
struct BinderyContextRequest {
    static constexpr CallId Id = Calls::GetBinderyContext;
    friend bool operator==(const BinderyContextRequest&, const BinderyContextRequest&) = default;
};
// Built as LE32 byte length + UTF-16LE text; parsed from that or from an nstring8 of 8-bit text.
struct BinderyContextReply {
    std::string context; // "OU=SALES.O=ACME"
    friend bool operator==(const BinderyContextReply&, const BinderyContextReply&) = default;
};

// Directory-services verbs this library carries.
inline constexpr std::uint32_t VerbReadEntryInfo = 2;
inline constexpr std::uint32_t VerbGetServerAddress = 53;
// Entry-information flag asking for the entry's distinguished name.
inline constexpr std::uint32_t EntryInfoDistinguishedName = 0x00002000;

// A 104/02 request that fits one fragment: LE32 fragment handle 0xFFFFFFFF, LE32 maximum fragment size,
// LE32 message size (of everything after it), LE32 flags, LE32 verb, LE32 reply buffer size, verb data.
inline constexpr std::uint32_t NoFragmentHandle = 0xFFFFFFFF;
struct DirectoryServicesRequest {
    static constexpr CallId Id = Calls::DirectoryServicesFragment;
    std::uint32_t fragmentHandle = NoFragmentHandle;
    std::uint32_t maxFragmentSize = 0;
    std::uint32_t flags = 0;
    std::uint32_t verb = 0;
    std::uint32_t replyBufferSize = 0;
    std::vector<std::uint8_t> verbData;
    friend bool operator==(const DirectoryServicesRequest&, const DirectoryServicesRequest&) = default;
};
// The reply to a single-fragment message: LE32 fragment size (of everything after it), LE32 fragment handle
// (0xFFFFFFFF: no more fragments), LE32 directory-services completion code (0 = success), verb reply data.
struct DirectoryServicesReply {
    std::uint32_t fragmentHandle = NoFragmentHandle;
    std::uint32_t completionCode = 0;
    std::vector<std::uint8_t> verbData;
    friend bool operator==(const DirectoryServicesReply&, const DirectoryServicesReply&) = default;
};

// Verb 2 Read Entry Info, asking for the distinguished name of an entry ID. Verb data by version:
// 0: entry ID; 1: name flags, entry ID; 2: name flags, information flags, entry ID (all LE32, after the
// LE32 version). The reply carries the fields the information flags ask for; this library answers and reads
// only EntryInfoDistinguishedName: LE32 byte length, UTF-16LE name with its NUL, padding to 4 bytes.
struct ReadEntryNameRequest {
    std::uint32_t version = 2;
    std::uint32_t nameFlags = 0;
    std::uint32_t infoFlags = EntryInfoDistinguishedName;
    std::uint32_t entryId = 0;
    friend bool operator==(const ReadEntryNameRequest&, const ReadEntryNameRequest&) = default;
};
struct ReadEntryNameReply {
    std::string distinguishedName; // "CN=ADMIN.O=ACME"
    friend bool operator==(const ReadEntryNameReply&, const ReadEntryNameReply&) = default;
};
// Verb 53 Get Server Address: no verb data -> LE32 byte length, UTF-16LE server name with its NUL, padding
// to 4 bytes, LE32 count of referral addresses (this library sends none and skips any it receives).
struct ServerAddressRequest {
    friend bool operator==(const ServerAddressRequest&, const ServerAddressRequest&) = default;
};
struct ServerAddressReply {
    std::string serverName; // "CN=ATLAS.O=ACME"
    friend bool operator==(const ServerAddressReply&, const ServerAddressReply&) = default;
};

bool BuildRequestData(const PingDirectoryServicesRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, PingDirectoryServicesRequest& request);
bool BuildReplyData(const PingDirectoryServicesReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, PingDirectoryServicesReply& reply);

bool BuildRequestData(const BinderyContextRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, BinderyContextRequest& request);
bool BuildReplyData(const BinderyContextReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, BinderyContextReply& reply);

bool BuildRequestData(const DirectoryServicesRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, DirectoryServicesRequest& request);
bool BuildReplyData(const DirectoryServicesReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, DirectoryServicesReply& reply);

// The verb data inside DirectoryServicesRequest::verbData / DirectoryServicesReply::verbData.
bool BuildVerbData(const ReadEntryNameRequest& request, ByteWriter& out);
bool ParseVerbData(std::span<const std::uint8_t> data, ReadEntryNameRequest& request);
bool BuildVerbData(const ReadEntryNameReply& reply, ByteWriter& out);
bool ParseVerbData(std::span<const std::uint8_t> data, ReadEntryNameReply& reply);
bool BuildVerbData(const ServerAddressRequest& request, ByteWriter& out);
bool ParseVerbData(std::span<const std::uint8_t> data, ServerAddressRequest& request);
bool BuildVerbData(const ServerAddressReply& reply, ByteWriter& out);
bool ParseVerbData(std::span<const std::uint8_t> data, ServerAddressReply& reply);

} // namespace Ncp
