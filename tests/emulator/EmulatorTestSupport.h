#pragma once

#include "emulator/Server.h"
#include "emulator/Workstation.h"
#include "netclient/StatusCodes.h"

#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Small networks built in code for the emulator's tests, and the byte-level exchange with an extension.
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

// One extension request with a reply buffer of the given capacity; the reply holds what was written.
inline Reply Exchange(Emulator::Workstation& workstation, std::uint32_t handle, std::uint32_t extensionId,
                      const std::vector<std::uint8_t>& request, std::uint16_t capacity = 1024) {
    std::vector<std::uint8_t> buffer(capacity, 0xEE);
    std::uint16_t length = capacity;
    Reply reply;
    reply.status =
        workstation.NCPExtensionRequest(handle, extensionId, request.data(),
                                        static_cast<std::uint32_t>(request.size()), buffer.data(), &length);
    buffer.resize(length);
    reply.bytes = buffer;
    return reply;
}

inline std::uint32_t OpenHandle(Emulator::Workstation& workstation, std::uint32_t connRef) {
    std::uint32_t handle = 0;
    const std::uint16_t status =
        workstation.OpenConnByReference(connRef, ClientLibrary::OpenModeLater, 0, &handle);
    if (status != 0)
        qWarning("OpenConnByReference failed: %04X", status);
    return handle;
}

inline std::uint32_t ExtensionId(Emulator::Workstation& workstation, std::uint32_t handle, const char* name) {
    std::uint32_t id = 0;
    std::uint8_t major = 0, minor = 0, revision = 0;
    std::uint8_t query[ClientLibrary::QueryDataSize] = {};
    if (workstation.GetNCPExtensionInfoByName(handle, name, &id, &major, &minor, &revision, query) != 0)
        return 0;
    return id;
}

// A workstation with one server "ATLAS" (version 5) whose console module is loaded, a handle on it and
// the console extension's ID.
struct ConsoleNetwork {
    QTemporaryDir volumes;
    ManualClock clock;
    std::unique_ptr<Emulator::Workstation> workstation;
    Emulator::Server* server = nullptr;
    std::uint32_t handle = 0;
    std::uint32_t extension = 0;

    ConsoleNetwork() {
        workstation = std::make_unique<Emulator::Workstation>(volumes.path().toStdString(), clock.AsClock());
        server = &workstation->AddServer(Config("ATLAS", 5));
        server->ServerVolumes().WriteSystemFileIfMissing("QVEXT.NLM", std::vector<std::uint8_t>{1, 2, 3});
        if (server->LoadModule("QVEXT.NLM") != 0)
            qWarning("console module not loaded");
        handle = OpenHandle(*workstation, workstation->AddConnection(*server, 0));
        extension = ExtensionId(*workstation, handle, "QV_EXT");
    }

    Reply Send(const std::vector<std::uint8_t>& request, std::uint16_t capacity = 1024) {
        return Exchange(*workstation, handle, extension, request, capacity);
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
