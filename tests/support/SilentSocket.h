#pragma once

#include <cstdint>

// A TCP socket on 127.0.0.1 that listens (the kernel completes connections) but never reads or answers: a
// server that hangs. Its descriptor, and its port in port; closing it at once leaves a port nobody serves.
int SilentSocket(std::uint16_t& port);
