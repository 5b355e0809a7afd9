#pragma once

#include <cstdint>
#include <string>

namespace mci_tools {

// Drives a device with `commands` random commands in the shapes the window's handlers
// send, with random pauses of 0-50 ms between them as a user's clicks would leave, and
// prints one JSON line: how many commands, how many hung (a command, or the Mode and
// Position read after it, not back within 2 s), and how long they took. A hang that
// never ends still prints, then ends the program. Returns the exit code.
int runCommandStress(const std::string &file, int commands, std::uint32_t seed);

}  // namespace mci_tools
