#include "netclient/StatusTexts.h"

#include "ncp/StatusCodes.h"
#include "netclient/ClientLibrary.h"

#include <array>
#include <cstdio>
#include <string_view>
#include <utility>

namespace NetUtil {

namespace {

using namespace StatusCodes;

struct StatusWords {
    std::uint32_t status = 0;
    std::string_view words; // {server}, {module}, {source} and {destination} stand for the context's names
};

// The copy's one failure status (NCP_Ext::CopyFailed; util/FileCopy.h).
constexpr std::uint32_t CopyFailedStatus = 0xFFFF;

constexpr std::array Table{
    // Requester (workstation side).
    StatusWords{InvalidConnection, "The connection to {server} is not open"},
    StatusWords{BufferTooSmall, "{server} answered with more than the program can take"},
    StatusWords{NoConnectionToServer, "The workstation has no connection to {server}"},
    StatusWords{InvalidParameter, "The client library refused a request the program made"},
    StatusWords{NoMoreEntries, "There are no more connections to list"},
    StatusWords{NoPrimaryConnection, "The workstation has no primary connection"},
    StatusWords{ClientNotStarted, "The NetWare client could not be started"},
    StatusWords{InvalidConnRef, "The connection to {server} is no longer known"},
    StatusWords{ExchangePending, "Another request to a server is still waiting for its answer"},
    StatusWords{NoPasswordHeld,
                "The connection to {server} was lost, and no password is held to log in again"},
    // Requester transport.
    StatusWords{RequestTimedOut, "{server} did not answer in time"},
    StatusWords{SendFailed, "The request could not be sent to {server}"},
    StatusWords{HostUnreachable, "There is no route to {server}"},
    StatusWords{MalformedReply, "{server} sent a reply the program cannot read"},
    StatusWords{ConnectionLost, "The connection to {server} was lost"},
    StatusWords{ReplyMismatch, "{server} answered a different request"},
    StatusWords{HostNotFound, "The address of {server} could not be found"},
    StatusWords{ConnectionRefused, "{server} refused the connection: nothing listens at its address"},
    // Server completion codes.
    StatusWords{NoSuchExtension, "{server} has no such NCP extension"},
    StatusWords{NoSuchObject, "{server} knows no such user or object"},
    StatusWords{ModuleNotFound, "The module file is not in SYS:SYSTEM on {server}"},
    StatusWords{ModuleAlreadyLoaded, "{module} is loaded on {server} already"},
    StatusWords{ModuleNotLoaded, "{module} is not loaded on {server}"},
    StatusWords{InvalidModuleName, "\"{module}\" is not a module name"},
    StatusWords{BadRequest, "{server} could not read the request"},
    StatusWords{NoSuchVolume, "{server} has no such volume"},
    StatusWords{FailedRequest, "{server} could not carry out the request"},
    StatusWords{UnknownRequest, "{server} does not know the request"},
    StatusWords{InvalidScreenHandle, "The console screen on {server} is gone"},
    StatusWords{NoScreenSelected, "No console screen is selected on {server}"},
    // Further completion codes a server may answer (0x8900 | the byte on the wire).
    StatusWords{0x8980, "The file is in use on {server}"},
    StatusWords{0x8981, "{server} has no file handles left"},
    StatusWords{0x8983, "{server} had a disk error"},
    StatusWords{0x8984, "{server} refused: no rights to create files there"},
    StatusWords{0x8985, "{server} refused: no rights to create or delete files there"},
    StatusWords{0x8987, "{server} refused the file name"},
    StatusWords{0x8988, "The file on {server} is not open"},
    StatusWords{0x898A, "{server} refused: no rights to delete files there"},
    StatusWords{0x898C, "{server} refused: no rights to modify there"},
    StatusWords{0x898E, "All the files are in use on {server}"},
    StatusWords{0x8993, "{server} refused: no rights to read there"},
    StatusWords{0x8994, "{server} refused: no rights to write there"},
    StatusWords{0x8996, "{server} is out of memory"},
    StatusWords{0x899B, "{server} does not know the directory handle"},
    StatusWords{0x899C, "{server} knows no such path"},
    StatusWords{0x89A8, "{server} refused: access denied"},
    StatusWords{0x89AC, "{server} demands signed packets, which this program does not send"},
    StatusWords{0x89C1, "The account on {server} has no balance left"},
    StatusWords{0x89C2, "The account on {server} has no credit left"},
    StatusWords{0x89C5, "The account on {server} is locked after too many wrong passwords"},
    StatusWords{0x89C6, "{server} refused: no console operator rights"},
    StatusWords{0x897D, "Nobody is logged in on the connection to {server}"},
    StatusWords{0x89D6, "{server} does not accept this kind of login"},
    StatusWords{0x89D9, "{server} or the account has no connection left"},
    StatusWords{0x89DA, "{server} allows no logins at this time"},
    StatusWords{0x89DB, "{server} allows no logins from this workstation"},
    StatusWords{0x89DC, "The account on {server} has expired"},
    StatusWords{0x89DE, "{server} refused the password"},
    StatusWords{0x89DF, "The password on {server} has expired"},
    StatusWords{0x89FD, "{server} does not know this station"},
    // Directory services.
    StatusWords{DSNoSuchEntry, "The directory of {server} has no such entry"},
    StatusWords{DSNotAvailable, "{server} has no directory services"},
    StatusWords{DSNotEnoughMemory, "No further directory context can be made"},
    StatusWords{DSInvalidContext, "The directory context is not valid"},
    StatusWords{ClientLibrary::NoContext, "No directory context could be made"},
    // The transfer's copy.
    StatusWords{CopyFailedStatus, "{source} could not be copied to {destination}"},
};

// Why a copy failed, after "{source} could not be copied to {destination}: ".
std::string_view CopyProblemWords(NCP_Ext::CopyProblem problem) {
    using NCP_Ext::CopyProblem;
    switch (problem) {
    case CopyProblem::SourceMissing:
        return "there is no such file; check the source path and the NLM name";
    case CopyProblem::SourceUnreadable:
        return "the file cannot be read (no permission, or it is not a regular file)";
    case CopyProblem::SameFile:
        return "the destination is the source file itself";
    case CopyProblem::NoRights:
        return "the user on {server} has no rights to write into SYS:SYSTEM";
    case CopyProblem::SizeOrSpaceLimit:
        return "a file-size limit or the space left on the volume stopped the copy";
    case CopyProblem::ReadOnlyDestination:
        return "the file in SYS:SYSTEM is read-only";
    case CopyProblem::DestinationNotAFile:
        return "something that is not a file holds the name in SYS:SYSTEM";
    case CopyProblem::ConnectionLost:
        return "the connection to {server} was lost; choose {server} again or Reconnect (F5) in the server "
               "list";
    case CopyProblem::NoServer:
        return "no server is chosen on the Connections page";
    case CopyProblem::Cancelled:
        return "the copy was cancelled; the file in SYS:SYSTEM is as it was";
    case CopyProblem::None:
    case CopyProblem::Other:
        break;
    }
    return {};
}

void PutIn(std::string& text, std::string_view placeholder, const std::string& name,
           std::string_view unnamed) {
    const std::string replacement = name.empty() ? std::string(unnamed) : name;
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + replacement.size()))
        text.replace(at, placeholder.size(), replacement);
}

