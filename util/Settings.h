#pragma once

#include <string>

// The program's profile file: sections in brackets, each followed by key=value lines.
namespace NetUtil {

// The stored value, or defaultValue when the file, the section or the key is missing. A key present with
// an empty value reads as the empty text.
std::string ReadSetting(const std::string& fileName, const std::string& section, const std::string& key,
                        const std::string& defaultValue);

// Replaces the value, creating the directory, file, section and key as needed and keeping every other line.
// False when the file cannot be written, or when a name or the value cannot be held by one line of the file.
bool WriteSetting(const std::string& fileName, const std::string& section, const std::string& key,
                  const std::string& value);

// Where a bare profile name such as "QVEXT" is stored (the file shown when a write fails): SettingsDirectory()
// followed by the name and, when the name has none, the extension ".INI". A name with a '/' is a path already.
std::string SettingsFilePath(const std::string& fileName);

// The directory that holds the profile files; tests point it at a temporary directory.
void SetSettingsDirectory(const std::string& directory);
std::string SettingsDirectory();

} // namespace NetUtil
