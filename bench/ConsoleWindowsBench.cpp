// Ten console windows on the three demo servers, each refreshing every second, beside the main window.
//
// The demo network is served in this process on 127.0.0.1 (QVEXT.NLM loaded on all three servers; CASTOR
// logged in as SUPERVISOR, so that its console may be opened). The main window is shown; ten console windows
// watch the System Console, the Monitor and the Logger Screen of ATLAS, BOREAS and CASTOR (ATLAS's System
// Console twice), each on its own connection and thread, for --seconds (default 60). Measured:
// - the program's CPU: every thread of the process but the demo servers' own, from /proc/self/task, as a
//   share of one core (goal: under 5 %);
// - the main window's event-loop stalls: a 5 ms timer on the window's thread, the longest gap beyond its
//   interval (goal: at most 20 ms);
// - the round trips per refresh (the display's 9: look-up, list walk, open, select, five reads);
// - the memory of 10 000 scrollback rows in one window: the resident size before and after a console view
//   and its scrollback take 10 000 rows that scrolled off (400 screens of 25 new rows).

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/consolewindow/ConsoleView.h"
#include "app/consolewindow/ConsoleWindow.h"
#include "app/consolewindow/ConsoleWindows.h"
#include "console/Scrollback.h"
#include "netclient/ClientLibrary.h"
#include "netclient/NcpClient.h"
#include "network/LoopbackDemo.h"
#include "util/Settings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// CPU seconds of this process's threads, without those named like the process itself other than the main
// thread: the demo servers' loop (a std::thread, which keeps the process's name); Qt names its threads.
double ProgramCpuSeconds() {
    const QString self = QString::number(::getpid());
    QFile commFile(QStringLiteral("/proc/self/comm"));
    commFile.open(QIODevice::ReadOnly);
    const QByteArray processName = commFile.readAll().trimmed();
    const long ticks = ::sysconf(_SC_CLK_TCK);
    double seconds = 0;
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!comm.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
            continue;
        if (task != self && comm.readAll().trimmed() == processName)
            continue; // the demo servers
        const QByteArray text = stat.readAll();
        // Fields after the name in parentheses: state is the 3rd, utime the 14th, stime the 15th.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        seconds += static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) /
                   static_cast<double>(ticks);
    }
    return seconds;
}

double ResidentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    statm.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return static_cast<double>(fields.value(1).toLongLong()) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

void LoadConsoleModule(LoopbackDemo& demo, const char* serverName) {
    demo.Network().Call([&] {
        Emulator::Server* server = demo.FindServer(serverName);
        server->ServerVolumes().WriteSystemFileIfMissing("QVEXT.NLM",
                                                         std::vector<std::uint8_t>{'N', 'L', 'M'});
        server->LoadModule("QVEXT.NLM");
    });
}

