#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The program's command line. It is read before the toolkit starts, so that --help and --version work
// without a display.
//
//     tessaline [--demo] [--demo-latency MS] [--attachments FILE] [--capture FILE]
//     tessaline --help | --version
//
// Passwords are never taken from the command line.
namespace CommandLine {

enum class Action { Run, ShowHelp, ShowVersion, Refuse };

struct Options {
    Action action = Action::Run;
    bool demo = false;                         // the demo network even when an attachments file exists
    std::string attachmentsFile;               // empty: the default file in the settings directory
    std::string captureFile;                   // empty: no capture
    std::uint32_t demoLatencyMilliseconds = 0; // the demo servers delay every reply this long
    std::string problem;                       // Refuse: the one line for stderr
};

// Reads the arguments after the program name. "--option value" and "--option=value" both work; the first
// unknown option, a missing value or a stray argument refuses the line.
Options Parse(const std::vector<std::string>& arguments);

// The --help text (ends with a line break).
std::string HelpText(const std::string& programName);
// The --version line (ends with a line break).
std::string VersionText();

// The longest --demo-latency taken, in milliseconds.
inline constexpr std::uint32_t MaxDemoLatencyMilliseconds = 10000;

// The exit status for a refused command line.
inline constexpr int UsageExitCode = 2;

} // namespace CommandLine
