// e2e_capture_check: decodes a capture the program wrote with --capture through the tests' tshark check.
// The servers' ports are read from the capture itself (the destination of every connection's SYN), so the
// demo network's ports, which the system chooses, need not be known. Prints what tshark does not accept and
// exits 1 when there is anything, or when the capture holds no connection at all; 0 otherwise.
//
//     e2e_capture_check FILE.pcap

#include "tests/support/TsharkCheck.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <set>

namespace {

std::uint32_t Read32(const QByteArray& bytes, qsizetype offset, bool swapped) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[offset + (swapped ? 3 - i : i)]);
        value |= std::uint32_t{byte} << (8 * i);
    }
    return value;
}

std::uint16_t ReadBE16(const QByteArray& bytes, qsizetype offset) {
    return static_cast<std::uint16_t>((static_cast<std::uint8_t>(bytes[offset]) << 8) |
                                      static_cast<std::uint8_t>(bytes[offset + 1]));
}

// The destination ports of the SYN segments (without ACK) of an Ethernet/IPv4 pcap file.
QList<std::uint16_t> ServerPorts(const QByteArray& file) {
    constexpr qsizetype FileHeader = 24, RecordHeader = 16, Ethernet = 14;
    std::set<std::uint16_t> ports;
    if (file.size() < FileHeader)
        return {};
    const bool swapped = Read32(file, 0, false) != 0xA1B2C3D4;
    qsizetype at = FileHeader;
    while (at + RecordHeader <= file.size()) {
        const qsizetype length = Read32(file, at + 8, swapped);
        const qsizetype packet = at + RecordHeader;
        at = packet + length;
        if (at > file.size() || length < Ethernet + 20 + 20 || ReadBE16(file, packet + 12) != 0x0800)
            continue;
        const qsizetype ip = packet + Ethernet;
        const qsizetype tcp = ip + (static_cast<std::uint8_t>(file[ip]) & 0x0F) * 4;
        if (static_cast<std::uint8_t>(file[ip + 9]) != 6 || tcp + 14 > at)
            continue;
        const auto flags = static_cast<std::uint8_t>(file[tcp + 13]);
        if ((flags & 0x12) == 0x02)
            ports.insert(ReadBE16(file, tcp + 2));
    }
    return QList<std::uint16_t>(ports.begin(), ports.end());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: e2e_capture_check FILE.pcap\n", stderr);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "e2e_capture_check: %s cannot be read\n", argv[1]);
        return 1;
    }
    const QList<std::uint16_t> ports = ServerPorts(file.readAll());
    if (ports.isEmpty()) {
        std::fprintf(stderr, "e2e_capture_check: %s holds no TCP connection\n", argv[1]);
        return 1;
    }
    const TsharkCheck::Report report = TsharkCheck::Check(file.fileName(), ports);
    if (!report.problems.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(report.ProblemText()));
        return 1;
    }
    std::printf("%lld NCP frames on %lld server ports, all decoded\n",
                static_cast<long long>(report.ncpFrames.size()), static_cast<long long>(ports.size()));
    return 0;
}
