#pragma once

#include <string>

// The program's profile file: sections in brackets, each followed by key=value lines.
namespace NetUtil {

// The stored value, or defaultValue when the file, the section or the key is missing. A key present with
// an empty value reads as the empty text.
std::string ReadSetting(const std::string& fileName, const std::string& section, const std::string& key,
                        const std::string& defaultValue);

// Replaces the value, creating the file, section and key as needed. False when the file cannot be written.
bool WriteSetting(const std::string& fileName, const std::string& section, const std::string& key,
                  const std::string& value);

// Where a bare profile name such as "QVEXT" is stored (the file shown when a write fails).
std::string SettingsFilePath(const std::string& fileName);

// The directory that holds the profile files; tests point it at a temporary directory.
void SetSettingsDirectory(const std::string& directory);
std::string SettingsDirectory();

} // namespace NetUtil
