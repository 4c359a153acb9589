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

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "network/NetworkStartup.h"
#include "netclient/ClientLibrary.h"
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

int RunTessaline(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "%s needs a directory\n", TessalineMode);
        return 2;
    }
    int qtArgumentCount = 1;
    QApplication application(qtArgumentCount, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaline"));
    const std::string directory = argv[2];
    NetUtil::SetSettingsDirectory(directory + "/settings");

    QtMessageBoxPresenter boxes;
    NetUtil::BindMessageBoxPresenter(&boxes);
    // The demo network asks for no password: neither the keyring nor the dialog is ever asked.
    NoPasswords none;
    NetworkStartup network;
    std::string fatal;
    if (!network.Start({true, {}, {}, directory + "/volumes"}, none, none, fatal)) {
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

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
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
        time[which] = Median(times[which]);
        peak[which] = Median(peaks[which]);
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

} // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == TessalineMode)
        return RunTessaline(argc, argv);
    if (mode == MinimalMode)
        return RunMinimal(argv);
    if (mode == LabelMode)
        return RunLabel(argv);
    return RunParent();
}
