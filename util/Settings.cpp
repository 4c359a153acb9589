#include "util/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cctype>
#include <vector>

// A small reader and writer of profile files in the Windows manner: "[Section]" headings, "key=value" lines,
// section and key names compared without regard to case, values kept byte for byte. Lines that are neither
// (comments, blank lines, anything else) are kept as they are when the file is rewritten.
namespace NetUtil {

namespace {

std::string settingsDirectoryOverride;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& text) {
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && IsBlank(text[start]))
        ++start;
    while (end > start && IsBlank(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// One line of the file without its line break; a '\r' of a CRLF file stays on the line.
std::string WithoutCarriageReturn(const std::string& line) {
    if (!line.empty() && line.back() == '\r')
        return line.substr(0, line.size() - 1);
    return line;
}

// The section's name when the line is a "[Section]" heading.
bool SectionHeading(const std::string& line, std::string& name) {
    const std::string text = Trimmed(WithoutCarriageReturn(line));
    if (text.size() < 2 || text.front() != '[')
        return false;
    const std::size_t close = text.find(']');
    if (close == std::string::npos)
        return false;
    name = Trimmed(text.substr(1, close - 1));
    return true;
}

// The key and the value (everything after the first '=', verbatim) of a "key=value" line.
bool KeyLine(const std::string& line, std::string& key, std::string& value) {
    const std::string text = WithoutCarriageReturn(line);
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos)
        return false;
    key = Trimmed(text.substr(0, equals));
    if (key.empty() || key.front() == ';')
        return false;
    value = text.substr(equals + 1);
    return true;
}

QString LocalName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

enum class LoadResult { Loaded, Missing, Failed };

LoadResult LoadLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    QFile file(LocalName(path));
    if (!file.exists())
        return LoadResult::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::Failed;
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return LoadResult::Failed;
    std::string text = contents.toStdString();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return LoadResult::Loaded;
}

// Where the value of section/key lives: the line of the key, or (keyLine == npos) the place after the
// section's last non-blank line at which a new key goes, or (sectionLine == npos) no such section.
struct Location {
    std::size_t sectionLine = std::string::npos;
    std::size_t keyLine = std::string::npos;
    std::size_t insertAt = std::string::npos;
    std::string value;
};

Location Find(const std::vector<std::string>& lines, const std::string& section, const std::string& key) {
    Location location;
    std::size_t line = 0;
    std::string name;
    for (; line < lines.size(); ++line) {
        if (SectionHeading(lines[line], name) && SameName(name, section))
            break;
    }
    if (line == lines.size())
        return location;
    location.sectionLine = line;
    location.insertAt = line + 1;
    std::string lineKey;
    std::string value;
    for (++line; line < lines.size(); ++line) {
        if (SectionHeading(lines[line], name))
            break;
        if (!Trimmed(WithoutCarriageReturn(lines[line])).empty())
            location.insertAt = line + 1;
        if (KeyLine(lines[line], lineKey, value) && SameName(lineKey, key)) {
            location.keyLine = line;
            location.value = value;
            return location;
        }
    }
    return location;
}

// Text that a line of the file can hold: no line break, no zero byte, and not the given delimiter.
bool FitsOnLine(const std::string& text, char delimiter) {
    const std::string forbidden{'\r', '\n', '\0', delimiter};
    return text.find_first_of(forbidden) == std::string::npos;
}

} // namespace

std::string SettingsDirectory() {
    if (!settingsDirectoryOverride.empty())
        return settingsDirectoryOverride;
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
               .toStdString() +
           "/Tessaline";
}

void SetSettingsDirectory(const std::string& directory) {
    settingsDirectoryOverride = directory;
}

std::string SettingsFilePath(const std::string& fileName) {
    if (fileName.find('/') != std::string::npos)
        return fileName;
    const bool hasExtension = fileName.find('.') != std::string::npos;
    return SettingsDirectory() + "/" + fileName + (hasExtension ? "" : ".INI");
}

std::string ReadSetting(const std::string& fileName, const std::string& section, const std::string& key,
                        const std::string& defaultValue) {
    std::vector<std::string> lines;
    if (LoadLines(SettingsFilePath(fileName), lines) != LoadResult::Loaded)
        return defaultValue;
    const Location location = Find(lines, section, key);
    if (location.keyLine == std::string::npos)
        return defaultValue;
    return location.value;
}

bool WriteSetting(const std::string& fileName, const std::string& section, const std::string& key,
                  const std::string& value) {
    // Names and values that the line format cannot hold would come back as something else.
    if (Trimmed(section).empty() || Trimmed(key).empty() || !FitsOnLine(section, ']') ||
        !FitsOnLine(key, '=') || !FitsOnLine(value, '\n'))
        return false;

    const std::string path = SettingsFilePath(fileName);
    std::vector<std::string> lines;
    if (LoadLines(path, lines) == LoadResult::Failed)
        return false;

    // A file written on Windows keeps its CRLF line ends.
    const std::string lineEnd =
        !lines.empty() && !lines.front().empty() && lines.front().back() == '\r' ? "\r" : "";
    const std::string entry = key + "=" + value + lineEnd;
    const Location location = Find(lines, section, key);
    if (location.keyLine != std::string::npos) {
        lines[location.keyLine] = entry;
    } else if (location.sectionLine != std::string::npos) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(location.insertAt), entry);
    } else {
        if (!lines.empty() && !Trimmed(WithoutCarriageReturn(lines.back())).empty())
            lines.push_back(lineEnd);
        lines.push_back("[" + section + "]" + lineEnd);
        lines.push_back(entry);
    }

    const QString localPath = LocalName(path);
    if (!QDir().mkpath(QFileInfo(localPath).absolutePath()))
        return false;
    QByteArray contents;
    for (const std::string& line : lines) {
        contents.append(line.data(), static_cast<qsizetype>(line.size()));
        contents.append('\n');
    }
    // Written beside the file and renamed over it, so that a failure leaves the old file whole.
    QSaveFile file(localPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(contents) != contents.size())
        return false;
    return file.commit();
}

} // namespace NetUtil
