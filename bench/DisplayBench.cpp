// One full display of a console screen over NCP against the least any display must do: fill the text field.
//
// The demo network is served in this process on 127.0.0.1 and the NCP client attaches to it as the program
// does. The main window is shown on its Server Screen page (first server ATLAS, console module loaded) and
// TMainForm::DisplayScreen("System Console") is timed: the extension lookup, the screen list walk, open,
// select, five reads of five rows (each one simple function-37 exchange over loopback TCP, as the 800-byte
// reply fits the negotiated buffer), decoding the cells and filling MemoConsole. The floor is a shown
// QPlainTextEdit set up like MemoConsole (same font, size, no wrap, no scroll bars) given the same 25 x 80
// text with setPlainText. The two alternate call by call, after a warm-up, and neither counts the event
// processing between calls. The NCP round trips of one display are counted and printed.
//
// A third figure leaves the network out: the same display through a client that replays the recorded
// replies of one display and does nothing else, which is the program's own cost.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/widgets/TabbedNotebook.h"
#include "bench/BenchSupport.h"
#include "bench/DemoAttach.h"
#include "netclient/ClientLibrary.h"
#include "netclient/NcpClient.h"
#include "netclient/SharedState.h"
#include "network/LoopbackDemo.h"
#include "util/Settings.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int WarmUpIterations = 200;
constexpr int Iterations = 2000;
constexpr double Goal = 2.0;
const QString ScreenName = QStringLiteral("System Console");

using Clock = std::chrono::steady_clock;

// A client that passes every call to another one. Between Record() and PassThrough() it keeps the answers
// to the console module's calls (extension lookup and extension requests); after Replay() it gives those
// answers again, in the recorded order, round and round, without asking the other client. A request that
// differs from the recorded one counts as a mismatch.
class ReplayClient final : public ClientLibrary {
public:
    explicit ReplayClient(ClientLibrary& inner) : inner_(inner) {}

    void Record() {
        mode_ = Mode::Record;
        answers_.clear();
    }
    void PassThrough() { mode_ = Mode::PassThrough; }
    void Replay() {
        mode_ = answers_.empty() ? Mode::PassThrough : Mode::Replay;
        next_ = 0;
    }
    std::size_t Mismatches() const { return mismatches_; }
    std::size_t RecordedCalls() const { return answers_.size(); }

