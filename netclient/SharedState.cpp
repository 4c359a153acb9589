#include "netclient/SharedState.h"

void ResetSharedState() {
    CurrentConn = 0;
    LastStatus = 0;
    ConsoleExt = NCPExtensionRecord{};
    NCP_Ext::PrimaryConn = 0;
    NetUtil::ScanStatus = 0;
}
