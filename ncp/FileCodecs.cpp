#include "ncp/FileCodecs.h"

// Requests are parsed strictly (every byte accounted for); replies may carry trailing bytes.
namespace Ncp {

namespace {

constexpr std::uint8_t Reserved = 0;

bool FitsLimits(const HandlePath& path) {
    if (path.components.size() > MaxPathComponents)
        return false;
    for (const std::string& component : path.components)
        if (component.size() > MaxPathComponentLength)
            return false;
    return true;
}

// The fixed part of a handle/path structure: volume, base, flag, component count.
void WritePathHead(const HandlePath& path, ByteWriter& out) {
    out.U8(path.volume);
    out.LE32(path.directoryBase);
    out.U8(path.handleFlag);
    out.U8(static_cast<std::uint8_t>(path.components.size()));
}

void WriteComponents(const HandlePath& path, ByteWriter& out) {
    for (const std::string& component : path.components)
        out.NString8(component);
}

// Reads the fixed part; the count sizes components, which ReadComponents fills.
void ReadPathHead(ByteReader& in, HandlePath& path) {
    path.volume = in.U8();
    path.directoryBase = in.LE32();
    path.handleFlag = in.U8();
    path.components.assign(in.U8(), std::string());
}

void ReadComponents(ByteReader& in, HandlePath& path) {
    for (std::string& component : path.components)
        component = in.NString8();
}

bool WritePath(const HandlePath& path, ByteWriter& out) {
    if (!FitsLimits(path))
        return false;
    WritePathHead(path, out);
    WriteComponents(path, out);
    return true;
}

void ReadPath(ByteReader& in, HandlePath& path) {
    ReadPathHead(in, path);
    ReadComponents(in, path);
}

void WriteSixByteHandle(std::uint32_t handle, ByteWriter& out) {
    out.U8(Reserved);
    out.Bytes(SixByteHandle(handle));
}

std::uint32_t ReadSixByteHandle(ByteReader& in) {
    in.Skip(1);
    const auto bytes = in.Bytes(6);
    if (bytes.size() != 6)
        return 0;
    return HandleFromSixBytes(bytes.first<6>());
}

void WriteDateTime(const DosDateTime& value, ByteWriter& out) {
    out.LE16(value.date);
    out.LE16(value.time);
}

DosDateTime ReadDateTime(ByteReader& in) {
    DosDateTime value;
    value.date = in.LE16();
    value.time = in.LE16();
    return value;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

} // namespace

std::optional<HandlePath> HandlePathFromText(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    HandlePath path;
    path.components.emplace_back(text.substr(0, colon));
    std::string_view rest = text.substr(colon + 1);
    if (!rest.empty() && IsSeparator(rest.front()))
        rest.remove_prefix(1);
    while (!rest.empty()) {
        std::size_t end = 0;
        while (end < rest.size() && !IsSeparator(rest[end]))
            ++end;
        if (end == 0)
            return std::nullopt;
        path.components.emplace_back(rest.substr(0, end));
        rest.remove_prefix(end);
        if (!rest.empty()) {
            rest.remove_prefix(1);
            if (rest.empty())
                return std::nullopt;
        }
    }
    if (!FitsLimits(path))
        return std::nullopt;
    return path;
}

std::string HandlePathText(const HandlePath& path) {
    std::string text;
    for (std::size_t i = 0; i < path.components.size(); ++i) {
        if (i > 0)
            text += (i == 1 && path.handleFlag == HandleFlagNone) ? ":" : "\\";
        text += path.components[i];
    }
    if (path.components.size() == 1 && path.handleFlag == HandleFlagNone)
        text += ":";
    return text;
}

std::optional<DosDateTime> ToDosDateTime(const CivilTime& time) {
    if (time.year < 1980 || time.year > 2107 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > 31 || time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59 ||
        time.second < 0 || time.second > 59)
        return std::nullopt;
    DosDateTime value;
    value.date = static_cast<std::uint16_t>(((time.year - 1980) << 9) | (time.month << 5) | time.day);
    value.time = static_cast<std::uint16_t>((time.hour << 11) | (time.minute << 5) | (time.second / 2));
    return value;
}

CivilTime FromDosDateTime(const DosDateTime& value) {
    CivilTime time;
    time.year = 1980 + (value.date >> 9);
    time.month = (value.date >> 5) & 0x0F;
    time.day = value.date & 0x1F;
    time.hour = value.time >> 11;
    time.minute = (value.time >> 5) & 0x3F;
    time.second = (value.time & 0x1F) * 2;
    return time;
}

std::array<std::uint8_t, 6> SixByteHandle(std::uint32_t handle) {
    const auto low = static_cast<std::uint16_t>(handle + 1);
    return {static_cast<std::uint8_t>(low),          static_cast<std::uint8_t>(low >> 8),
            static_cast<std::uint8_t>(handle),       static_cast<std::uint8_t>(handle >> 8),
            static_cast<std::uint8_t>(handle >> 16), static_cast<std::uint8_t>(handle >> 24)};
}

std::uint32_t HandleFromSixBytes(std::span<const std::uint8_t, 6> bytes) {
    ByteReader in(bytes.subspan<2>());
    return in.LE32();
}

bool BuildRequestData(const OpenCreateFileRequest& request, ByteWriter& out) {
    if (!FitsLimits(request.path))
        return false;
    out.U8(request.nameSpace);
    out.U8(request.openCreateMode);
    out.LE16(request.searchAttributes);
    out.LE32(request.returnInfoMask);
    out.LE32(request.createAttributes);
    out.LE16(request.desiredAccessRights);
    return WritePath(request.path, out);
}

bool ParseRequestData(std::span<const std::uint8_t> data, OpenCreateFileRequest& request) {
    ByteReader in(data);
    request.nameSpace = in.U8();
    request.openCreateMode = in.U8();
    request.searchAttributes = in.LE16();
    request.returnInfoMask = in.LE32();
    request.createAttributes = in.LE32();
    request.desiredAccessRights = in.LE16();
    ReadPath(in, request.path);
    return in.AtEnd();
}

bool BuildReplyData(const OpenCreateFileReply& reply, ByteWriter& out) {
    out.LE32(reply.fileHandle);
    out.U8(reply.openCreateAction);
    out.U8(Reserved);
    out.Bytes(reply.information);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, OpenCreateFileReply& reply) {
    ByteReader in(data);
    reply.fileHandle = in.LE32();
    reply.openCreateAction = in.U8();
    in.Skip(1);
    const auto information = in.Rest();
    reply.information.assign(information.begin(), information.end());
    return in.Ok();
}

bool BuildRequestData(const RenameOrMoveRequest& request, ByteWriter& out) {
    if (!FitsLimits(request.source) || !FitsLimits(request.destination))
        return false;
    out.U8(request.nameSpace);
    out.U8(request.renameFlag);
    out.LE16(request.searchAttributes);
    WritePathHead(request.source, out);
    WritePathHead(request.destination, out);
    WriteComponents(request.source, out);
    WriteComponents(request.destination, out);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, RenameOrMoveRequest& request) {
    ByteReader in(data);
    request.nameSpace = in.U8();
    request.renameFlag = in.U8();
    request.searchAttributes = in.LE16();
    ReadPathHead(in, request.source);
    ReadPathHead(in, request.destination);
    ReadComponents(in, request.source);
    ReadComponents(in, request.destination);
    return in.AtEnd();
}

bool BuildRequestData(const ModifyDosInformationRequest& request, ByteWriter& out) {
    if (!FitsLimits(request.path))
        return false;
    out.U8(request.nameSpace);
    out.U8(Reserved);
    out.LE16(request.searchAttributes);
    out.LE32(request.modifyMask);
    out.LE32(request.attributes);
    WriteDateTime(request.creation, out);
    out.BE32(request.creatorId);
    WriteDateTime(request.modification, out);
    out.BE32(request.modifierId);
    WriteDateTime(request.archive, out);
    out.BE32(request.archiverId);
    out.LE16(request.lastAccessDate);
    out.LE16(request.inheritedRightsGrant);
    out.LE16(request.inheritedRightsRevoke);
    out.LE32(request.maxSpace);
    return WritePath(request.path, out);
}

bool ParseRequestData(std::span<const std::uint8_t> data, ModifyDosInformationRequest& request) {
    ByteReader in(data);
    request.nameSpace = in.U8();
    in.Skip(1);
    request.searchAttributes = in.LE16();
    request.modifyMask = in.LE32();
    request.attributes = in.LE32();
    request.creation = ReadDateTime(in);
    request.creatorId = in.BE32();
    request.modification = ReadDateTime(in);
    request.modifierId = in.BE32();
    request.archive = ReadDateTime(in);
    request.archiverId = in.BE32();
    request.lastAccessDate = in.LE16();
    request.inheritedRightsGrant = in.LE16();
    request.inheritedRightsRevoke = in.LE16();
    request.maxSpace = in.LE32();
    ReadPath(in, request.path);
    return in.AtEnd();
}

bool BuildRequestData(const DeleteFileRequest& request, ByteWriter& out) {
    if (!FitsLimits(request.path))
        return false;
    out.U8(request.nameSpace);
    out.U8(Reserved);
    out.LE16(request.searchAttributes);
    return WritePath(request.path, out);
}

bool ParseRequestData(std::span<const std::uint8_t> data, DeleteFileRequest& request) {
    ByteReader in(data);
    request.nameSpace = in.U8();
    in.Skip(1);
    request.searchAttributes = in.LE16();
    ReadPath(in, request.path);
    return in.AtEnd();
}

bool BuildRequestData(const CloseFileRequest& request, ByteWriter& out) {
    WriteSixByteHandle(request.fileHandle, out);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, CloseFileRequest& request) {
    ByteReader in(data);
    request.fileHandle = ReadSixByteHandle(in);
    return in.AtEnd();
}

bool BuildRequestData(const WriteFileRequest& request, ByteWriter& out) {
    if (request.data.size() > 0xFFFF)
        return false;
    WriteSixByteHandle(request.fileHandle, out);
    out.BE32(request.offset);
    out.BE16(static_cast<std::uint16_t>(request.data.size()));
    out.Bytes(request.data);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, WriteFileRequest& request) {
    ByteReader in(data);
    request.fileHandle = ReadSixByteHandle(in);
    request.offset = in.BE32();
    const auto bytes = in.Bytes(in.BE16());
    request.data.assign(bytes.begin(), bytes.end());
    return in.AtEnd();
}

bool BuildRequestData(const ReadFileRequest& request, ByteWriter& out) {
    WriteSixByteHandle(request.fileHandle, out);
    out.BE32(request.offset);
    out.BE16(request.count);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, ReadFileRequest& request) {
    ByteReader in(data);
    request.fileHandle = ReadSixByteHandle(in);
    request.offset = in.BE32();
    request.count = in.BE16();
    return in.AtEnd();
}

bool BuildReplyData(const ReadFileReply& reply, ByteWriter& out) {
    if (reply.data.size() > 0xFFFF)
        return false;
    out.BE16(static_cast<std::uint16_t>(reply.data.size()));
    if (reply.oddOffset)
        out.U8(0);
    out.Bytes(reply.data);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, ReadFileReply& reply) {
    ByteReader in(data);
    const std::uint16_t count = in.BE16();
    if (reply.oddOffset)
        in.Skip(1);
    const auto bytes = in.Bytes(count);
    reply.data.assign(bytes.begin(), bytes.end());
    return in.Ok();
}

} // namespace Ncp
