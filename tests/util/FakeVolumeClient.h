#pragma once

#include "tests/support/StubClient.h"

#include <QByteArray>

#include <cstring>
#include <map>
#include <string>
#include <utility>

// A client that knows the local directories of some servers' volumes (names compared without case, as the
// real client does) and counts how often it is asked.
class FakeVolumeClient final : public StubClient {
public:
    void AddVolume(const std::string& server, const std::string& volume, const std::string& directory) {
        volumes[{Upper(server), Upper(volume)}] = directory;
    }

    std::uint16_t GetVolumeDirectory(const char* serverName, const char* volumeName, char* path,
                                     std::uint32_t pathCapacity) override {
        ++calls;
        lastServer = serverName;
        lastVolume = volumeName;
        const auto found = volumes.find({Upper(serverName), Upper(volumeName)});
        if (found == volumes.end() || found->second.size() + 1 > pathCapacity)
            return Fail;
        std::memcpy(path, found->second.c_str(), found->second.size() + 1);
        return 0;
    }

    int calls = 0;
    std::string lastServer;
    std::string lastVolume;

private:
    static std::string Upper(const std::string& name) {
        return QByteArray::fromStdString(name).toUpper().toStdString();
    }

    std::map<std::pair<std::string, std::string>, std::string> volumes;
};
