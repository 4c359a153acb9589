#include "netclient/StatusTexts.h"

#include "netclient/ClientLibrary.h"
#include "netclient/StatusCodes.h"

#include <array>
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
    StatusWords{NoSuchObject, "{server} knows no such object"},
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
    // Directory services.
    StatusWords{DSNoSuchEntry, "The directory of {server} has no such entry"},
    StatusWords{DSNotAvailable, "{server} has no directory services"},
    StatusWords{DSNotEnoughMemory, "No further directory context can be made"},
    StatusWords{DSInvalidContext, "The directory context is not valid"},
    StatusWords{ClientLibrary::NoContext, "No directory context could be made"},
    // The transfer's copy.
    StatusWords{CopyFailedStatus, "{source} could not be copied to {destination}"},
};

void PutIn(std::string& text, std::string_view placeholder, const std::string& name,
           std::string_view unnamed) {
    const std::string replacement = name.empty() ? std::string(unnamed) : name;
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + replacement.size()))
        text.replace(at, placeholder.size(), replacement);
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
    if (entry == nullptr)
        return {};
    std::string text(entry->words);
    PutIn(text, "{server}", context.server, "the server");
    PutIn(text, "{module}", context.module, "the module");
    PutIn(text, "{source}", context.sourceFile, "the file");
    PutIn(text, "{destination}", context.destination, "the server");
    // A sentence that starts with a name put in keeps its capital.
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

} // namespace NetUtil
