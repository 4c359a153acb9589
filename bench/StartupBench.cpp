// Start-up of the program against a Qt Widgets program that shows one line of text.
//
// The executable runs itself as a child in one of three modes, in turn, with the offscreen platform:
//   --child-tessaline <directory>  the program's start: the demo network served in the process on loopback,
//                                  the NCP client attached to its three servers over TCP (logins included),
//                                  bound client and boxes, the main window shown; ready once its window is
//                                  exposed and painted and EditSrv shows the first server instead of its
//                                  design-time text (so the Connections page's calls have been answered)
//   --child-label                  a window with one line of text (a QLabel), the comparison: the first
//                                  text a program draws loads the font database, which an empty window
//                                  never does
//   --child-minimal                an empty QWidget shown, for reference; ready once exposed and painted
// A child prints "ready" when it is. The parent times each child from just before the spawn until that line
// arrives, and takes the child's peak resident size from wait4. Both children are the same executable with
// the same libraries, so the comparison is of what each does, not of what each maps.
//
// The directory (settings and emulated volumes) is made once by the parent and shared by every round, so
// that the volume files exist after the first start, as they do for a user.
//
// A second table: start-up with an attachments file of five servers, two demo servers (ATLAS and CASTOR,
// served by the parent on loopback) and three that accept TCP and never answer, Timeout 10. The child
//   --child-hung <directory> <attachments file>
// prints "startup-window" once the start-up window is exposed and "ready" once the main window is, as above;
// both are timed from the spawn. It alternates with the one-QLabel child, five rounds.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/startup/StartupWindow.h"
#include "bench/BenchSupport.h"
#include "netclient/ClientLibrary.h"
#include "network/LoopbackDemo.h"
#include "network/NetworkStartup.h"
#include "tests/support/SilentSocket.h"
#include "util/PlatformFileSystem.h"
#include "util/Settings.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int Rounds = 15;
constexpr int WarmUpRounds = 1;
constexpr double Goal = 1.5;
constexpr std::chrono::seconds ChildDeadline{20};
constexpr const char* TessalineMode = "--child-tessaline";
constexpr const char* MinimalMode = "--child-minimal";
constexpr const char* LabelMode = "--child-label";
constexpr const char* HungMode = "--child-hung";
constexpr int HungRounds = 5;
constexpr double StartupWindowGoalMs = 300;
constexpr double MainWindowGoalMs = 11000;

using Clock = std::chrono::steady_clock;

// --- children ---

// A password store and prompt that have nothing: the demo network needs neither.
class NoPasswords final : public NetClient::PasswordStore, public NetClient::PasswordPrompt {
public:
    bool IsAvailable() override { return false; }
    std::optional<NetClient::SecretText> Read(const std::string&) override { return std::nullopt; }
    bool Write(const std::string&, const NetClient::SecretText&) override { return false; }
    void Remove(const std::string&) override {}
    std::optional<NetClient::PasswordAnswer> Ask(const NetClient::PasswordQuestion&) override {
        return std::nullopt;
    }
};

