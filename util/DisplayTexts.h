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

// A name a server reported, as the window shows it: never interpreted, every byte visible. The bytes read as
// Latin-1 (as ServerText), but a control byte shows as a placeholder: 0x01-0x1F and 0x7F as the symbols the
// server's console shows for them (code page 437: a line feed as U+25D9, escape as U+2190), 0x80-0x9F as
// U+FFFD. The window keeps the bytes themselves wherever it hands the name back to the client.
QString ShownName(const std::string& bytes);

// The text of a server's entry in the server list: its shown name, or EmptyServerName for a server that
// reports none.
QString ServerEntryText(const std::string& bytes);
inline constexpr const char* EmptyServerName = "<no name>";

// A window title shown exactly as given: the toolkit reads "[*]" in a title as the place of its
// "modified" mark and drops it, so a user name such as a[*]b needs its brackets doubled.
QString LiteralWindowTitle(const QString& title);

// The words of the tool tip that a successful action shows at its button.
QString CopiedText(const QString& fileName, const QString& destination, std::int64_t bytes);
QString LoadedText(const QString& moduleName);
QString UnloadedText(const QString& moduleName);
