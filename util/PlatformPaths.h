#pragma once

#include <string>

// The platform path layer under the file copy. A network path "\\SERVER\VOLUME\rest" goes to the directory
// the client reports for that server's volume (names case-insensitive) with rest below it, every symbolic
// link on the way resolved: the result is the real path, and it never ends outside the volume's directory
// (no "..", no link leading elsewhere, no link leading nowhere). Any other path has its '\' separators
// turned into '/' and is left to the caller. Returns false, leaving localPath empty, when the server or
// volume is unknown, its directory does not exist, the path would leave the volume, or the path is empty
// or holds a zero byte. Only network paths ask the bound client.
namespace Platform {
bool ToLocalPath(const std::string& path, std::string& localPath);
}
