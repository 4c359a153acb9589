#pragma once

#include <cstdint>

namespace NCP_Ext {

// Starts the client and opens the primary connection into PrimaryConn. Failed start-up calls show their
// plain messages and start-up goes on. Returns the status of the last step run (also left in LastStatus).
std::uint32_t InitNetWareClient();

} // namespace NCP_Ext
