#include "netclient/Attachments.h"

#include "util/Settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace NetClient {

namespace {

constexpr std::size_t MaxNameLength = 47;      // bindery names and server names
constexpr std::size_t MaxContextLength = 255;  // a directory context
constexpr std::size_t MaxHostLength = 253;     // a DNS name
constexpr std::size_t MaxFileSize = 64 * 1024; // far more than any workstation's list of servers

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool SameName(std::string_view a, std::string_view b) {
    return Upper(a) == Upper(b);
}

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// The lines of the text without their line ends, whichever of LF, CR or CRLF ends them.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// A value ends where a ';' preceded by a blank starts a trailing comment.
std::string_view WithoutTrailingComment(std::string_view value) {
    for (std::size_t i = 1; i < value.size(); ++i)
        if (value[i] == ';' && IsBlank(value[i - 1]))
            return Trimmed(value.substr(0, i));
    return value;
}

std::optional<std::uint32_t> Number(std::string_view text) {
    std::uint32_t value = 0;
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool IsHostCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == '_';
}

bool IsBinderyNameCharacter(char c) {
    constexpr std::string_view forbidden = "/\\:;,*?";
    return static_cast<unsigned char>(c) > 0x20 && c != 0x7F && forbidden.find(c) == std::string_view::npos;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// The section being read, with the lines where its keys stood (to name the line of a problem).
struct PendingSection {
    Attachment attachment;
    std::size_t headingLine = 0;
    bool hasAddress = false;
    bool addressBad = false;
    std::vector<std::string> keysSeen;
};

class Parser final {
public:
    AttachmentList Run(std::string_view text) {
        // A UTF-8 byte-order mark, as some editors write it.
        constexpr std::string_view bom = "\xEF\xBB\xBF";
        if (text.substr(0, bom.size()) == bom)
            text.remove_prefix(bom.size());
        std::size_t lineNumber = 0;
        for (const std::string_view rawLine : SplitLines(text)) {
            ++lineNumber;
            Line(lineNumber, Trimmed(rawLine));
        }
        FinishSection();
        return std::move(result_);
    }

private:
    void Problem(std::size_t line, const std::string& text) {
        result_.problems.push_back("line " + std::to_string(line) + ": " + text);
    }

    void Line(std::size_t number, std::string_view line) {
        if (line.empty() || line.front() == ';' || line.front() == '#')
            return;
        if (line.front() == '[') {
            Heading(number, line);
            return;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            Problem(number, "expected \"[SERVER]\" or \"Key = value\", found " + Quoted(line));
            return;
        }
        const std::string_view key = Trimmed(line.substr(0, equals));
        const std::string_view value = WithoutTrailingComment(Trimmed(line.substr(equals + 1)));
        if (skipping_)
            return; // the refused heading's problem covers its lines
        if (!section_) {
            Problem(number, Quoted(key) + " stands before the first \"[SERVER]\" heading");
            return;
        }
        Entry(number, key, value);
    }

    void Heading(std::size_t number, std::string_view line) {
        FinishSection();
        const std::size_t close = line.find(']');
        if (close == std::string_view::npos || !Trimmed(line.substr(close + 1)).empty()) {
            Problem(number, "a server heading is written \"[NAME]\", found " + Quoted(line));
            skipping_ = true;
            return;
        }
        const std::string_view name = Trimmed(line.substr(1, close - 1));
        std::string problem;
        if (name.empty())
            problem = "the server name between \"[\" and \"]\" is empty";
        else if (name.size() > MaxNameLength)
            problem = "the server name " + Quoted(name) + " is longer than 47 characters";
        else if (HasControlCharacter(name))
            problem = "the server name holds a control character";
        else if (std::any_of(result_.attachments.begin(), result_.attachments.end(),
                             [name](const Attachment& known) { return SameName(known.serverName, name); }))
            problem = "the server " + Quoted(name) + " is listed twice; the later section is ignored";
        if (!problem.empty()) {
            Problem(number, problem);
            skipping_ = true;
            return;
        }
        skipping_ = false;
        section_ = PendingSection{};
        section_->attachment.serverName = std::string(name);
        section_->headingLine = number;
    }

    void Entry(std::size_t number, std::string_view key, std::string_view value) {
        const std::string upperKey = Upper(key);
        if (upperKey == "PASSWORD") {
            // Never echo the value: it may be a real password.
            Problem(number, "passwords are not kept in this file; the program asks for them when it starts");
            return;
        }
        if (std::find(section_->keysSeen.begin(), section_->keysSeen.end(), upperKey) !=
            section_->keysSeen.end()) {
            Problem(number, Quoted(key) + " is given twice for " + section_->attachment.serverName);
            return;
        }
        Attachment& attachment = section_->attachment;
        if (upperKey == "ADDRESS") {
            std::string problem;
            if (ParseAddress(value, attachment.host, attachment.port, problem))
                section_->hasAddress = true;
            else {
                section_->addressBad = true;
                Problem(number, problem);
            }
        } else if (upperKey == "USER") {
            if (value.size() > MaxNameLength)
                return Problem(number, "the user name " + Quoted(value) + " is longer than 47 characters");
            if (!std::all_of(value.begin(), value.end(), IsBinderyNameCharacter))
                return Problem(number, "the user name " + Quoted(value) +
                                           " holds a blank or one of / \\ : ; , * ? (not allowed in names)");
            attachment.user = std::string(value);
        } else if (upperKey == "CONTEXT") {
            if (value.size() > MaxContextLength || HasControlCharacter(value))
                return Problem(number,
                               "the context is longer than 255 characters or holds a control character");
            attachment.context = std::string(value);
        } else if (upperKey == "TIMEOUT") {
            const std::optional<std::uint32_t> seconds = Number(value);
            if (!seconds || *seconds == 0 || *seconds > MaxTimeoutSeconds)
                return Problem(number, "the time-out " + Quoted(value) +
                                           " is not a number of seconds from 1 to " +
                                           std::to_string(MaxTimeoutSeconds));
            attachment.timeoutSeconds = *seconds;
        } else {
            return Problem(number,
                           "unknown key " + Quoted(key) + " (known: Address, User, Context, Timeout)");
        }
        section_->keysSeen.push_back(upperKey);
    }

    void FinishSection() {
        if (!section_)
            return;
        if (section_->hasAddress)
            result_.attachments.push_back(std::move(section_->attachment));
        else if (!section_->addressBad)
            Problem(section_->headingLine, "the server " + section_->attachment.serverName +
                                               " has no \"Address = host\" line; it is left out");
        section_.reset();
    }

    AttachmentList result_;
    std::optional<PendingSection> section_;
    bool skipping_ = false; // the lines after a refused heading belong to no section
};

} // namespace

std::string Attachment::AddressText() const {
    return host + ":" + std::to_string(port);
}

bool ParseAddress(std::string_view text, std::string& host, std::uint16_t& port, std::string& problem) {
    text = Trimmed(text);
    std::string_view hostPart = text;
    std::uint16_t portValue = DefaultNcpPort;
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        if (text.find(':', colon + 1) != std::string_view::npos) {
            problem = "the address " + Quoted(text) + " has more than one \":\" (IPv6 is not supported)";
            return false;
        }
        hostPart = Trimmed(text.substr(0, colon));
        const std::optional<std::uint32_t> number = Number(Trimmed(text.substr(colon + 1)));
        if (!number || *number == 0 || *number > 65535) {
            problem = "the port in " + Quoted(text) + " is not a number from 1 to 65535";
            return false;
        }
        portValue = static_cast<std::uint16_t>(*number);
    }
    if (hostPart.empty()) {
        problem = "the address " + Quoted(text) + " names no host";
        return false;
    }
    if (hostPart.size() > MaxHostLength || !std::all_of(hostPart.begin(), hostPart.end(), IsHostCharacter) ||
        hostPart.front() == '-' || hostPart.front() == '.') {
        problem = "the address " + Quoted(text) + " is neither an IPv4 address nor a host name";
        return false;
    }
    host = std::string(hostPart);
    port = portValue;
    return true;
}