    std::uint16_t StartClient(std::uint32_t reserved1, std::uint32_t reserved2) override {
        return inner_.StartClient(reserved1, reserved2);
    }
    std::uint16_t StartClx(std::uint32_t reserved1, std::uint32_t reserved2) override {
        return inner_.StartClx(reserved1, reserved2);
    }
    std::uint16_t GetPrimaryConnRef(std::uint32_t* connRef) override {
        return inner_.GetPrimaryConnRef(connRef);
    }
    std::uint16_t OpenConnByReference(std::uint32_t connRef, std::uint32_t openMode, std::uint32_t reserved,
                                      std::uint32_t* connHandle) override {
        return inner_.OpenConnByReference(connRef, openMode, reserved, connHandle);
    }
    std::uint16_t ScanConnRefs(std::uint32_t* scanCursor, std::uint32_t* connRef) override {
        return inner_.ScanConnRefs(scanCursor, connRef);
    }
    std::uint16_t GetConnRefInfo(std::uint32_t connRef, std::uint32_t infoType, std::uint32_t length,
                                 void* buffer) override {
        return inner_.GetConnRefInfo(connRef, infoType, length, buffer);
    }
    std::uint16_t GetConnInfo(std::uint32_t connHandle, std::uint32_t infoType, std::uint32_t length,
                              void* buffer) override {
        return inner_.GetConnInfo(connHandle, infoType, length, buffer);
    }
    std::uint16_t GetBinderyObjectNameById(std::uint32_t connHandle, std::uint32_t objectId,
                                           char name[BinderyNameSize], std::uint16_t* objectType) override {
        return inner_.GetBinderyObjectNameById(connHandle, objectId, name, objectType);
    }
    std::uint32_t NWDSCreateContext() override { return inner_.NWDSCreateContext(); }
    std::uint32_t MapIdToDSName(std::uint32_t context, std::uint32_t connHandle, std::uint32_t objectId,
                                char name[DSObjectNameSize]) override {
        return inner_.MapIdToDSName(context, connHandle, objectId, name);
    }
    std::uint32_t FreeContext(std::uint32_t context) override { return inner_.FreeContext(context); }
    std::uint32_t NWDSCreateContextHandle(std::uint32_t* context) override {
        return inner_.NWDSCreateContextHandle(context);
    }
    std::uint32_t NWDSGetServerDN(std::uint32_t context, std::uint32_t connHandle,
                                  char serverDN[DSNameSize]) override {
        return inner_.NWDSGetServerDN(context, connHandle, serverDN);
    }
    std::uint32_t GetBinderyContext(std::uint32_t context, std::uint32_t connHandle,
                                    char binderyContext[DSNameSize]) override {
        return inner_.GetBinderyContext(context, connHandle, binderyContext);
    }
    std::uint16_t NWGetFileServerInformation(std::uint32_t connHandle, char serverName[FileServerNameSize],
                                             std::uint8_t* majorVersion, std::uint8_t* minorVersion,
                                             std::uint8_t* revision, std::uint16_t* maxConnections,
                                             std::uint16_t* peakConnections, std::uint16_t* connectionsInUse,
                                             std::uint16_t* volumeCount, std::uint8_t* sftLevel,
                                             std::uint8_t* ttsLevel) override {
        return inner_.NWGetFileServerInformation(connHandle, serverName, majorVersion, minorVersion, revision,
                                                 maxConnections, peakConnections, connectionsInUse,
                                                 volumeCount, sftLevel, ttsLevel);
    }
    std::uint16_t ScanNCPExtensions(std::uint32_t connHandle, std::uint32_t* extensionId,
                                    char name[ExtensionNameSize], std::uint8_t* majorVersion,
                                    std::uint8_t* minorVersion, std::uint8_t* revision,
                                    std::uint8_t queryData[QueryDataSize]) override {
        return inner_.ScanNCPExtensions(connHandle, extensionId, name, majorVersion, minorVersion, revision,
                                        queryData);
    }
    std::uint16_t GetNCPExtensionInfoByName(std::uint32_t connHandle, const char* name,
                                            std::uint32_t* extensionId, std::uint8_t* majorVersion,
                                            std::uint8_t* minorVersion, std::uint8_t* revision,
                                            std::uint8_t queryData[QueryDataSize]) override {
        if (mode_ == Mode::PassThrough)
            return inner_.GetNCPExtensionInfoByName(connHandle, name, extensionId, majorVersion, minorVersion,
                                                    revision, queryData);
        if (mode_ == Mode::Replay) {
            const Answer& answer = NextAnswer(name, std::strlen(name));
            std::memcpy(extensionId, answer.reply.data(), sizeof *extensionId);
            *majorVersion = answer.reply[4];
            *minorVersion = answer.reply[5];
            *revision = answer.reply[6];
            std::memcpy(queryData, answer.reply.data() + 7, QueryDataSize);
            return answer.status;
        }
        Answer answer;
        answer.request.assign(name, name + std::strlen(name));
        answer.status = inner_.GetNCPExtensionInfoByName(connHandle, name, extensionId, majorVersion,
                                                         minorVersion, revision, queryData);
        answer.reply.resize(7 + QueryDataSize);
        std::memcpy(answer.reply.data(), extensionId, sizeof *extensionId);
        answer.reply[4] = *majorVersion;
        answer.reply[5] = *minorVersion;
        answer.reply[6] = *revision;
        std::memcpy(answer.reply.data() + 7, queryData, QueryDataSize);
        answers_.push_back(std::move(answer));
        return answers_.back().status;
    }
    std::uint16_t NCPExtensionRequest(std::uint32_t connHandle, std::uint32_t extensionId,
                                      const void* request, std::uint32_t requestLength, void* reply,
                                      std::uint16_t* replyLength) override {
        if (mode_ == Mode::PassThrough)
            return inner_.NCPExtensionRequest(connHandle, extensionId, request, requestLength, reply,
                                              replyLength);
        if (mode_ == Mode::Replay) {
            const Answer& answer = NextAnswer(request, requestLength);
            const std::size_t length = std::min<std::size_t>(answer.reply.size(), *replyLength);
            std::memcpy(reply, answer.reply.data(), length);
            *replyLength = static_cast<std::uint16_t>(length);
            return answer.status;
        }
        Answer answer;
        const auto* bytes = static_cast<const char*>(request);
        answer.request.assign(bytes, bytes + requestLength);
        answer.status =
            inner_.NCPExtensionRequest(connHandle, extensionId, request, requestLength, reply, replyLength);
        const auto* replyBytes = static_cast<const char*>(reply);
        answer.reply.assign(replyBytes, replyBytes + *replyLength);
        answers_.push_back(std::move(answer));
        return answers_.back().status;
    }
    std::uint16_t NWSMLoadNLM(std::uint32_t connHandle, const char* moduleName) override {
        return inner_.NWSMLoadNLM(connHandle, moduleName);
    }
    std::uint16_t NWSMUnloadNLM(std::uint32_t connHandle, const char* moduleName) override {
        return inner_.NWSMUnloadNLM(connHandle, moduleName);
    }
    char* UpperCaseText(char* text) override { return inner_.UpperCaseText(text); }
    std::uint16_t GetVolumeDirectory(const char* serverName, const char* volumeName, char* path,
                                     std::uint32_t pathCapacity) override {
        return inner_.GetVolumeDirectory(serverName, volumeName, path, pathCapacity);
    }

private:
    enum class Mode { PassThrough, Record, Replay };
    struct Answer {
        std::vector<char> request;
        std::vector<char> reply;
        std::uint16_t status = 0;
    };

