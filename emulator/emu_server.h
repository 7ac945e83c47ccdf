#pragma once
// The serving loop: waits for bytes on the line, hands them to the device, and writes the device's
// timed output, pausing as it asks. Stops when the stop flag is raised (by a signal handler).
#include <csignal>

#include "emulator/emu_device.h"
#include "emulator/line_endpoints.h"

namespace emulator {

void ServePty(const TPtyEndpoint& pty, TEmuDevice& device, const volatile std::sig_atomic_t& stop);
// One connection at a time; a new connection replaces the current one.
void ServeTcp(const TTcpListener& listener, TEmuDevice& device, const volatile std::sig_atomic_t& stop);

}  // namespace emulator
