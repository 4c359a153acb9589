#pragma once

#include "emulator/Server.h"
#include "ncp/StatusCodes.h"

#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Servers built in code for the emulator's tests, and the byte-level exchange with an extension.
namespace EmulatorTest {

inline Emulator::ServerConfig Config(const std::string& name, std::uint8_t major, std::uint8_t minor = 0) {
    Emulator::ServerConfig config;
    config.name = name;
    config.majorVersion = major;
    config.minorVersion = minor;
    if (major >= 4) {
        config.directoryName = "CN=" + name + ".O=ACME";
        config.binderyContext = "OU=SALES.O=ACME";
    }
    return config;
}

// A fixed clock that tests move by hand.
struct ManualClock {
    std::shared_ptr<std::chrono::system_clock::time_point> now =
        std::make_shared<std::chrono::system_clock::time_point>(
            std::chrono::sys_days(std::chrono::year(2024) / 5 / 15) + std::chrono::hours(15) +
            std::chrono::minutes(4));
    Emulator::Clock AsClock() const {
        return [now = now] { return *now; };
    }
    void Advance(std::chrono::seconds step) { *now += step; }
};

struct Reply {
    std::uint16_t status = 0;
    std::vector<std::uint8_t> bytes;
};

// The ID of the server's extension of that name, or 0 when none is registered.
inline std::uint32_t ExtensionId(const Emulator::Server& server, const char* name) {
    const Emulator::ExtensionInfo* info = server.Extensions().Find(name);
    return info != nullptr ? info->id : 0;
}

// A server "ATLAS" (version 5) whose console module is loaded, and the console extension's ID. Requests go
// to the server's extension registry, as its NCP sessions hand on the messages of function 37, from the
// connection with the number in connection.
struct ConsoleNetwork {
    QTemporaryDir volumes;
    ManualClock clock;
    std::unique_ptr<Emulator::Server> server =
        std::make_unique<Emulator::Server>(Config("ATLAS", 5), volumes.path().toStdString(), clock.AsClock());
    std::uint32_t extension = 0;
    std::uint32_t connection = 1;

    ConsoleNetwork() {
        server->ServerVolumes().WriteSystemFileIfMissing("QVEXT.NLM", std::vector<std::uint8_t>{1, 2, 3});
        if (server->LoadModule("QVEXT.NLM") != 0)
            qWarning("console module not loaded");
        extension = ExtensionId(*server, "QV_EXT");
    }

    Reply Send(const std::vector<std::uint8_t>& request) {
        Reply reply;
        reply.status = server->Extensions().Request(extension, connection, request, reply.bytes);
        return reply;
    }
};

inline std::vector<std::uint8_t> LE32(std::uint16_t code, std::uint32_t value) {
    return {static_cast<std::uint8_t>(code),        static_cast<std::uint8_t>(code >> 8),
            static_cast<std::uint8_t>(value),       static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

inline std::uint32_t ReadLE32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes.at(offset)) |
           (static_cast<std::uint32_t>(bytes.at(offset + 1)) << 8) |
           (static_cast<std::uint32_t>(bytes.at(offset + 2)) << 16) |
           (static_cast<std::uint32_t>(bytes.at(offset + 3)) << 24);
}

} // namespace EmulatorTest