    const Answer& NextAnswer(const void* request, std::size_t length) {
        const Answer& answer = answers_[next_];
        next_ = (next_ + 1) % answers_.size();
        if (answer.request.size() != length || std::memcmp(answer.request.data(), request, length) != 0)
            ++mismatches_;
        return answer;
    }

    ClientLibrary& inner_;
    Mode mode_ = Mode::PassThrough;
    std::vector<Answer> answers_;
    std::size_t next_ = 0;
    std::size_t mismatches_ = 0;
};

double Microseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

struct Figures {
    std::vector<double> display;
    std::vector<double> floor;
};

// Alternates one display and one fill of the floor field, the order swapped every call.
Figures Measure(TMainForm& form, QPlainTextEdit& floorField, const QString& text) {
    Figures figures;
    figures.display.reserve(Iterations);
    figures.floor.reserve(Iterations);
    for (int iteration = 0; iteration < WarmUpIterations + Iterations; ++iteration) {
        const bool counted = iteration >= WarmUpIterations;
        for (int turn = 0; turn < 2; ++turn) {
            QCoreApplication::processEvents();
            const bool display = (iteration + turn) % 2 == 0;
            const auto start = Clock::now();
            if (display)
                form.DisplayScreen(ScreenName);
            else
                floorField.setPlainText(text);
            const auto elapsed = Clock::now() - start;
            if (counted)
                (display ? figures.display : figures.floor).push_back(Microseconds(elapsed));
        }
    }
    return figures;
}

void PrintRow(const char* name, const std::vector<double>& values) {
    std::printf("%-44s %10.1f %10.1f %10.1f\n", name, Bench::Median(values), Percentile(values, 0.1),
                Percentile(values, 0.9));
}

} // namespace

