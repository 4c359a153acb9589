#pragma once

#include "util/FileCopy.h"

#include <cstdint>
#include <string>

// The words for every status the program can produce, shown below "Error %04X: %s" in the error box. One
// table, beside the status list (StatusCodes.h): a status added there needs its words here.
namespace NetUtil {

// What the words may name (UTF-8 display text). An empty part reads as "the server", "the module" or
// "the file", so the words stay whole sentences when nothing is known.
struct StatusContext {
    std::string server;      // the server chosen on the Connections page
    std::string module;      // the NLM named on the Extensions page
    std::string sourceFile;  // the transfer's source file
    std::string destination; // the transfer's destination directory, e.g. \\BOREAS\SYS\SYSTEM
    NCP_Ext::CopyProblem copyProblem = NCP_Ext::CopyProblem::None; // why the transfer's copy failed
    bool notLoggedIn = false; // the chosen server's connection is attached without a login
};

// The words for a status, with the context's names put in. A server's completion code (0x89xx) that the
// table lacks still names the server and the code; any other unknown status gives "".
std::string StatusText(std::uint32_t status, const StatusContext& context);

// The line below "NCP Extensions not loaded. Load QVEXT.NLM, first" when the console extension's lookup
// failed for another reason than a missing extension: the connection is lost, nobody is logged in, the user
// has no console rights, or no server is chosen at all. Empty when the extension is what is missing.
std::string ConsoleRefusalText(std::uint32_t lookupStatus, const StatusContext& context);

// Whether the table holds words for the status.
bool HasStatusText(std::uint32_t status);

} // namespace NetUtil
