#pragma once

#include <cstddef>
#include <string>

// The program's profile file: sections in brackets, each followed by key=value lines (SettingsProfile.h).
// Only a regular file of at most MaxSettingsFileSize bytes is read or replaced, and never by an open that
// could block; a named pipe, a device, a directory or a larger file under the name reads as a missing file
// and is left as it is.
namespace NetUtil {

inline constexpr std::size_t MaxSettingsFileSize = 1024 * 1024;

// The stored value, byte for byte, or defaultValue when the file, the section or the key is missing or the
// file cannot be read. A key present with an empty value reads as the empty text.
std::string ReadSetting(const std::string& fileName, const std::string& section, const std::string& key,
                        const std::string& defaultValue);

// Replaces the value, creating the directory, file, section and key as needed and keeping every other line,
// the file's line breaks, its byte-order mark and its permission bits. Characters a line cannot hold (CR,
// LF, zero bytes) are left out of the stored value. False when the file cannot be written (among others:
// the name leads to something other than a regular file, or to a read-only file), or when a name cannot be
// held by one line of the file.
bool WriteSetting(const std::string& fileName, const std::string& section, const std::string& key,
                  const std::string& value);

// Where a bare profile name such as "QVEXT" is stored (the file shown when a write fails):
// SettingsDirectory() followed by the name and, when the name has none, the extension ".INI". A name with a
// '/' is a path already.
std::string SettingsFilePath(const std::string& fileName);

// The directory that holds the profile files; tests point it at a temporary directory.
void SetSettingsDirectory(const std::string& directory);
std::string SettingsDirectory();

} // namespace NetUtil