int main(int argc, char** argv) {
    // The figures are of the program's work, not of a display server's.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir temporary;
    const std::string directory = Bench::DirectoryOf(temporary);
    if (directory.empty())
        return 1;
    NetUtil::SetSettingsDirectory(directory + "/settings");
    LoopbackDemo demo;
    NetClient::NcpClient client;
    if (!Bench::ServeDemoAndAttach(demo, client, directory))
        return 1;
    ReplayClient replay(client);
    BindClient(&replay);
    QtMessageBoxPresenter boxes;
    NetUtil::BindMessageBoxPresenter(&boxes);

    int result = 0;
    {
        TMainForm form;
        form.show();
        if (!Bench::WaitUntilExposed(form)) {
            std::fprintf(stderr, "main window not exposed\n");
            return 1;
        }
        form.TabbedNotebook1->setPageIndex(2);
        QCoreApplication::processEvents();
        if (CurrentConn == 0 || form.TabbedNotebook1->pageIndex() != 2) {
            std::fprintf(stderr, "no server chosen or no Server Screen page (server field: %s)\n",
                         form.EditSrv->text().toLatin1().constData());
            return 1;
        }

        replay.Record();
        const std::uint64_t roundTripsBefore = client.RoundTrips();
        form.DisplayScreen(ScreenName);
        const std::uint64_t roundTrips = client.RoundTrips() - roundTripsBefore;
        replay.PassThrough();
        const QString text = form.MemoConsole->toPlainText();
        const qsizetype lineCount = text.count(QLatin1Char('\n')) + 1;
        if (lineCount != 25 || text.size() != 25 * 80 + 24 || text.trimmed().isEmpty()) {
            std::fprintf(stderr, "unexpected screen text: %lld lines, %lld characters\n",
                         static_cast<long long>(lineCount), static_cast<long long>(text.size()));
            return 1;
        }

        QPlainTextEdit floorField;
        floorField.setFont(form.MemoConsole->font());
        floorField.setLineWrapMode(QPlainTextEdit::NoWrap);
        floorField.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        floorField.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        floorField.setPalette(form.MemoConsole->palette());
        floorField.resize(form.MemoConsole->size());
        floorField.show();
        if (!Bench::WaitUntilExposed(floorField)) {
            std::fprintf(stderr, "floor field not exposed\n");
            return 1;
        }

        // Over NCP, then through the replay of the recorded display.
        const Figures overNcp = Measure(form, floorField, text);
        replay.Replay();
        const Figures replayed = Measure(form, floorField, text);
        const bool sameText = form.MemoConsole->toPlainText() == text;

        const double networkRatio = Bench::Median(overNcp.display) / Bench::Median(overNcp.floor);
        const double replayedRatio = Bench::Median(replayed.display) / Bench::Median(replayed.floor);
        std::printf(
            "DisplayScreen(\"System Console\") on ATLAS against setPlainText of the same %d x %d text\n", 25,
            80);
        std::printf("%d timed calls each after %d warm-up, alternating; microseconds\n\n", Iterations,
                    WarmUpIterations);
        std::printf("%-44s %10s %10s %10s\n", "", "median", "10th pct", "90th pct");
        PrintRow("DisplayScreen, NCP over loopback TCP", overNcp.display);
        PrintRow("setPlainText floor (same run)", overNcp.floor);
        PrintRow("DisplayScreen, replayed replies", replayed.display);
        PrintRow("setPlainText floor (same run)", replayed.floor);
        std::printf("\nNCP round trips per display: %llu\n", static_cast<unsigned long long>(roundTrips));
        std::printf("ratio, NCP over loopback:    %.2f (goal: at most %.2f) %s\n", networkRatio, Goal,
                    networkRatio <= Goal ? "met" : "MISSED");
        std::printf("ratio, replayed replies:     %.2f (the program's own cost; %zu client calls per display "
                    "replayed)\n",
                    replayedRatio, replay.RecordedCalls());
        if (replay.Mismatches() != 0 || !sameText) {
            std::fprintf(stderr, "replay went astray: %zu requests differed, text %s\n", replay.Mismatches(),
                         sameText ? "same" : "different");
            result = 1;
        }
    }
    NetUtil::BindMessageBoxPresenter(nullptr);
    BindClient(nullptr);
    return result;
}
