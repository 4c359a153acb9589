#pragma once

#include "ncp/Bytes.h"
#include "ncp/Functions.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// File calls: the handle/path structure of function 87, 87/01 open/create, 87/04 rename or move, 87/07 modify
// DOS information, 87/08 delete, and the old-style handle calls 66 close, 72 read, 73 write.
namespace Ncp {

// Handle flag of a handle/path structure.
inline constexpr std::uint8_t HandleFlagShortHandle = 0x00; // the first byte of directoryBase is a dir handle
inline constexpr std::uint8_t HandleFlagDirectoryBase = 0x01; // volume and directoryBase are valid
inline constexpr std::uint8_t HandleFlagNone = 0xFF;          // the volume is the first path component

inline constexpr std::size_t MaxPathComponents = 255;
inline constexpr std::size_t MaxPathComponentLength = 255;

// The handle/path structure: volume, LE32 directory base, handle flag, component count, nstring8 components.
struct HandlePath {
    std::uint8_t volume = 0;
    std::uint32_t directoryBase = 0;
    std::uint8_t handleFlag = HandleFlagNone;
    std::vector<std::string> components;

    friend bool operator==(const HandlePath&, const HandlePath&) = default;
};

// "SYS:SYSTEM\NAME.NLM" (or with '/') as a flag-0xFF structure: volume "SYS", then each directory and the
// name. Nothing when the text has no "VOLUME:" prefix, an empty component, or a component or count over the
// limits.
std::optional<HandlePath> HandlePathFromText(std::string_view text);
// The components as "VOLUME:DIR\NAME" (flag 0xFF) or "DIR\NAME" (other flags).
std::string HandlePathText(const HandlePath& path);

// DOS date and time as NetWare stores them: date = (year-1980)<<9 | month<<5 | day,
// time = hour<<11 | minute<<5 | second/2.
struct DosDateTime {
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    friend bool operator==(const DosDateTime&, const DosDateTime&) = default;
};
struct CivilTime {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0; // even seconds survive the round trip; odd ones lose one
    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};
// Nothing for years outside 1980..2107 or fields out of range.
std::optional<DosDateTime> ToDosDateTime(const CivilTime& time);
CivilTime FromDosDateTime(const DosDateTime& value);

// The 6-byte handle of the old-style calls: LE16((H+1) & 0xFFFF), then LE32(H). Readers key on bytes 2..5.
std::array<std::uint8_t, 6> SixByteHandle(std::uint32_t handle);
std::uint32_t HandleFromSixBytes(std::span<const std::uint8_t, 6> bytes);

// Open/create modes of 87/01.
inline constexpr std::uint8_t OpenModeOpen = 0x01;
inline constexpr std::uint8_t OpenModeReplace = 0x02; // truncate an existing file
inline constexpr std::uint8_t OpenModeCreate = 0x08;
// Desired access rights of 87/01.
inline constexpr std::uint16_t AccessRead = 0x0001;
inline constexpr std::uint16_t AccessWrite = 0x0002;
// Search attributes: all files including system and hidden ones.
inline constexpr std::uint16_t SearchAllFiles = 0x8006;
// File attribute: archive needed.
inline constexpr std::uint32_t AttributeArchive = 0x00000020;
// Open/create actions (bits) of the 87/01 reply.
inline constexpr std::uint8_t ActionOpened = 0x01;
inline constexpr std::uint8_t ActionCreated = 0x02;
inline constexpr std::uint8_t ActionReplaced = 0x04;

// 87/01 Open/Create File or Subdirectory -> OpenCreateFileReply.
struct OpenCreateFileRequest {
    static constexpr CallId Id = Calls::OpenCreateFile;
    std::uint8_t nameSpace = 0;
    std::uint8_t openCreateMode = OpenModeOpen;
    std::uint16_t searchAttributes = SearchAllFiles;
    std::uint32_t returnInfoMask = 0;
    std::uint32_t createAttributes = 0;
    std::uint16_t desiredAccessRights = AccessRead;
    HandlePath path;
    friend bool operator==(const OpenCreateFileRequest&, const OpenCreateFileRequest&) = default;
};
// LE32 file handle, action, reserved byte, then the information the return-info mask asked for (kept raw).
struct OpenCreateFileReply {
    std::uint32_t fileHandle = 0;
    std::uint8_t openCreateAction = 0;
    std::vector<std::uint8_t> information;
    friend bool operator==(const OpenCreateFileReply&, const OpenCreateFileReply&) = default;
};

// 87/04 Rename or Move: name space, rename flag, LE16 search attributes, the source and destination
// structures' fixed parts (volume, base, flag, count each), then the source components, then the destination
// components -> EmptyReply.
struct RenameOrMoveRequest {
    static constexpr CallId Id = Calls::RenameOrMove;
    std::uint8_t nameSpace = 0;
    std::uint8_t renameFlag = 0;
    std::uint16_t searchAttributes = SearchAllFiles;
    HandlePath source;
    HandlePath destination;
    friend bool operator==(const RenameOrMoveRequest&, const RenameOrMoveRequest&) = default;
};

// Modify-mask bits of 87/07.
inline constexpr std::uint32_t ModifyAttributes = 0x0002;
inline constexpr std::uint32_t ModifyCreationDate = 0x0004;
inline constexpr std::uint32_t ModifyCreationTime = 0x0008;
inline constexpr std::uint32_t ModifyModifyDate = 0x0100;
inline constexpr std::uint32_t ModifyModifyTime = 0x0200;

// 87/07 Modify File or Subdirectory DOS Information -> EmptyReply. Dates and times LE16, IDs BE32.
struct ModifyDosInformationRequest {
    static constexpr CallId Id = Calls::ModifyDosInformation;
    std::uint8_t nameSpace = 0;
    std::uint16_t searchAttributes = SearchAllFiles;
    std::uint32_t modifyMask = 0;
    std::uint32_t attributes = 0;
    DosDateTime creation;
    std::uint32_t creatorId = 0;
    DosDateTime modification;
    std::uint32_t modifierId = 0;
    DosDateTime archive;
    std::uint32_t archiverId = 0;
    std::uint16_t lastAccessDate = 0;
    std::uint16_t inheritedRightsGrant = 0;
    std::uint16_t inheritedRightsRevoke = 0;
    std::uint32_t maxSpace = 0;
    HandlePath path;
    friend bool operator==(const ModifyDosInformationRequest&, const ModifyDosInformationRequest&) = default;
};

// 87/08 Delete a File or Subdirectory: name space, reserved, LE16 search attributes, handle/path ->
// EmptyReply.
struct DeleteFileRequest {
    static constexpr CallId Id = Calls::DeleteFile;
    std::uint8_t nameSpace = 0;
    std::uint16_t searchAttributes = SearchAllFiles;
    HandlePath path;
    friend bool operator==(const DeleteFileRequest&, const DeleteFileRequest&) = default;
};

// 66 Close File: reserved byte, 6-byte handle -> EmptyReply.
struct CloseFileRequest {
    static constexpr CallId Id = Calls::CloseFile;
    std::uint32_t fileHandle = 0;
    friend bool operator==(const CloseFileRequest&, const CloseFileRequest&) = default;
};

// 73 Write to File: reserved byte, 6-byte handle, BE32 offset, BE16 count, data -> EmptyReply.
struct WriteFileRequest {
    static constexpr CallId Id = Calls::WriteFile;
    std::uint32_t fileHandle = 0;
    std::uint32_t offset = 0;
    std::vector<std::uint8_t> data;
    friend bool operator==(const WriteFileRequest&, const WriteFileRequest&) = default;
};

// 72 Read from File: reserved byte, 6-byte handle, BE32 offset, BE16 count -> ReadFileReply.
struct ReadFileRequest {
    static constexpr CallId Id = Calls::ReadFile;
    std::uint32_t fileHandle = 0;
    std::uint32_t offset = 0;
    std::uint16_t count = 0;
    friend bool operator==(const ReadFileRequest&, const ReadFileRequest&) = default;
};
// BE16 count, one pad byte when the read started at an odd offset, the data.
struct ReadFileReply {
    bool oddOffset = false; // not on the wire: set from the request before building or parsing
    std::vector<std::uint8_t> data;
    friend bool operator==(const ReadFileReply&, const ReadFileReply&) = default;
};

bool BuildRequestData(const OpenCreateFileRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, OpenCreateFileRequest& request);
bool BuildReplyData(const OpenCreateFileReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, OpenCreateFileReply& reply);

bool BuildRequestData(const RenameOrMoveRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, RenameOrMoveRequest& request);

bool BuildRequestData(const ModifyDosInformationRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, ModifyDosInformationRequest& request);

bool BuildRequestData(const DeleteFileRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, DeleteFileRequest& request);

bool BuildRequestData(const CloseFileRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, CloseFileRequest& request);

bool BuildRequestData(const WriteFileRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, WriteFileRequest& request);

bool BuildRequestData(const ReadFileRequest& request, ByteWriter& out);
bool ParseRequestData(std::span<const std::uint8_t> data, ReadFileRequest& request);
bool BuildReplyData(const ReadFileReply& reply, ByteWriter& out);
bool ParseReplyData(std::span<const std::uint8_t> data, ReadFileReply& reply);

} // namespace Ncp