constexpr std::uint32_t NotLoggedIn = 0x897D;
constexpr std::uint32_t NoConsoleRights = 0x89C6;

bool IsConnectionGone(std::uint32_t status) {
    return status == InvalidConnection || status == ConnectionLost || status == RequestTimedOut ||
           status == SendFailed || status == InvalidConnRef || status == ReplyMismatch;
}

std::string Filled(std::string text, const StatusContext& context) {
    PutIn(text, "{server}", context.server, "the server");
    PutIn(text, "{module}", context.module, "the module");
    PutIn(text, "{source}", context.sourceFile, "the file");
    PutIn(text, "{destination}", context.destination, "the server");
    // A sentence that starts with a name put in keeps its capital.
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

const StatusWords* Find(std::uint32_t status) {
    for (const StatusWords& entry : Table) {
        if (entry.status == status)
            return &entry;
    }
    return nullptr;
}

} // namespace

bool HasStatusText(std::uint32_t status) {
    return Find(status) != nullptr;
}

std::string StatusText(std::uint32_t status, const StatusContext& context) {
    const StatusWords* entry = Find(status);
    std::string text;
    if (status == StatusCodes::DSNotAvailable && context.notLoggedIn) {
        // Such a server answers directory calls only after a login: the server is not to blame.
        text = "Nobody is logged in on the connection to {server}, and {server} answers directory requests "
               "only after a login";
    } else if (entry != nullptr) {
        text = entry->words;
        if (status == CopyFailedStatus)
            if (const std::string_view why = CopyProblemWords(context.copyProblem); !why.empty())
                text += ": " + std::string(why);
    } else if ((status & 0xFFFFFF00) == 0x8900) {
        // Any byte a server answers reaches the user as 0x89xx: say at least who refused.
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned>(status & 0xFF));
        text = std::string("{server} refused the request (completion code ") + code + ")";
    } else {
        return {};
    }
    return Filled(std::move(text), context);
}

std::string ConsoleRefusalText(std::uint32_t lookupStatus, const StatusContext& context) {
    std::string text;
    if (context.server.empty())
        text = "No server is chosen: attach one with Attach a server… in the server list's menu";
    else if (IsConnectionGone(lookupStatus))
        text = "The connection to {server} is lost, so the extension could not be asked for. Choose {server} "
               "again in the server list, or press F5 (Reconnect), to connect again";
    else if (lookupStatus == NotLoggedIn || context.notLoggedIn)
        text = "Nobody is logged in on the connection to {server}, and {server} answers console requests "
               "only after a login: use Log in as… in the server list's menu";
    else if (lookupStatus == NoConsoleRights)
        text = "The user on {server} has no console operator rights: log in as a console operator with "
               "Log in as… in the server list's menu";
    else
        return {};
    return Filled(std::move(text), context);
}

} // namespace NetUtil