AttachmentList ParseAttachments(std::string_view text) {
    return Parser().Run(text);
}

std::string DefaultAttachmentsFilePath() {
    return NetUtil::SettingsDirectory() + "/" + AttachmentsFileName;
}

namespace {

std::vector<std::string> SectionLines(const Attachment& attachment) {
    std::vector<std::string> lines{
        "Address = " + attachment.host +
        (attachment.port == DefaultNcpPort ? "" : ":" + std::to_string(attachment.port))};
    if (!attachment.user.empty())
        lines.push_back("User = " + attachment.user);
    if (!attachment.context.empty())
        lines.push_back("Context = " + attachment.context);
    if (attachment.timeoutSeconds != DefaultTimeoutSeconds)
        lines.push_back("Timeout = " + std::to_string(attachment.timeoutSeconds));
    return lines;
}

// The name of a "[NAME]" heading line, or nothing.
std::optional<std::string_view> HeadingName(std::string_view line) {
    line = Trimmed(line);
    if (line.empty() || line.front() != '[' || line.find(']') == std::string_view::npos)
        return std::nullopt;
    return Trimmed(line.substr(1, line.find(']') - 1));
}

bool IsAttachmentKeyLine(std::string_view line) {
    line = Trimmed(line);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || line.front() == ';' || line.front() == '#')
        return false;
    const std::string key = Upper(Trimmed(line.substr(0, equals)));
    return key == "ADDRESS" || key == "USER" || key == "CONTEXT" || key == "TIMEOUT";
}

} // namespace

