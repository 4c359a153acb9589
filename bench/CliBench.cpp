// tessaline-cli as a whole process, as a script runs it, against the least a process can do on the same
// network, and --all against its servers one by one.
//
//   1. `tessaline-cli --demo show ATLAS` (the demo network served in the process, the client attached to
//      ATLAS with its login, the console extension looked up, the screen list walked, the screen opened,
//      selected and read, the text printed) against this executable run as a bare child
//      (--child-bare): the same demo network served in the process, one TCP connection to ATLAS and one NCP
//      request (23/17) on it. Goal: at most 1.5 times the bare child. The two alternate, round by round.
//   2. `tessaline-cli --all info` on ten servers on loopback, each answering after its own delay (15 ms
//      times its number), against `info` on each server alone: --all should take about as long as the
//      slowest server, not the sum.
//
// Both children share one home directory (settings, the demo's volumes), so the volume files exist after
// the first round, as they do for a user. Usage: CliBench [ROUNDS]

#include "emulator/NcpServer.h"
#include "emulator/Server.h"
#include "ncp/BinderyCodecs.h"
#include "ncp/ClientConnection.h"
#include "netclient/NcpCall.h"
#include "network/LoopbackDemo.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int BareChild(const char* volumesRoot) {
    LoopbackDemo demo;
    std::string error;
    if (!demo.Start(volumesRoot, error))
        return 1;
    Ncp::ClientConnection connection;
    if (connection.Open("127.0.0.1", demo.Network().Port("ATLAS")) != 0)
        return 1;
    Ncp::FileServerInformationReply reply;
    const std::uint16_t status =
        NetClient::CallNcp(connection, Ncp::GetFileServerInformationRequest{}, reply);
    connection.Close();
    return status == 0 ? 0 : 1;
}

// Milliseconds from the spawn to the child's exit; negative when it failed.
double TimeChild(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    const Clock::time_point start = Clock::now();
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        return -1;
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Spread {
    double median = 0;
    double low = 0;  // 10th percentile
    double high = 0; // 90th percentile
};

Spread Measure(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const auto at = [&times](double fraction) {
        return times[static_cast<std::size_t>(fraction * static_cast<double>(times.size() - 1) + 0.5)];
    };
    return {at(0.5), at(0.1), at(0.9)};
}

void Print(const char* what, const Spread& spread) {
    std::printf("  %-44s median %7.1f ms   (10%%-90%%: %.1f - %.1f)\n", what, spread.median, spread.low,
                spread.high);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child-bare") == 0)
        return BareChild(argv[2]);
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    environment.insert(QStringLiteral("HOME"), home.path());
    const QString cli = QStringLiteral(TESSALINE_CLI);
    const QString self = QString::fromLocal8Bit(argv[0]);
    const QString volumes = QDir(home.path()).filePath(QStringLiteral(".local/share/Tessaline/volumes"));

    std::printf("tessaline-cli --demo show ATLAS against a bare process (%d rounds, interleaved)\n", rounds);
    std::vector<double> whole;
    std::vector<double> bare;
    for (int round = 0; round < rounds; ++round) {
        whole.push_back(TimeChild(
            cli, {QStringLiteral("--demo"), QStringLiteral("show"), QStringLiteral("ATLAS")}, environment));
        bare.push_back(TimeChild(self, {QStringLiteral("--child-bare"), volumes}, environment));
        if (whole.back() < 0 || bare.back() < 0)
            return 1;
    }
    const Spread wholeSpread = Measure(whole);
    const Spread bareSpread = Measure(bare);
    Print("tessaline-cli --demo show ATLAS", wholeSpread);
    Print("bare: demo network, connect, one request", bareSpread);
    std::printf("  ratio of medians: %.2f (goal: at most 1.5)\n\n", wholeSpread.median / bareSpread.median);

    // Ten servers, each the ATLAS of a demo network of its own, slower by 15 ms a reply each.
    constexpr int ServerCount = 10;
    std::vector<std::unique_ptr<LoopbackDemo>> demos;
    QByteArray attachments;
    for (int i = 1; i <= ServerCount; ++i) {
        auto demo = std::make_unique<LoopbackDemo>();
        std::string error;
        if (!demo->Start(QDir(home.path()).filePath(QStringLiteral("ten/%1").arg(i)).toStdString(), error)) {
            std::fprintf(stderr, "demo network: %s\n", error.c_str());
            return 1;
        }
        demo->Network().SetReplyDelay("ATLAS", std::chrono::milliseconds(15 * i));
        attachments += QStringLiteral("[S%1]\nAddress = 127.0.0.1:%2\nUser = ADMIN\n")
                           .arg(i, 2, 10, QLatin1Char('0'))
                           .arg(demo->Network().Port("ATLAS"))
                           .toUtf8();
        demos.push_back(std::move(demo));
    }
    QFile file(QDir(home.path()).filePath(QStringLiteral("ten.ini")));
    QFile password(QDir(home.path()).filePath(QStringLiteral("password")));
    if (!file.open(QIODevice::WriteOnly) || !password.open(QIODevice::WriteOnly))
        return 1;
    file.write(attachments);
    file.close();
    password.write("acme\n");
    password.close();
    password.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QStringList common{QStringLiteral("--attachments"), file.fileName(),
                             QStringLiteral("--password-file"), password.fileName()};

    std::printf("info on ten servers, each slower by 15 ms a reply (%d rounds)\n", rounds);
    std::vector<double> all;
    std::vector<double> slowest;
    std::vector<double> sum;
    for (int round = 0; round < rounds; ++round) {
        all.push_back(TimeChild(cli, common + QStringList{QStringLiteral("--all"), QStringLiteral("info")},
                                environment));
        double total = 0;
        double longest = 0;
        for (int i = 1; i <= ServerCount; ++i) {
            const double one =
                TimeChild(cli,
                          common + QStringList{QStringLiteral("info"),
                                               QStringLiteral("S%1").arg(i, 2, 10, QLatin1Char('0'))},
                          environment);
            if (one < 0)
                return 1;
            total += one;
            longest = std::max(longest, one);
        }
        slowest.push_back(longest);
        sum.push_back(total);
    }
    const Spread allSpread = Measure(all);
    Print("tessaline-cli --all info", allSpread);
    Print("the slowest server alone", Measure(slowest));
    Print("the ten one after another", Measure(sum));
    std::printf("  --all / slowest: %.2f\n", allSpread.median / Measure(slowest).median);
    return 0;
}
