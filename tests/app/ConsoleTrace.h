#pragma once

// Reads a recorded client log back as the console traffic a user's action caused: extension lookups and
// the six console messages, one short token each, so window tests can compare whole sequences.

#include "tests/support/RecordingClient.h"

#include <QString>
#include <QStringList>

inline QStringList ConsoleTrace(const RecordingClient& client) {
    QStringList trace;
    for (const std::string& entry : client.Calls()) {
        const QString call = QString::fromStdString(entry);
        if (call.startsWith(QStringLiteral("GetNCPExtensionInfoByName"))) {
            trace << QStringLiteral("lookup");
            continue;
        }
        if (!call.startsWith(QStringLiteral("NCPExtensionRequest")))
            continue;
        const int from = call.indexOf(QStringLiteral("req=")) + 4;
        const QStringList hex =
            call.mid(from, call.indexOf(QStringLiteral(",cap=")) - from).split(QLatin1Char(' '));
        QList<uint> bytes;
        for (const QString& byte : hex)
            bytes << byte.toUInt(nullptr, 16);
        const auto le32 = [&](int at) {
            return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
        };
        switch (bytes[0] | bytes[1] << 8) {
        case 0x4019:
            trace << QStringLiteral("list %1").arg(le32(2));
            break;
        case 0x4015:
            trace << QStringLiteral("open %1").arg(le32(3));
            break;
        case 0x4016:
            trace << QStringLiteral("select %1").arg(le32(2));
            break;
        case 0x401C:
            trace << QStringLiteral("read %1").arg(le32(2));
            break;
        case 0x401D:
            trace << QStringLiteral("key %1").arg(bytes[2] | bytes[3] << 8, 4, 16, QLatin1Char('0'));
            break;
        case 0x4012:
            trace << QStringLiteral("clear");
            break;
        default:
            trace << QStringLiteral("unknown");
        }
    }
    return trace;
}

// The traffic of one display of the screen at 1-based position `position` in a list, its handle given.
inline QStringList DisplayTrace(int position, int handle) {
    QStringList trace{QStringLiteral("lookup"), QStringLiteral("lookup")};
    for (int previous = 0; previous < position; ++previous)
        trace << QStringLiteral("list %1").arg(previous);
    trace << QStringLiteral("open %1").arg(position) << QStringLiteral("select %1").arg(handle);
    for (int row = 0; row < 25; row += 5)
        trace << QStringLiteral("read %1").arg(row);
    return trace;
}
