#pragma once

#include <string>

// The platform path layer under the file copy. A network path "\\SERVER\VOLUME\rest" goes to the directory
// the client reports for that server's volume (names case-insensitive) with rest below it; any other path
// has its '\' separators turned into '/'. Returns false, leaving localPath empty, when the server or volume
// is unknown or the path would leave the volume's root.
namespace Platform {
bool ToLocalPath(const std::string& path, std::string& localPath);
}
