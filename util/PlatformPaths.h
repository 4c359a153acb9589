#pragma once

#include <string>

// The platform path layer under the file copy. A network path "\\SERVER\VOLUME\rest" goes to the directory
// the client reports for that server's volume (names case-insensitive) with rest below it; any other path
// has its '\' separators turned into '/'. Returns false, leaving localPath empty, when the server or volume
// is unknown, the path would leave the volume's root, or the path is empty or holds a zero byte. Only network
// paths ask the bound client.
namespace Platform {
bool ToLocalPath(const std::string& path, std::string& localPath);
}
