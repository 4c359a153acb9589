#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// The tests' independent check of NCP bytes: runs Wireshark's tshark (one pass, bounded in time) over a
// capture the program wrote and lists every frame on the given TCP ports that tshark does not accept as
// NCP: segments that do not decode as NCP, malformed packets, unknown functions or packet types,
// replies without their request, requests never answered, and TCP analysis warnings (the capture's
// sequence numbers must be consistent). A completion code other than 0 is an answer, not a problem.
// Used by the ncp capture test and by the server and client tests that capture their exchanges.
namespace TsharkCheck {

struct Problem {
    int frame = 0; // tshark's frame number; 0 for the run itself (tshark missing, failed, too slow)
    QString text;
};

struct Report {
    QList<Problem> problems;
    // "frame: Info column" of every NCP frame on the ports, in order ("4: C Get Login Key").
    QStringList ncpFrames;

    // The problems, one per line, for a failure message.
    QString ProblemText() const;
};

// Whether tshark is installed.
bool Available();

// Decodes pcapFile with the ports taken as NCP over TCP. Waits at most timeLimitMs for tshark.
Report Check(const QString& pcapFile, const QList<std::uint16_t>& ports, int timeLimitMs = 60000);

} // namespace TsharkCheck
