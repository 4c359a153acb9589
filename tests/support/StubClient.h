#pragma once

#include "netclient/ClientLibrary.h"
#include "ncp/StatusCodes.h"

#include <cctype>

// A client library on which every call fails with the requester's invalid-connection status and writes
// nothing. Test fakes derive from it and override only the calls their test is about.
class StubClient : public ClientLibrary {
public:
    static constexpr std::uint16_t Fail = StatusCodes::InvalidConnection;

    std::uint16_t StartClient(std::uint32_t, std::uint32_t) override { return Fail; }
    std::uint16_t StartClx(std::uint32_t, std::uint32_t) override { return Fail; }
    std::uint16_t GetPrimaryConnRef(std::uint32_t*) override { return Fail; }
    std::uint16_t OpenConnByReference(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t*) override {
        return Fail;
    }
    std::uint16_t ScanConnRefs(std::uint32_t*, std::uint32_t*) override { return Fail; }
    std::uint16_t GetConnRefInfo(std::uint32_t, std::uint32_t, std::uint32_t, void*) override { return Fail; }
    std::uint16_t GetConnInfo(std::uint32_t, std::uint32_t, std::uint32_t, void*) override { return Fail; }
    std::uint16_t GetBinderyObjectNameById(std::uint32_t, std::uint32_t, char*, std::uint16_t*) override {
        return Fail;
    }
    std::uint32_t NWDSCreateContext() override { return NoContext; }
    std::uint32_t MapIdToDSName(std::uint32_t, std::uint32_t, std::uint32_t, char*) override { return Fail; }
    std::uint32_t FreeContext(std::uint32_t) override { return 0; }
    std::uint32_t NWDSCreateContextHandle(std::uint32_t* context) override {
        *context = NoContext;
        return Fail;
    }
    std::uint32_t NWDSGetServerDN(std::uint32_t, std::uint32_t, char*) override { return Fail; }
    std::uint32_t GetBinderyContext(std::uint32_t, std::uint32_t, char*) override { return Fail; }
    std::uint16_t NWGetFileServerInformation(std::uint32_t, char*, std::uint8_t*, std::uint8_t*, std::uint8_t*,
                                             std::uint16_t*, std::uint16_t*, std::uint16_t*, std::uint16_t*,
                                             std::uint8_t*, std::uint8_t*) override {
        return Fail;
    }
    std::uint16_t ScanNCPExtensions(std::uint32_t, std::uint32_t*, char*, std::uint8_t*, std::uint8_t*,
                                    std::uint8_t*, std::uint8_t*) override {
        return Fail;
    }
    std::uint16_t GetNCPExtensionInfoByName(std::uint32_t, const char*, std::uint32_t*, std::uint8_t*,
                                            std::uint8_t*, std::uint8_t*, std::uint8_t*) override {
        return Fail;
    }
    std::uint16_t NCPExtensionRequest(std::uint32_t, std::uint32_t, const void*, std::uint32_t, void*,
                                      std::uint16_t*) override {
        return Fail;
    }
    std::uint16_t NWSMLoadNLM(std::uint32_t, const char*) override { return Fail; }
    std::uint16_t NWSMUnloadNLM(std::uint32_t, const char*) override { return Fail; }
    // ASCII upper-casing, in place, up to the first zero byte.
    char* UpperCaseText(char* text) override {
        for (char* c = text; *c != '\0'; ++c)
            *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        return text;
    }
    std::uint16_t GetVolumeDirectory(const char*, const char*, char*, std::uint32_t) override { return Fail; }
};

// Binds a client for the lifetime of a test scope and unbinds it after.
class ScopedClientBinding final {
public:
    explicit ScopedClientBinding(ClientLibrary& client) { BindClient(&client); }
    ~ScopedClientBinding() { BindClient(nullptr); }
    ScopedClientBinding(const ScopedClientBinding&) = delete;
    ScopedClientBinding& operator=(const ScopedClientBinding&) = delete;
};
