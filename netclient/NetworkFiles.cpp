#include "netclient/NetworkFiles.h"

#include "ncp/FileCodecs.h"
#include "netclient/NcpCall.h"
#include "netclient/NcpClient.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <unistd.h>

namespace NetClient {

namespace {

constexpr std::uint32_t ReadOnlyAttribute = 0x01;
constexpr std::uint32_t WriteBits = 0222;

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The flag-0xFF handle/path structure of volume and components ("SYS", {"SYSTEM", "QVEXT.NLM"}).
Ncp::HandlePath PathOf(const std::string& volume, const std::vector<std::string>& components) {
    Ncp::HandlePath path;
    path.handleFlag = Ncp::HandleFlagNone;
    path.components.push_back(volume);
    path.components.insert(path.components.end(), components.begin(), components.end());
    return path;
}

// The DOS date and time of the local wall-clock time at seconds since the epoch, as NetWare keeps them.
std::optional<Ncp::DosDateTime> DosTime(std::int64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (::localtime_r(&time, &local) == nullptr)
        return std::nullopt;
    return Ncp::ToDosDateTime(
        {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
}

// What a failed file call's status means to the user of a copy.
Platform::CreateResult ResultOfStatus(std::uint16_t status) {
    switch (status) {
    case StatusCodes::InvalidConnection:
    case StatusCodes::RequestTimedOut:
    case StatusCodes::SendFailed:
    case StatusCodes::HostUnreachable:
    case StatusCodes::ConnectionLost:
    case StatusCodes::ReplyMismatch:
    case StatusCodes::NoConnectionToServer:
    case StatusCodes::ConnectionRefused:
    case StatusCodes::HostNotFound:
        return Platform::CreateResult::ConnectionLost;
    case 0x897D: // not logged in
    case 0x8984: // no create rights
    case 0x8985: // no create or delete rights
    case 0x898A: // no delete rights
    case 0x898B: // no rename rights
    case 0x898C: // no modify rights
    case 0x8994: // no write rights
    case 0x89A8: // access denied
    case 0x89C6: // no console operator rights (SYS:SYSTEM)
        return Platform::CreateResult::NoRights;
    case 0x8996: // out of space
        return Platform::CreateResult::NoRoom;
    default:
        return Platform::CreateResult::Refused;
    }
}

// Deletes the file; true when it is gone (also when the server had no such file any more).
bool DeleteFile(ServerSession& session, const std::string& volume,
                const std::vector<std::string>& components) {
    constexpr std::uint16_t FileNotFound = 0x89FF;
    Ncp::DeleteFileRequest remove;
    remove.path = PathOf(volume, components);
    Ncp::EmptyReply reply;
    const std::uint16_t status = session.Call(remove, reply);
    return status == StatusCodes::Success || status == FileNotFound;
}

// Contents written into a temporary file beside the destination; see NetworkFiles.
class NetworkReplacement final : public Platform::ReplacementFile {
public:
    NetworkReplacement(ServerSession& session, std::string volume, std::vector<std::string> destination,
                       std::vector<std::string> temporary, std::uint32_t handle,
                       std::vector<NetworkFiles::Leftover>& leftovers, std::string server)
        : session_(session), generation_(session.Generation()), volume_(std::move(volume)),
          destination_(std::move(destination)), temporary_(std::move(temporary)), handle_(handle),
          leftovers_(leftovers), server_(std::move(server)) {}

    ~NetworkReplacement() override {
        if (!committed_)
            Discard();
    }
    NetworkReplacement(const NetworkReplacement&) = delete;
    NetworkReplacement& operator=(const NetworkReplacement&) = delete;

    // The copy writes 4 KiB at a time; they are gathered here into writes of the negotiated size (a
    // write-behind), so that a large buffer costs one round trip per buffer, not per block.
    std::ptrdiff_t WriteBlock(const char* buffer, std::size_t size) override {
        if (!Usable() || failed_)
            return Fail(StatusCodes::InvalidConnection, -1);
        if (!Platform::MayWriteBlock(size)) {
            failure_ = Platform::CreateResult::Cancelled;
            return -1;
        }
        const std::size_t bufferSize = session_.Connection().BufferSize();
        std::size_t taken = 0;
        while (taken < size) {
            // Up to the next multiple of the negotiated size, the most one write may carry.
            const std::size_t room = bufferSize - (offset_ + pending_.size()) % bufferSize;
            const std::size_t count = std::min(room, size - taken);
            pending_.insert(pending_.end(), buffer + taken, buffer + taken + count);
            taken += count;
            if (count == room && !Flush())
                return -1;
        }
        return static_cast<std::ptrdiff_t>(taken);
    }

    bool SetModificationTime(const Platform::FileTime& time) override {
        modified_ = DosTime(time.Seconds);
        return Flush() && modified_.has_value();
    }

    bool SetAttributes(const Platform::FileAttributes& attributes) override {
        attributes_ = NetWareAttributes(attributes);
        return Flush();
    }

    bool Commit() override {
        if (!Usable() || failed_ || committed_)
            return Fail(StatusCodes::InvalidConnection, false);
        if (!Flush())
            return false;
        Ncp::EmptyReply reply;
        const std::uint16_t closeStatus = session_.Call(CloseRequest(), reply);
        open_ = closeStatus != StatusCodes::Success;
        if (open_)
            return Fail(closeStatus, false);
        if (!SetInformation(temporary_, modified_, attributes_ & ~ReadOnlyAttribute))
            return false;
        Ncp::RenameOrMoveRequest rename;
        rename.source = PathOf(volume_, temporary_);
        rename.destination = PathOf(volume_, destination_);
        if (const std::uint16_t status = session_.Call(rename, reply); status != StatusCodes::Success)
            return Fail(status, false);
        committed_ = true;
        // A read-only file could not have been renamed; it becomes read-only in its place.
        if ((attributes_ & ReadOnlyAttribute) != 0)
            return SetInformation(destination_, std::nullopt, attributes_);
        return true;
    }

    Platform::CreateResult Failure() const override { return failure_; }

private:
    template <typename Result> Result Fail(std::uint16_t status, Result result) {
        failure_ = ResultOfStatus(status);
        return result;
    }

    Ncp::CloseFileRequest CloseRequest() const {
        Ncp::CloseFileRequest close;
        close.fileHandle = handle_;
        return close;
    }

    bool Usable() const { return session_.IsUsable() && session_.Generation() == generation_; }

    // Sends what was gathered, in one write (WriteBlock never gathers past a multiple of the buffer size).
    bool Flush() {
        if (pending_.empty())
            return !failed_;
        if (!Usable() || failed_)
            return Fail(StatusCodes::InvalidConnection, false);
        Ncp::WriteFileRequest write;
        write.fileHandle = handle_;
        write.offset = offset_;
        write.data.swap(pending_);
        Ncp::EmptyReply reply;
        if (const std::uint16_t status = session_.Call(write, reply); status != StatusCodes::Success) {
            failed_ = true;
            return Fail(status, false);
        }
        offset_ += static_cast<std::uint32_t>(write.data.size());
        write.data.clear();
        pending_.swap(write.data); // keeps the capacity for the next gathering
        return true;
    }

    bool SetInformation(const std::vector<std::string>& components, std::optional<Ncp::DosDateTime> modified,
                        std::uint32_t attributes) {
        Ncp::ModifyDosInformationRequest modify;
        modify.modifyMask = Ncp::ModifyAttributes;
        modify.attributes = attributes;
        if (modified) {
            modify.modifyMask |= Ncp::ModifyModifyDate | Ncp::ModifyModifyTime;
            modify.modification = *modified;
        }
        modify.path = PathOf(volume_, components);
        Ncp::EmptyReply reply;
        const std::uint16_t status = session_.Call(modify, reply);
        return status == StatusCodes::Success || Fail(status, false);
    }

    // Closes and deletes the temporary file, as far as the connection still allows; what stays is deleted at
    // the next replacement on the server.
    void Discard() {
        if (Usable()) {
            Ncp::EmptyReply reply;
            if (open_)
                session_.Call(CloseRequest(), reply);
            if (DeleteFile(session_, volume_, temporary_))
                return;
        }
        leftovers_.push_back(NetworkFiles::Leftover{server_, volume_, temporary_});
    }

    ServerSession& session_;
    std::uint32_t generation_ = 0;
    std::string volume_;
    std::vector<std::string> destination_;
    std::vector<std::string> temporary_;
    std::uint32_t handle_ = 0;
    std::uint32_t offset_ = 0;          // where the next write to the server starts
    std::vector<std::uint8_t> pending_; // gathered after offset_, not yet sent
    bool open_ = true;
    bool failed_ = false;
    bool committed_ = false;
    std::optional<Ncp::DosDateTime> modified_;
    std::uint32_t attributes_ = Ncp::AttributeArchive;
    Platform::CreateResult failure_ = Platform::CreateResult::Refused;
    std::vector<NetworkFiles::Leftover>& leftovers_;
    std::string server_;
};

} // namespace

bool ParseNetworkPath(const std::string& path, NetworkPath& parsed) {
    if (path.size() < 3 || path[0] != '\\' || path[1] != '\\')
        return false;
    std::vector<std::string> parts;
    std::size_t start = 2;
    while (true) {
        const std::size_t end = path.find('\\', start);
        parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    // Server, volume and at least a name; nothing that could climb out of a directory or is empty.
    if (parts.size() < 3)
        return false;
    for (const std::string& part : parts)
        if (part.empty() || part == "." || part == ".." || part.find('\0') != std::string::npos)
            return false;
    parsed.server = parts[0];
    parsed.volume = Upper(parts[1]);
    parsed.components.assign(parts.begin() + 2, parts.end());
    return true;
}

std::uint32_t NetWareAttributes(const Platform::FileAttributes& attributes) {
    std::uint32_t bits = Ncp::AttributeArchive;
    if ((attributes.Mode & WriteBits) == 0)
        bits |= ReadOnlyAttribute;
    return bits;
}

Platform::OpenResult NetworkFiles::OpenForReading(const std::string&,
                                                  std::unique_ptr<Platform::SourceFile>&) {
    return Platform::OpenResult::Refused;
}

Platform::CreateResult NetworkFiles::CreateReplacement(const std::string& path,
                                                       std::unique_ptr<Platform::ReplacementFile>& file) {
    NetworkPath parsed;
    std::uint16_t status = 0;
    ServerSession* session = nullptr;
    if (!ParseNetworkPath(path, parsed))
        return Platform::CreateResult::Refused;
    if ((session = client_.SessionForServer(parsed.server, status)) == nullptr)
        return ResultOfStatus(status);

    std::erase_if(leftovers_, [&](const Leftover& leftover) {
        return Upper(leftover.server) == Upper(parsed.server) &&
               DeleteFile(*session, leftover.volume, leftover.components);
    });

    // A short DOS name of its own beside the destination, different for every replacement of this process.
    char name[16] = {};
    std::snprintf(name, sizeof name, "TS%06X.TMP",
                  (static_cast<unsigned>(::getpid()) * 256u + nextTemporary_++) & 0xFFFFFFu);
    std::vector<std::string> temporary = parsed.components;
    temporary.back() = name;

    Ncp::OpenCreateFileRequest create;
    create.openCreateMode = Ncp::OpenModeCreate | Ncp::OpenModeReplace;
    create.desiredAccessRights = Ncp::AccessWrite;
    create.createAttributes = Ncp::AttributeArchive;
    create.path = PathOf(parsed.volume, temporary);
    Ncp::OpenCreateFileReply reply;
    if (const std::uint16_t created = session->Call(create, reply); created != StatusCodes::Success)
        return ResultOfStatus(created);
    file =
        std::make_unique<NetworkReplacement>(*session, parsed.volume, parsed.components, std::move(temporary),
                                             reply.fileHandle, leftovers_, parsed.server);
    return Platform::CreateResult::Created;
}

bool NetworkFiles::Identify(const std::string& path, Platform::FileIdentity& identity) {
    NetworkPath parsed;
    if (!ParseNetworkPath(path, parsed))
        return false;
    // Names on a server ignore letter case: the same file however a path spells it.
    std::string key = Upper(parsed.server) + "\\" + parsed.volume;
    for (const std::string& component : parsed.components)
        key += "\\" + Upper(component);
    identity.Device = std::hash<std::string>{}(Upper(parsed.server));
    identity.Entry = std::hash<std::string>{}(key);
    return true;
}

bool NetworkFiles::WriteAttributes(const std::string& path, const Platform::FileAttributes& attributes) {
    NetworkPath parsed;
    std::uint16_t status = 0;
    ServerSession* session = nullptr;
    if (!ParseNetworkPath(path, parsed) ||
        (session = client_.SessionForServer(parsed.server, status)) == nullptr)
        return false;
    Ncp::ModifyDosInformationRequest modify;
    modify.modifyMask = Ncp::ModifyAttributes;
    modify.attributes = NetWareAttributes(attributes);
    modify.path = PathOf(parsed.volume, parsed.components);
    Ncp::EmptyReply reply;
    return session->Call(modify, reply) == StatusCodes::Success;
}

} // namespace NetClient
