#pragma once

#include <cstdint>

// One NCP extension's identity as the client's scan and lookup deliver it. The extension scan writes the
// name as zero-terminated text from the first byte of the name field; the console lookup puts a length byte
// before the characters.
struct NCPExtensionRecord {
    std::uint32_t id = 0;
    char name[256] = {};
    std::uint8_t majorVersion = 0;
    std::uint8_t minorVersion = 0;
    std::uint8_t revision = 0;
    std::uint8_t queryData[32] = {};
};

// The program's module variables, shared by the window's handlers and the free routines. Each thread has its
// own: the window's are the main thread's, and a thread that talks to a server through its own client (see
// BindClientForThisThread) keeps its handle, status and extension record apart from the window's.
inline thread_local std::uint32_t CurrentConn = 0; // handle of the server chosen on the Connections page
inline thread_local std::uint32_t LastStatus = 0;  // status of the most recent call that stores it
inline thread_local NCPExtensionRecord
    ConsoleExt; // console extension identity, also the extension scan's buffer

namespace NCP_Ext {
inline std::uint32_t PrimaryConn = 0; // handle opened on the primary connection at start-up; read by nothing
}

namespace NetUtil {
inline std::uint16_t ScanStatus = 0; // status of the latest connection-scan call
}

// Puts every module variable back to its start value (for tests that build several windows in one process).
void ResetSharedState();
