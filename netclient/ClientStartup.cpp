#include "netclient/ClientStartup.h"

#include "netclient/ClientLibrary.h"
#include "netclient/SharedState.h"
#include "util/ErrorReporting.h"

namespace NCP_Ext {

std::uint32_t InitNetWareClient() {
    ClientLibrary& client = Client();

    // A failed start-up call is told to the user, and start-up goes on: the later calls report for
    // themselves.
    LastStatus = client.StartClient(0, 0);
    if (LastStatus != 0)
        NetUtil::ShowPlainMessage("Could not Initialize NetWare Client");

    LastStatus = client.StartClx(0, 0);
    if (LastStatus != 0)
        NetUtil::ShowPlainMessage("Could not Initialize NWCLX");

    std::uint32_t primaryRef = 0;
    LastStatus = client.GetPrimaryConnRef(&primaryRef);
    if (LastStatus != 0)
        return LastStatus;

    // The handle is the open's output: PrimaryConn only takes it when the open succeeded, so a failing
    // client cannot leave a half-written value behind.
    std::uint32_t handle = 0;
    LastStatus = client.OpenConnByReference(primaryRef, ClientLibrary::OpenModeStartup, 0, &handle);
    if (LastStatus == 0)
        PrimaryConn = handle;
    return LastStatus;
}

} // namespace NCP_Ext
