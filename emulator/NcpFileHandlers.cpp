#include "emulator/NcpHandlers.h"

#include "emulator/LocaleText.h"
#include "ncp/CompletionCodes.h"
#include "ncp/FileCodecs.h"

#include <sys/stat.h>

#include <cerrno>
#include <ctime>

namespace Emulator::NcpHandlers {

namespace {
// The NetWare path a handle/path structure names. With no handle the volume is the first component
// ("SYS" or "SYS:", or "SYS:SYSTEM" whose rest is a component); with a directory base only the volume
// root (base 0) is known, since this server hands out no directory handles or bases.
struct PathResult {
    std::uint8_t completion = 0;
    NetWarePath path;
};

PathResult PathOf(const Server& server, const Ncp::HandlePath& handlePath) {
    PathResult result;
    std::vector<std::string> components = handlePath.components;
    if (handlePath.handleFlag == Ncp::HandleFlagNone) {
        if (components.empty()) {
            result.completion = ServerFiles::InvalidPath;
            return result;
        }
        std::string first = components.front();
        components.erase(components.begin());
        const std::size_t colon = first.find(':');
        if (colon != std::string::npos) {
            if (colon + 1 < first.size())
                components.insert(components.begin(), first.substr(colon + 1));
            first.resize(colon);
        }
        result.path.volume = first;
    } else if (handlePath.handleFlag == Ncp::HandleFlagDirectoryBase && handlePath.directoryBase == 0) {
        const std::vector<std::string>& volumes = server.ServerVolumes().Names();
        if (handlePath.volume >= volumes.size()) {
            result.completion = ServerFiles::NoSuchVolume;
            return result;
        }
        result.path.volume = volumes[handlePath.volume];
    } else {
        result.completion = BadDirectoryHandle;
        return result;
    }
    result.path.components = std::move(components);
    return result;
}

// Changing a file in SYS:SYSTEM needs a console operator; changing or reading any other file a login.
std::uint8_t MayUse(const Connection& connection, const NetWarePath& path, bool change) {
    if (change && ServerFiles::InSystemDirectory(path) && !connection.ConsoleOperator())
        return Ncp::Completion::NoConsoleRights;
    return connection.LoggedIn() ? 0 : NotLoggedIn;
}

// The path, when the connection may use it: its completion is the first refusal of the two checks.
PathResult UsablePath(const Connection& connection, const Ncp::HandlePath& handlePath, bool change) {
    PathResult result = PathOf(connection.server, handlePath);
    if (result.completion == 0)
        result.completion = MayUse(connection, result.path, change);
    return result;
}

std::chrono::system_clock::time_point LocalTime(const Ncp::DosDateTime& value) {
    const Ncp::CivilTime civil = Ncp::FromDosDateTime(value);
    std::tm local{};
    local.tm_year = civil.year - 1900;
    local.tm_mon = civil.month - 1;
    local.tm_mday = civil.day;
    local.tm_hour = civil.hour;
    local.tm_min = civil.minute;
    local.tm_sec = civil.second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

OpenFile* FindFile(Connection& connection, std::uint32_t handle) {
    const auto found = connection.openFiles.find(handle);
    return found == connection.openFiles.end() ? nullptr : &found->second;
}
} // namespace

Answer OpenCreateFile(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::OpenCreateFileRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    const PathResult path = PathOf(connection.server, parsed->path);
    if (path.completion != 0)
        return Fail(path.completion);
    FileOpenMode mode;
    mode.create = (parsed->openCreateMode & Ncp::OpenModeCreate) != 0;
    mode.truncate = (parsed->openCreateMode & Ncp::OpenModeReplace) != 0;
    mode.openExisting = (parsed->openCreateMode & Ncp::OpenModeOpen) != 0 || (!mode.create && !mode.truncate);
    mode.write = (parsed->desiredAccessRights & Ncp::AccessWrite) != 0 || mode.create || mode.truncate;
    if (const std::uint8_t refusal = MayUse(connection, path.path, mode.write); refusal != 0)
        return Fail(refusal);
    if (connection.openFiles.size() >= connection.server.Limits().openFilesPerConnection ||
        !connection.server.MayOpenFile(connection.userId))
        return Fail(OutOfHandles);
    OpenedFile opened = connection.files.Open(path.path, mode);
    if (opened.completion != 0)
        return Fail(opened.completion);
    const std::uint32_t handle = connection.nextFileHandle++;
    connection.AddFile(handle, OpenFile{std::move(opened.fd), mode.write});
    if (opened.created && Volumes::IsTransferTemporary(path.path.components.back())) {
        connection.ForgetTemporary(path.path);
        connection.temporaries.push_back(path.path);
    }
    Ncp::OpenCreateFileReply reply;
    reply.fileHandle = handle;
    reply.openCreateAction =
        opened.created ? Ncp::ActionCreated : (opened.truncated ? Ncp::ActionReplaced : Ncp::ActionOpened);
    return Encode(reply);
}

Answer WriteFile(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::WriteFileRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    OpenFile* file = FindFile(connection, parsed->fileHandle);
    if (file == nullptr)
        return Fail(InvalidFileHandle);
    if (!file->writable)
        return Fail(ServerFiles::NoWritePrivilege);
    if (parsed->data.size() > connection.bufferSize)
        return Fail(Ncp::Completion::BadLength);
    if (parsed->offset + parsed->data.size() > connection.server.Limits().maxFileSize)
        return Fail(ServerFiles::OutOfSpace);
    std::size_t written = 0;
    while (written < parsed->data.size()) {
        const ssize_t count =
            ::pwrite(file->fd.Get(), parsed->data.data() + written, parsed->data.size() - written,
                     static_cast<off_t>(parsed->offset + written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return Fail(count < 0 && errno == ENOSPC ? ServerFiles::OutOfSpace : ServerFiles::IoFailure);
        written += static_cast<std::size_t>(count);
    }
    return Encode(Ncp::EmptyReply{});
}

Answer ReadFile(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::ReadFileRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    OpenFile* file = FindFile(connection, parsed->fileHandle);
    if (file == nullptr)
        return Fail(InvalidFileHandle);
    if (file->writable)
        return Fail(NoReadPrivilege);
    if (parsed->count > connection.bufferSize)
        return Fail(Ncp::Completion::BadLength);
    Ncp::ReadFileReply reply;
    reply.oddOffset = (parsed->offset & 1) != 0;
    reply.data.resize(parsed->count);
    ssize_t count = -1;
    do
        count =
            ::pread(file->fd.Get(), reply.data.data(), reply.data.size(), static_cast<off_t>(parsed->offset));
    while (count < 0 && errno == EINTR);
    if (count < 0)
        return Fail(ServerFiles::IoFailure);
    reply.data.resize(static_cast<std::size_t>(count));
    return Encode(reply);
}

Answer CloseFile(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::CloseFileRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    return connection.CloseFile(parsed->fileHandle) ? Encode(Ncp::EmptyReply{}) : Fail(InvalidFileHandle);
}

Answer ModifyDosInformation(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::ModifyDosInformationRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    const PathResult path = UsablePath(connection, parsed->path, true);
    if (path.completion != 0)
        return Fail(path.completion);
    std::optional<std::chrono::system_clock::time_point> modified;
    if ((parsed->modifyMask & (Ncp::ModifyModifyDate | Ncp::ModifyModifyTime)) != 0)
        modified = LocalTime(parsed->modification);
    std::optional<std::uint32_t> attributes;
    if ((parsed->modifyMask & Ncp::ModifyAttributes) != 0)
        attributes = parsed->attributes;
    // Read Only guards a file against replacement: only a console operator sets or clears it.
    const std::uint8_t completion =
        connection.files.SetInformation(path.path, modified, attributes, connection.ConsoleOperator());
    return completion == 0 ? Encode(Ncp::EmptyReply{}) : Fail(completion);
}

Answer RenameOrMove(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::RenameOrMoveRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    const PathResult from = UsablePath(connection, parsed->source, true);
    const PathResult to = UsablePath(connection, parsed->destination, true);
    if (from.completion != 0 || to.completion != 0)
        return Fail(from.completion != 0 ? from.completion : to.completion);
    const std::uint8_t completion = connection.files.Rename(from.path, to.path);
    if (completion != 0)
        return Fail(completion);
    connection.ForgetTemporary(from.path);
    return Encode(Ncp::EmptyReply{});
}

Answer DeleteFile(Connection& connection, const Ncp::ParsedRequest& request) {
    const auto parsed = Parse<Ncp::DeleteFileRequest>(request);
    if (!parsed)
        return Fail(Ncp::Completion::BadLength);
    const PathResult path = UsablePath(connection, parsed->path, true);
    if (path.completion != 0)
        return Fail(path.completion);
    const std::uint8_t completion = connection.files.Delete(path.path);
    if (completion != 0)
        return Fail(completion);
    connection.ForgetTemporary(path.path);
    return Encode(Ncp::EmptyReply{});
}

} // namespace Emulator::NcpHandlers