// The memory of one window's history of 10 000 rows: a console view and its scrollback fed 400 screens
// that each scrolled by a whole screen.
void MeasureScrollback() {
    const double before = ResidentMiB();
    {
        ConsoleView view([](std::uint16_t) {}, nullptr);
        view.setMaximumBlockCount(static_cast<int>(Scrollback::DefaultLimit) + 25);
        Scrollback scrollback;
        QStringList screen;
        for (int row = 0; row < 25; ++row)
            screen << QStringLiteral("ATLAS:modules   row %1 of the first screen").arg(row);
        for (int refresh = 0; refresh < 400; ++refresh) {
            QStringList out;
            std::vector<std::string> rows;
            for (int row = 0; row < 25; ++row) {
                const QString text =
                    QStringLiteral("%1 CLIB.NLM  v4.10  NetWare C Library, loaded at refresh %2")
                        .arg(refresh * 25 + row, 5)
                        .arg(refresh);
                out << text;
                rows.push_back(text.toStdString() +
                               std::string(80 - static_cast<std::size_t>(text.size()), ' '));
            }
            scrollback.Append(rows);
            view.ShowScreen(out, screen);
        }
        const double after = ResidentMiB();
        std::printf("memory of 10 000 scrollback rows in one window: %.1f MiB resident (%zu rows kept, the "
                    "rows' own bytes %.2f MiB), %.0f bytes per row\n",
                    after - before, scrollback.Size(), scrollback.MemoryBytes() / (1024.0 * 1024.0),
                    (after - before) * 1024 * 1024 / 10000.0);
    }
}

} // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir volumes;
    QTemporaryDir settings;
    NetUtil::SetSettingsDirectory(settings.path().toStdString());

    LoopbackDemo demo;
    std::string error;
    if (!demo.Start(volumes.path().toStdString(), error)) {
        std::fprintf(stderr, "demo network not started: %s\n", error.c_str());
        return 1;
    }
    LoadConsoleModule(demo, "BOREAS");
    LoadConsoleModule(demo, "CASTOR");
    std::vector<NetClient::Attachment> attachments = demo.Attachments();
    for (NetClient::Attachment& attachment : attachments)
        if (attachment.serverName == "CASTOR")
            attachment.user = "SUPERVISOR";
    NetClient::FixedPasswords passwords({{"ATLAS", NetClient::SecretText("acme")},
                                         {"BOREAS", NetClient::SecretText("sales")},
                                         {"CASTOR", NetClient::SecretText("castor")}});
    NetClient::NcpClient client;
    if (!client.AttachAll(attachments, passwords).empty()) {
        std::fprintf(stderr, "demo network not attached\n");
        return 1;
    }
    BindClient(&client);
    QtMessageBoxPresenter boxes;
    NetUtil::BindMessageBoxPresenter(&boxes);

    int windowCount = 0;
    double stallMilliseconds = 0;
    double cpuShare = 0;
    std::uint64_t reads = 0;
    std::uint64_t roundTrips = 0;
    {
        ConsoleWindows windows([&client](const std::string& server) { return client.NewSessionFor(server); });
        TMainForm form;
        form.show();
        const std::vector<std::pair<QString, QString>> watched{
            {"ATLAS", "System Console"}, {"ATLAS", "Monitor"},         {"ATLAS", "Logger Screen"},
            {"ATLAS", "System Console"}, {"BOREAS", "System Console"}, {"BOREAS", "Monitor"},
            {"BOREAS", "Logger Screen"}, {"CASTOR", "System Console"}, {"CASTOR", "Monitor"},
            {"CASTOR", "Logger Screen"}};
        for (const auto& [server, screen] : watched)
            if (windows.Open(server, screen) != nullptr)
                ++windowCount;

        // Settle: every window connected and showing its screen.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 3000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);

        std::vector<std::uint64_t> readsBefore;
        std::vector<std::uint64_t> tripsBefore;
        for (ConsoleWindow* window : windows.Windows()) {
            readsBefore.push_back(window->ReadCount());
            tripsBefore.push_back(window->RoundTrips());
        }
        QElapsedTimer wall;
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, &probe, [&] {
            longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
            sinceTick.restart();
        });
        const double cpuBefore = ProgramCpuSeconds();
        wall.start();
        sinceTick.start();
        probe.start(5);
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        probe.stop();
        const double wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;
        cpuShare = (ProgramCpuSeconds() - cpuBefore) / wallSeconds * 100.0;
        stallMilliseconds = std::max(0.0, static_cast<double>(longestGap) / 1e6 - 5.0);
        std::size_t i = 0;
        for (ConsoleWindow* window : windows.Windows()) {
            reads += window->ReadCount() - readsBefore[i];
            roundTrips += window->RoundTrips() - tripsBefore[i];
            ++i;
        }
        std::printf("%d console windows on 3 demo servers, refreshing every second, for %d s:\n", windowCount,
                    seconds);
        std::printf("program CPU: %.2f %% of one core (goal: under 5 %%)\n", cpuShare);
        std::printf("main window's longest event-loop stall: %.1f ms (goal: at most 20 ms)\n",
                    stallMilliseconds);
        std::printf("refreshes: %llu (%.2f per window per second), %.2f round trips each\n",
                    static_cast<unsigned long long>(reads),
                    static_cast<double>(reads) / wallSeconds / std::max(1, windowCount),
                    reads > 0 ? static_cast<double>(roundTrips) / static_cast<double>(reads) : 0.0);
    }
    MeasureScrollback();
    NetUtil::BindMessageBoxPresenter(nullptr);
    BindClient(nullptr);
    return windowCount == 10 ? 0 : 1;
}
