// tessaline-cli: everything the window does, from a shell. Reads the command line, starts Qt's core (the
// keyring needs it; no display, no widgets) and runs the command.

#include "cli/CliOptions.h"
#include "cli/CommandResult.h"
#include "cli/Dispatch.h"

#include <QCoreApplication>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {
std::atomic<bool> interrupted{false};
extern "C" void Interrupt(int) {
    interrupted = true;
}
} // namespace

int main(int argc, char** argv) {
    const Cli::Options options = Cli::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
        std::fputs(Cli::HelpText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(Cli::VersionText().c_str(), stdout);
        return 0;
    }
    if (!options.problem.empty()) {
        std::fprintf(stderr, "tessaline-cli: %s\n", options.problem.c_str());
        return static_cast<int>(Cli::Exit::Usage);
    }
    // watch runs until interrupted, and then ends as a success.
    if (options.command == "watch") {
        std::signal(SIGINT, Interrupt);
        std::signal(SIGTERM, Interrupt);
    }
    int qtArgumentCount = 1; // the options are the tool's own
    QCoreApplication application(qtArgumentCount, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tessaline"));
    return Cli::Dispatch(options, interrupted);
}
