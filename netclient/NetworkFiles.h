#pragma once

#include "util/PlatformFileSystem.h"

#include <cstdint>
#include <string>
#include <vector>

// The file layer for network paths "\\SERVER\VOLUME\dir\NAME": files on a server's volume written through
// NCP file calls on the client's connection to that server (the first reference whose server has that name;
// a lost connection is made again first). Bound with Platform::BindNetworkFiles, so that the transfer's copy
// reaches the server this way while local paths stay local.
//
// A replacement is written into a temporary file beside the destination (87/01 create, 73 writes of at most
// the negotiated buffer, never across a multiple of it: the copy's 4 KiB blocks are gathered into writes that
// large, and what is gathered goes out before the time, the attributes and the close); Commit closes it (66),
// sets its modification time
// and attributes (87/07), and renames it over the destination (87/04). If any step fails, or the replacement
// goes without a Commit, the temporary file is deleted (87/08) and the old destination stays as it was; one
// that cannot be deleted then (the connection is gone) is deleted at the next replacement on that server.
// Reading files from a server is not offered (the program only writes there): OpenForReading refuses.
namespace NetClient {

class NcpClient;

// A network path taken apart; false for a path that is not "\\SERVER\VOLUME\..." with at least a name below
// the volume, or that holds an empty, "." or ".." component.
struct NetworkPath {
    std::string server;
    std::string volume;
    std::vector<std::string> components; // the directories below the volume, then the name
};
bool ParseNetworkPath(const std::string& path, NetworkPath& parsed);

class NetworkFiles final : public Platform::FileSystem {
public:
    // A temporary file a replacement could not delete.
    struct Leftover {
        std::string server;
        std::string volume;
        std::vector<std::string> components;
    };

    explicit NetworkFiles(NcpClient& client) : client_(client) {}

    Platform::OpenResult OpenForReading(const std::string& path,
                                        std::unique_ptr<Platform::SourceFile>& file) override;
    Platform::CreateResult CreateReplacement(const std::string& path,
                                             std::unique_ptr<Platform::ReplacementFile>& file) override;
    bool Identify(const std::string& path, Platform::FileIdentity& identity) override;
    bool WriteAttributes(const std::string& path, const Platform::FileAttributes& attributes) override;

private:
    NcpClient& client_;
    std::uint32_t nextTemporary_ = 0;
    std::vector<Leftover> leftovers_;
};

// NetWare's attribute bits for a file of that mode: read-only (0x01) when no write permission bit is set,
// and archive-needed (0x20) for a file just written.
std::uint32_t NetWareAttributes(const Platform::FileAttributes& attributes);

} // namespace NetClient
