#pragma once

#include "netclient/ConnectionControl.h"

#include <QIcon>

// The mark beside a server list entry that shows its connection's state without touching the entry's text.
// Shapes differ as well as colours, so the marks read without colour too: a filled green dot (logged in), a
// hollow dot (attached without a login), a red cross (lost), an amber ring with a gap (reconnecting).
namespace StateMarks {

inline constexpr int MarkSize = 12;

QIcon Mark(NetClient::ConnectionState state);

} // namespace StateMarks