// Notes that a widget has been painted at least once.
class PaintWatcher final : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// Runs the event loop until the window is exposed, painted and ready() holds, then says so on stdout.
int WaitUntilShown(QWidget& window, const std::function<bool()>& ready) {
    PaintWatcher watcher;
    window.installEventFilter(&watcher);
    window.show();
    // Only wakes the loop now and then, so that a missing event cannot hang the child.
    QTimer wakeUp;
    wakeUp.start(50);
    const auto deadline = Clock::now() + ChildDeadline;
    const auto shown = [&] {
        return watcher.painted && window.windowHandle() != nullptr && window.windowHandle()->isExposed() &&
               ready();
    };
    while (!shown()) {
        if (Clock::now() > deadline) {
            std::fprintf(stderr, "window not shown within the deadline\n");
            return 1;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    window.removeEventFilter(&watcher);
    return 0;
}

// The program's start, as main() does it: on the demo network (no attachments file) or on the servers of an
// attachments file. Says "startup-window" once the start-up window is on the screen, if it comes.
int RunProgram(char** argv, const std::string& directory, const std::string& attachmentsFile) {
    int qtArgumentCount = 1;
    QApplication application(qtArgumentCount, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaline"));
    NetUtil::SetSettingsDirectory(directory + "/settings");

    QtMessageBoxPresenter boxes;
    NetUtil::BindMessageBoxPresenter(&boxes);
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, &watch, [&watch] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QLatin1String("StartupWindow") && widget->isVisible() &&
                widget->windowHandle() != nullptr && widget->windowHandle()->isExposed()) {
                std::fputs("startup-window\n", stdout);
                std::fflush(stdout);
                watch.stop();
            }
    });
    watch.start();
    // Neither the demo network nor the attachments of the benchmark ask for a password.
    NoPasswords none;
    NetworkStartup network;
    std::string fatal;
    NetworkStartup::Settings settings;
    settings.demo = attachmentsFile.empty();
    settings.attachmentsFile = attachmentsFile;
    settings.volumesRoot = directory + "/volumes";
    settings.waitForAttach = WaitWithStartupWindow; // as the program waits
    if (!network.Start(settings, none, none, fatal)) {
        std::fprintf(stderr, "%s\n", fatal.c_str());
        return 1;
    }
    BindClient(&network.Client());
    Platform::BindNetworkFiles(&network.Files());
    int result = 0;
    {
        TMainForm form;
        result = WaitUntilShown(form, [&] { return form.EditSrv->text() != QLatin1String("EditSrv"); });
    }
    Platform::BindNetworkFiles(nullptr);
    NetUtil::BindMessageBoxPresenter(nullptr);
    BindClient(nullptr);
    return result;
}

int RunMinimal(char** argv) {
    int qtArgumentCount = 1;
    QApplication application(qtArgumentCount, argv);
    QWidget window;
    return WaitUntilShown(window, [] { return true; });
}

int RunLabel(char** argv) {
    int qtArgumentCount = 1;
    QApplication application(qtArgumentCount, argv);
    QWidget window;
    QLabel label(QStringLiteral("CN=ATLAS.O=ACME"), &window);
    return WaitUntilShown(window, [] { return true; });
}

// --- parent ---

struct ChildRun {
    bool ok = false;
    double milliseconds = 0;
    double startupWindowMilliseconds = -1; // when the child said "startup-window"
    long maxRssKiB = 0;
};

std::vector<char*> ChildEnvironment(std::vector<std::string>& storage) {
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "QT_QPA_PLATFORM=", 16) != 0)
            storage.emplace_back(*entry);
    }
    storage.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> pointers;
    for (std::string& entry : storage)
        pointers.push_back(entry.data());
    pointers.push_back(nullptr);
    return pointers;
}

