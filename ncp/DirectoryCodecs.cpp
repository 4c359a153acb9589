#include "ncp/DirectoryCodecs.h"

#include <algorithm>

// Directory-services texts are UTF-16LE with a NUL, preceded by their LE32 byte length and followed by
// padding to a multiple of 4 bytes. Requests are parsed strictly; replies may carry trailing bytes.
namespace Ncp {

namespace {

constexpr std::uint32_t PingVersion = 9;
constexpr std::size_t DirectoryFragmentHeaderSize = 12; // flags, verb, reply buffer size
constexpr std::size_t ReplyHeaderAfterSize = 8;         // handle, completion code

void WriteUnicode(const std::string& text, ByteWriter& out) {
    out.LE32(static_cast<std::uint32_t>(2 * (text.size() + 1)));
    for (const char c : text)
        out.LE16(static_cast<std::uint8_t>(c));
    out.LE16(0);
}

// Text up to the first NUL; characters beyond 8 bits read as '?'.
std::string DecodeUnicode(std::span<const std::uint8_t> bytes) {
    std::string text;
    ByteReader in(bytes);
    while (in.Remaining() >= 2) {
        const std::uint16_t unit = in.LE16();
        if (unit == 0)
            break;
        text.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
    }
    return text;
}

std::string ReadUnicode(ByteReader& in) {
    return DecodeUnicode(in.Bytes(in.LE32()));
}

void PadToFour(std::size_t written, ByteWriter& out) {
    out.Zeros((4 - written % 4) % 4);
}

void SkipPadding(std::size_t read, ByteReader& in) {
    in.Skip(std::min((4 - read % 4) % 4, in.Remaining()));
}

bool FitsDirectoryName(const std::string& name) {
    return name.size() <= MaxDirectoryNameLength && name.find('\0') == std::string::npos;
}

} // namespace

bool BuildRequestData(const PingDirectoryServicesRequest&, ByteWriter& out) {
    out.Zeros(3);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t>, PingDirectoryServicesRequest&) {
    return true;
}

bool BuildReplyData(const PingDirectoryServicesReply& reply, ByteWriter& out) {
    if (reply.treeName.size() > MaxTreeNameLength || reply.treeName.find('\0') != std::string::npos)
        return false;
    std::string padded = reply.treeName;
    padded.resize(MaxTreeNameLength, '_');
    out.LE32(reply.pingVersion);
    out.LE32(static_cast<std::uint32_t>(padded.size() + 1));
    out.StringZ(padded);
    out.Zeros(12); // depth, revision, flags
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, PingDirectoryServicesReply& reply) {
    ByteReader in(data);
    reply.pingVersion = in.LE32();
    const std::string field = in.Text(in.LE32());
    if (!in.Ok())
        return false;
    std::string name = field.substr(0, field.find('\0'));
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    // A name beyond the limit is malformed, as when building: never cut.
    if (name.size() > MaxTreeNameLength)
        return false;
    reply.treeName = name;
    return true;
}

bool BuildRequestData(const BinderyContextRequest&, ByteWriter&) {
    return true;
}
bool ParseRequestData(std::span<const std::uint8_t> data, BinderyContextRequest&) {
    return data.empty();
}

bool BuildReplyData(const BinderyContextReply& reply, ByteWriter& out) {
    if (!FitsDirectoryName(reply.context))
        return false;
    WriteUnicode(reply.context, out);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, BinderyContextReply& reply) {
    // A LE32 length that fits the data marks the Unicode form; 8-bit text cannot start with such a length.
    ByteReader unicode(data);
    const std::uint32_t length = unicode.LE32();
    if (unicode.Ok() && length % 2 == 0 && length <= unicode.Remaining()) {
        reply.context = DecodeUnicode(unicode.Bytes(length));
        return true;
    }
    ByteReader counted(data);
    reply.context = TextBeforeZero(counted.NString8());
    return counted.Ok();
}

bool BuildRequestData(const DirectoryServicesRequest& request, ByteWriter& out) {
    if (request.fragmentHandle != NoFragmentHandle ||
        request.verbData.size() > 0xFFFFFFFF - DirectoryFragmentHeaderSize)
        return false;
    out.LE32(request.fragmentHandle);
    out.LE32(request.maxFragmentSize);
    out.LE32(static_cast<std::uint32_t>(DirectoryFragmentHeaderSize + request.verbData.size()));
    out.LE32(request.flags);
    out.LE32(request.verb);
    out.LE32(request.replyBufferSize);
    out.Bytes(request.verbData);
    return true;
}

bool ParseRequestData(std::span<const std::uint8_t> data, DirectoryServicesRequest& request) {
    ByteReader in(data);
    request.fragmentHandle = in.LE32();
    request.maxFragmentSize = in.LE32();
    const std::uint32_t messageSize = in.LE32();
    // Only whole messages in one fragment: the message size must be exactly what follows.
    if (!in.Ok() || request.fragmentHandle != NoFragmentHandle || messageSize != in.Remaining() ||
        messageSize < DirectoryFragmentHeaderSize)
        return false;
    request.flags = in.LE32();
    request.verb = in.LE32();
    request.replyBufferSize = in.LE32();
    const auto verbData = in.Rest();
    request.verbData.assign(verbData.begin(), verbData.end());
    return in.AtEnd();
}

bool BuildReplyData(const DirectoryServicesReply& reply, ByteWriter& out) {
    if (reply.verbData.size() > 0xFFFFFFFF - ReplyHeaderAfterSize)
        return false;
    out.LE32(static_cast<std::uint32_t>(ReplyHeaderAfterSize + reply.verbData.size()));
    out.LE32(reply.fragmentHandle);
    out.LE32(reply.completionCode);
    out.Bytes(reply.verbData);
    return true;
}

bool ParseReplyData(std::span<const std::uint8_t> data, DirectoryServicesReply& reply) {
    ByteReader in(data);
    const std::uint32_t fragmentSize = in.LE32();
    if (!in.Ok() || fragmentSize < ReplyHeaderAfterSize || fragmentSize > in.Remaining())
        return false;
    reply.fragmentHandle = in.LE32();
    reply.completionCode = in.LE32();
    const auto verbData = in.Bytes(fragmentSize - ReplyHeaderAfterSize);
    reply.verbData.assign(verbData.begin(), verbData.end());
    return in.Ok();
}

bool BuildVerbData(const ReadEntryNameRequest& request, ByteWriter& out) {
    if (request.version > 2)
        return false;
    out.LE32(request.version);
    if (request.version >= 1)
        out.LE32(request.nameFlags);
    if (request.version == 2)
        out.LE32(request.infoFlags);
    out.LE32(request.entryId);
    return true;
}

bool ParseVerbData(std::span<const std::uint8_t> data, ReadEntryNameRequest& request) {
    ByteReader in(data);
    request.version = in.LE32();
    if (request.version > 2)
        return false;
    request.nameFlags = request.version >= 1 ? in.LE32() : 0;
    request.infoFlags = request.version == 2 ? in.LE32() : EntryInfoDistinguishedName;
    request.entryId = in.LE32();
    return in.AtEnd();
}

bool BuildVerbData(const ReadEntryNameReply& reply, ByteWriter& out) {
    if (!FitsDirectoryName(reply.distinguishedName))
        return false;
    WriteUnicode(reply.distinguishedName, out);
    PadToFour(out.Size(), out);
    return true;
}

bool ParseVerbData(std::span<const std::uint8_t> data, ReadEntryNameReply& reply) {
    ByteReader in(data);
    reply.distinguishedName = ReadUnicode(in);
    return in.Ok();
}

bool BuildVerbData(const ServerAddressRequest&, ByteWriter&) {
    return true;
}

// The version and flags some clients send are not needed to answer.
bool ParseVerbData(std::span<const std::uint8_t>, ServerAddressRequest&) {
    return true;
}

bool BuildVerbData(const ServerAddressReply& reply, ByteWriter& out) {
    if (!FitsDirectoryName(reply.serverName))
        return false;
    WriteUnicode(reply.serverName, out);
    PadToFour(out.Size(), out);
    out.LE32(0); // referral addresses
    return true;
}

bool ParseVerbData(std::span<const std::uint8_t> data, ServerAddressReply& reply) {
    ByteReader in(data);
    reply.serverName = ReadUnicode(in);
    SkipPadding(in.Position(), in);
    in.LE32(); // referral count; the addresses are not needed
    return in.Ok();
}

} // namespace Ncp
