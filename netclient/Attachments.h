#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The workstation's attachments file: which NetWare servers the client attaches to at start-up, where they
// are and as whom. It is a small INI file, `attachments.ini` in the settings directory:
//
//     ; first section = primary connection
//     [ATLAS]
//     Address = 192.168.1.10        ; or a host name, or host:port (port 524 when none is given)
//     User = ADMIN                  ; bindery name; leave out to attach without logging in
//     Context = OU=Sales.O=ACME     ; optional, servers of version 4 and later
//     Timeout = 10                  ; optional, seconds each exchange may take
//
// Passwords are never kept in it: the program asks for them (or takes them from the desktop's keyring).
namespace NetClient {

inline constexpr std::uint16_t DefaultNcpPort = 524;
inline constexpr std::uint32_t DefaultTimeoutSeconds = 10;
inline constexpr std::uint32_t MaxTimeoutSeconds = 600;
inline constexpr const char* AttachmentsFileName = "attachments.ini";

// One server to attach to.
struct Attachment {
    std::string serverName; // the section's name, as written
    std::string host;       // IPv4 address or host name
    std::uint16_t port = DefaultNcpPort;
    std::string user;    // bindery name; empty: attached without a login
    std::string context; // bindery context the user lives in (version 4 and later); may be empty
    std::uint32_t timeoutSeconds = DefaultTimeoutSeconds;

    // "host:port", as failures and the login dialog show it.
    std::string AddressText() const;

    friend bool operator==(const Attachment&, const Attachment&) = default;
};

struct AttachmentList {
    std::vector<Attachment> attachments; // in file order; the first is the primary connection
    std::vector<std::string> problems;   // one clear text per line or section that could not be used
};

// Reads the text of an attachments file. Tolerates a UTF-8 byte-order mark, LF, CR and CRLF line ends,
// comment lines starting with ';' or '#', blanks around '=' and names in any letter case. A bad line is
// skipped with a problem text ("line 4: ..."); a section without a usable address is dropped with one.
AttachmentList ParseAttachments(std::string_view text);

// Splits "host" or "host:port". False, with a problem text, for an empty host, a bad port or anything that
// is neither an IPv4 address nor a host name.
bool ParseAddress(std::string_view text, std::string& host, std::uint16_t& port, std::string& problem);

// Where the attachments file lives: SettingsDirectory() followed by "/attachments.ini".
std::string DefaultAttachmentsFilePath();

enum class AttachmentsFileState { Missing, Read, Unreadable };

// Reads and parses the file. Missing: no such file (the program then runs on its demo network).
// Unreadable: it exists but cannot be read (a problem text says so). Problems name the file.
AttachmentsFileState ReadAttachmentsFile(const std::string& path, AttachmentList& list);

// The text of an attachments file with the attachment in it: a section of the same name (letter case ignored)
// gets the attachment's lines in place of its Address, User, Context and Timeout lines, right below its
// heading; otherwise a new section goes at the end. Comments, other sections, their order and the file's line
// ends stay as they were.
std::string WithAttachment(std::string_view fileText, const Attachment& attachment);

// Writes the attachment into the file (created when missing) through a new file renamed over it. False, with
// the reason in problem, when the file cannot be read or written.
bool SaveAttachment(const std::string& path, const Attachment& attachment, std::string& problem);

} // namespace NetClient