ChildRun RunChild(const std::string& executable, std::vector<std::string> arguments) {
    ChildRun run;
    std::array<int, 2> pipeEnds{};
    if (::pipe2(pipeEnds.data(), O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    // The toolkit's notes (runtime directory, size hints) would drown the table.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    arguments.insert(arguments.begin(), executable);
    std::vector<char*> argumentPointers;
    for (std::string& argument : arguments)
        argumentPointers.push_back(argument.data());
    argumentPointers.push_back(nullptr);
    std::vector<std::string> environmentStorage;
    std::vector<char*> environment = ChildEnvironment(environmentStorage);

    pid_t child = 0;
    const auto start = Clock::now();
    const int spawned = ::posix_spawn(&child, executable.c_str(), &actions, nullptr, argumentPointers.data(),
                                      environment.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return run;
    }

    std::string output;
    std::array<char, 256> buffer{};
    bool ready = false;
    ssize_t count = 0;
    while (!ready && (count = ::read(pipeEnds[0], buffer.data(), buffer.size())) > 0) {
        output.append(buffer.data(), static_cast<std::size_t>(count));
        ready = output.find("ready\n") != std::string::npos;
        if (run.startupWindowMilliseconds < 0 && output.find("startup-window\n") != std::string::npos)
            run.startupWindowMilliseconds =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    const auto readyAt = Clock::now();
    ::close(pipeEnds[0]);

    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child)
        return run;
    run.ok = ready && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.milliseconds = std::chrono::duration<double, std::milli>(readyAt - start).count();
    run.maxRssKiB = usage.ru_maxrss; // kibibytes on Linux
    return run;
}

std::string OwnExecutable() {
    std::array<char, 4096> path{};
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    return length > 0 ? std::string(path.data(), static_cast<std::size_t>(length)) : std::string();
}

int RunParent() {
    const std::string executable = OwnExecutable();
    QTemporaryDir temporary;
    if (executable.empty() || !temporary.isValid()) {
        std::fprintf(stderr, "no executable path or temporary directory\n");
        return 1;
    }
    const std::string directory = QFile::encodeName(temporary.path()).toStdString();

    enum Contender : std::size_t { Tessaline, Minimal, Label, ContenderCount };
    const std::array<std::vector<std::string>, ContenderCount> arguments{
        std::vector<std::string>{TessalineMode, directory}, std::vector<std::string>{MinimalMode},
        std::vector<std::string>{LabelMode}};
    constexpr std::array<const char*, ContenderCount> names{"Tessaline over NCP", "empty QWidget (reference)",
                                                            "one QLabel"};
    std::array<std::vector<double>, ContenderCount> times;
    std::array<std::vector<double>, ContenderCount> peaks;
    for (int round = 0; round < WarmUpRounds + Rounds; ++round) {
        // Alternating, and the first of each round changes every round, so none always follows another.
        for (std::size_t turn = 0; turn < ContenderCount; ++turn) {
            const std::size_t which = (static_cast<std::size_t>(round) + turn) % ContenderCount;
            const ChildRun run = RunChild(executable, arguments[which]);
            if (!run.ok) {
                std::fprintf(stderr, "%s: child failed in round %d; run it alone to see why: %s %s%s%s\n",
                             names[which], round, executable.c_str(), arguments[which][0].c_str(),
                             arguments[which].size() > 1 ? " " : "",
                             arguments[which].size() > 1 ? arguments[which][1].c_str() : "");
                return 1;
            }
            if (round < WarmUpRounds)
                continue;
            times[which].push_back(run.milliseconds);
            peaks[which].push_back(static_cast<double>(run.maxRssKiB) / 1024.0);
        }
    }

    std::array<double, ContenderCount> time{};
    std::array<double, ContenderCount> peak{};
    std::printf("start until shown and ready, QT_QPA_PLATFORM=offscreen, %d rounds each (alternating, after "
                "%d warm-up)\n\n",
                Rounds, WarmUpRounds);
    std::printf("%-24s %10s %16s %11s %16s\n", "program", "median ms", "min..max ms", "median MiB",
                "min..max MiB");
    for (std::size_t which = 0; which < ContenderCount; ++which) {
        time[which] = Bench::Median(times[which]);
        peak[which] = Bench::Median(peaks[which]);
        const auto [timeLow, timeHigh] = std::minmax_element(times[which].begin(), times[which].end());
        const auto [peakLow, peakHigh] = std::minmax_element(peaks[which].begin(), peaks[which].end());
        std::printf("%-24s %10.1f %7.1f..%-7.1f %11.1f %7.1f..%-7.1f\n", names[which], time[which], *timeLow,
                    *timeHigh, peak[which], *peakLow, *peakHigh);
    }
    const double timeRatio = time[Tessaline] / time[Label];
    const double peakRatio = peak[Tessaline] / peak[Label];
    std::printf("\nTessaline / one QLabel:     time %.3f, max RSS %.3f (goal: each at most %.2f): time %s, "
                "max RSS %s\n",
                timeRatio, peakRatio, Goal, timeRatio <= Goal ? "met" : "MISSED",
                peakRatio <= Goal ? "met" : "MISSED");
    std::printf("Tessaline / empty QWidget:  time %.3f, max RSS %.3f\n", time[Tessaline] / time[Minimal],
                peak[Tessaline] / peak[Minimal]);
    return 0;
}

int RunHungParent() {
    const std::string executable = OwnExecutable();
    QTemporaryDir temporary;
    if (executable.empty() || !temporary.isValid())
        return 1;
    const std::string directory = QFile::encodeName(temporary.path()).toStdString();
    LoopbackDemo demo;
    std::string error;
    if (!demo.Start(directory + "/served", error)) {
        std::fprintf(stderr, "demo network: %s\n", error.c_str());
        return 1;
    }
    const std::vector<NetClient::Attachment> served = demo.Attachments();
    std::vector<double> windowTimes;
    std::vector<double> mainTimes;
    std::vector<double> labelTimes;
    for (int round = 0; round < HungRounds; ++round) {
        // Fresh silent servers every round, so that no connection of an earlier round waits in their queues.
        std::string file = "; two demo servers and three that never answer\n";
        // CASTOR first: without a login ATLAS, a version-5 server, would open the window on a box.
        for (const NetClient::Attachment& attachment : {served[2], served[0]})
            file += "[" + attachment.serverName +
                    "]\nAddress = 127.0.0.1:" + std::to_string(attachment.port) + "\nTimeout = 10\n";
        std::vector<int> silent;
        for (int i = 1; i <= 3; ++i) {
            std::uint16_t port = 0;
            silent.push_back(SilentSocket(port));
            file += "[HUNG" + std::to_string(i) + "]\nAddress = 127.0.0.1:" + std::to_string(port) +
                    "\nTimeout = 10\n";
        }
        const std::string attachments = directory + "/attachments.ini";
        QFile out(QString::fromStdString(attachments));
        if (!out.open(QIODevice::WriteOnly) || out.write(file.c_str()) != static_cast<qint64>(file.size()))
            return 1;
        out.close();
        for (int turn = 0; turn < 2; ++turn) {
            const bool hung = (round + turn) % 2 == 0;
            const ChildRun run = hung ? RunChild(executable, {HungMode, directory, attachments})
                                      : RunChild(executable, {LabelMode});
            if (!run.ok || (hung && run.startupWindowMilliseconds < 0)) {
                std::fprintf(stderr, "%s child failed in round %d\n", hung ? "hung" : "label", round);
                return 1;
            }
            if (hung) {
                windowTimes.push_back(run.startupWindowMilliseconds);
                mainTimes.push_back(run.milliseconds);
            } else {
                labelTimes.push_back(run.milliseconds);
            }
        }
        for (const int fd : silent)
            ::close(fd);
    }
    const auto range = [](const std::vector<double>& values) {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        return std::make_pair(*low, *high);
    };
    std::printf("\nstart-up with 2 demo servers and 3 that never answer (Timeout 10), %d rounds, alternating "
                "with the one-QLabel child\n\n",
                HungRounds);
    std::printf("%-28s %10s %18s\n", "", "median ms", "min..max ms");
    const auto [windowLow, windowHigh] = range(windowTimes);
    const auto [mainLow, mainHigh] = range(mainTimes);
    const auto [labelLow, labelHigh] = range(labelTimes);
    std::printf("%-28s %10.0f %8.0f..%-8.0f\n", "start-up window shown", Bench::Median(windowTimes),
                windowLow, windowHigh);
    std::printf("%-28s %10.0f %8.0f..%-8.0f\n", "main window shown", Bench::Median(mainTimes), mainLow,
                mainHigh);
    std::printf("%-28s %10.0f %8.0f..%-8.0f\n", "one QLabel shown (reference)", Bench::Median(labelTimes),
                labelLow, labelHigh);
    std::printf(
        "\nstart-up window: %.0f ms (goal at most %.0f) %s; main window: %.0f ms (goal at most %.0f) %s\n",
        Bench::Median(windowTimes), StartupWindowGoalMs,
        Bench::Median(windowTimes) <= StartupWindowGoalMs ? "met" : "MISSED", Bench::Median(mainTimes),
        MainWindowGoalMs, Bench::Median(mainTimes) <= MainWindowGoalMs ? "met" : "MISSED");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == TessalineMode || mode == HungMode) {
        if (argc < (mode == HungMode ? 4 : 3)) {
            std::fprintf(stderr, "%s needs a directory%s\n", argv[1], mode == HungMode ? " and a file" : "");
            return 2;
        }
        return RunProgram(argv, argv[2], mode == HungMode ? argv[3] : "");
    }
    if (mode == MinimalMode)
        return RunMinimal(argv);
    if (mode == LabelMode)
        return RunLabel(argv);
    if (mode == "--hung")
        return RunHungParent();
    const int result = RunParent();
    return result != 0 ? result : RunHungParent();
}
