#pragma once

#include "cli/CliOptions.h"

#include <atomic>

// Runs a parsed command line: finds the servers, gets their passwords, runs the command on one server or on
// all of them at once, prints the results (text or JSON) and the failures, and gives the exit status.
namespace Cli {

// stop ends watch (the signal handler sets it).
int Dispatch(const Options& options, const std::atomic<bool>& stop);

} // namespace Cli
