#pragma once

#include <QString>

#include <cstdint>
#include <string>

// Texts the window shows or hands to servers.

// Server names, module names and everything else a server reads or reports are 8-bit text in one encoding,
// Latin-1, so a byte 0x80 and above means the same character in the server list, in a lookup and in a
// network path. A character that Latin-1 lacks becomes '?'. Cuts of such text count these bytes.
std::string ServerBytes(const QString& text);
QString ServerText(const std::string& bytes);

// A window title shown exactly as given: the toolkit reads "[*]" in a title as the place of its
// "modified" mark and drops it, so a user name such as a[*]b needs its brackets doubled.
QString LiteralWindowTitle(const QString& title);

// The words of the tool tip that a successful action shows at its button.
QString CopiedText(const QString& fileName, const QString& destination, std::int64_t bytes);
QString LoadedText(const QString& moduleName);
QString UnloadedText(const QString& moduleName);