std::string WithAttachment(std::string_view fileText, const Attachment& attachment) {
    const std::string lineEnd = fileText.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    const std::vector<std::string> newLines = SectionLines(attachment);
    std::vector<std::string_view> lines = SplitLines(fileText);
    std::string text;
    bool inSection = false;
    bool found = false;
    for (const std::string_view line : lines) {
        if (const auto name = HeadingName(line)) {
            inSection = !found && SameName(*name, attachment.serverName);
            text += std::string(line) + lineEnd;
            if (inSection) {
                found = true;
                for (const std::string& added : newLines)
                    text += added + lineEnd;
            }
            continue;
        }
        if (inSection && IsAttachmentKeyLine(line))
            continue;
        text += std::string(line) + lineEnd;
    }
    if (!found) {
        if (!text.empty() && !Trimmed(lines.back()).empty())
            text += lineEnd;
        text += "[" + attachment.serverName + "]" + lineEnd;
        for (const std::string& added : newLines)
            text += added + lineEnd;
    }
    return text;
}

bool SaveAttachment(const std::string& path, const Attachment& attachment, std::string& problem) {
    std::string text;
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        std::ifstream file(path, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (!file.good() && !file.eof()) {
            problem = path + " cannot be read";
            return false;
        }
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << WithAttachment(text, attachment);
        file.flush();
        if (!file) {
            problem = temporary + " cannot be written";
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        problem = path + " cannot be replaced: " + error.message();
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

AttachmentsFileState ReadAttachmentsFile(const std::string& path, AttachmentList& list) {
    list = {};
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return AttachmentsFileState::Missing;
    std::ifstream file(path, std::ios::binary);
    if (status.type() != std::filesystem::file_type::regular || !file) {
        list.problems.push_back(path + ": cannot be read");
        return AttachmentsFileState::Unreadable;
    }
    std::string text;
    text.resize(MaxFileSize + 1);
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (file.bad()) {
        list.problems.push_back(path + ": cannot be read");
        return AttachmentsFileState::Unreadable;
    }
    if (text.size() > MaxFileSize) {
        list.problems.push_back(path + ": larger than 64 KiB, not an attachments file");
        return AttachmentsFileState::Unreadable;
    }
    list = ParseAttachments(text);
    for (std::string& problem : list.problems)
        problem = path + ", " + problem;
    return AttachmentsFileState::Read;
}

} // namespace NetClient
