#include "tests/support/TsharkCheck.h"

#include <QMap>
#include <QPair>
#include <QProcess>
#include <QStandardPaths>

namespace TsharkCheck {

namespace {

// The fields asked of tshark, one column each, in this order.
enum Column {
    Number,
    SourcePort,
    DestinationPort,
    SegmentLength,
    Protocols,
    ReassembledIn,
    Stream,
    NcpType,
    NcpSequence,
    RequestFrame,
    Info,
    ExpertGroup,
    ExpertSeverity,
    ExpertMessage,
    ColumnCount
};
const QStringList Fields = {"frame.number",
                            "tcp.srcport",
                            "tcp.dstport",
                            "tcp.len",
                            "frame.protocols",
                            "tcp.reassembled_in",
                            "tcp.stream",
                            "ncp.type",
                            "ncp.seq",
                            "ncp.req_frame_num",
                            "_ws.col.Info",
                            "_ws.expert.group",
                            "_ws.expert.severity",
                            "_ws.expert.message"};

// Several values of one field in one frame (several PDUs, several expert items) are joined by this.
const QChar Aggregator(0x1F);

// Wireshark's expert levels and groups (epan/proto.h).
constexpr qint64 SeverityWarning = 0x00600000;
constexpr qint64 GroupResponseCode = 0x03000000; // a server's completion code: an answer, not a fault

// Texts by which tshark marks frames it could not decode as NCP.
const QStringList FaultTexts = {"Malformed", "Unknown Function", "Unknown type",
                                "Original Request Packet not Found", "No request record found"};

bool IsRequestType(const QString& type) {
    return type == "0x1111" || type == "0x2222" || type == "0x5555";
}

QStringList Args(const QString& pcapFile, const QList<std::uint16_t>& ports) {
    QStringList args = {"-r",
                        pcapFile,
                        "-n",
                        "-T",
                        "fields",
                        "-E",
                        "separator=/t",
                        "-E",
                        "occurrence=a",
                        "-E",
                        QStringLiteral("aggregator=") + Aggregator};
    for (const std::uint16_t port : ports)
        args << "-d" << QStringLiteral("tcp.port==%1,ncp").arg(port);
    for (const QString& field : Fields)
        args << "-e" << field;
    return args;
}

// The problems one frame shows by itself; requests and replies are paired after all frames are read.
void CheckFrame(const QStringList& columns, int frame, QList<Problem>& problems) {
    for (const QString& text : FaultTexts)
        if (columns[Info].contains(text, Qt::CaseInsensitive)) {
            problems.append({frame, columns[Info]});
            break;
        }
    const QStringList groups = columns[ExpertGroup].split(Aggregator);
    const QStringList severities = columns[ExpertSeverity].split(Aggregator);
    const QStringList messages = columns[ExpertMessage].split(Aggregator);
    for (qsizetype i = 0; i < messages.size() && i < groups.size() && i < severities.size(); ++i) {
        if (messages[i].isEmpty())
            continue;
        const bool serious = severities[i].toLongLong() >= SeverityWarning;
        const bool faultText = messages[i].contains("No request record found", Qt::CaseInsensitive);
        if ((serious && groups[i].toLongLong() != GroupResponseCode) || faultText)
            problems.append({frame, "expert: " + messages[i]});
    }
}

} // namespace

QString Report::ProblemText() const {
    QStringList lines;
    for (const Problem& problem : problems)
        lines << QStringLiteral("frame %1: %2").arg(problem.frame).arg(problem.text);
    return lines.join('\n');
}

bool Available() {
    return !QStandardPaths::findExecutable("tshark").isEmpty();
}

Report Check(const QString& pcapFile, const QList<std::uint16_t>& ports, int timeLimitMs) {
    Report report;
    QProcess tshark;
    tshark.start("tshark", Args(pcapFile, ports));
    if (!tshark.waitForStarted(timeLimitMs)) {
        report.problems.append({0, "tshark did not start: " + tshark.errorString()});
        return report;
    }
    if (!tshark.waitForFinished(timeLimitMs)) {
        tshark.kill();
        tshark.waitForFinished(5000);
        report.problems.append({0, QStringLiteral("tshark did not finish within %1 ms").arg(timeLimitMs)});
        return report;
    }
    if (tshark.exitStatus() != QProcess::NormalExit || tshark.exitCode() != 0) {
        report.problems.append(
            {0, "tshark failed: " + QString::fromLocal8Bit(tshark.readAllStandardError())});
        return report;
    }

    // Replies are paired with requests as the client pairs them: same TCP connection, same sequence.
    // (Wireshark's own pairing keys on the addresses and the NCP connection number, not the ports, so it
    // misses the reply to a create request when an earlier connection between the same addresses had the
    // same number; such a reply carries no fields to check, every other reply must be linked.)
    struct Waiting {
        int frame = 0;
        QString type;
    };
    QMap<QPair<int, int>, QList<Waiting>> waiting; // (TCP stream, sequence) -> requests not answered yet
    QMap<QPair<int, int>, QList<Problem>> undecodedData; // (TCP stream, source port) -> segments so far
    const QStringList lines =
        QString::fromUtf8(tshark.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        QStringList columns = line.split('\t');
        if (columns.size() < ColumnCount)
            columns.resize(ColumnCount);
        const int frame = columns[Number].toInt();
        const bool onPorts = ports.contains(static_cast<std::uint16_t>(columns[SourcePort].toUInt())) ||
                             ports.contains(static_cast<std::uint16_t>(columns[DestinationPort].toUInt()));
        if (!onPorts)
            continue;
        CheckFrame(columns, frame, report.problems);
        // TCP data is NCP once tshark decodes it, perhaps only with a later segment of the same direction
        // (one pass cannot tell a segment where its frame will be completed).
        const bool isNcp = columns[Protocols].split(':').contains("ncp");
        auto& undecoded = undecodedData[{columns[Stream].toInt(), columns[SourcePort].toInt()}];
        if (isNcp) {
            undecoded.clear();
            report.ncpFrames << QStringLiteral("%1: %2").arg(frame).arg(columns[Info]);
        } else if (columns[SegmentLength].toInt() > 0 && columns[ReassembledIn].isEmpty()) {
            undecoded.append({frame, "TCP data not decoded as NCP: " + columns[Info]});
        }
        const QStringList types = columns[NcpType].split(Aggregator, Qt::SkipEmptyParts);
        const QStringList sequences = columns[NcpSequence].split(Aggregator, Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < types.size() && i < sequences.size(); ++i) {
            auto& requests = waiting[{columns[Stream].toInt(), sequences[i].toInt()}];
            if (IsRequestType(types[i])) {
                requests.append({frame, types[i]});
            } else if (types[i] == "0x3333") {
                if (requests.isEmpty()) {
                    report.problems.append({frame, "reply without its request: " + columns[Info]});
                    continue;
                }
                const Waiting request = requests.takeFirst();
                if (columns[RequestFrame].isEmpty() && request.type != "0x1111")
                    report.problems.append(
                        {frame, QStringLiteral("reply not linked to its request (frame %1) by Wireshark, "
                                               "its fields not decoded")
                                    .arg(request.frame)});
            }
        }
    }
    for (const auto& segments : std::as_const(undecodedData))
        report.problems.append(segments);
    for (const auto& requests : std::as_const(waiting))
        for (const Waiting& request : requests)
            report.problems.append({request.frame, "request never answered"});
    return report;
}

} // namespace TsharkCheck
