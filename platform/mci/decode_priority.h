#pragma once

#include <functional>

namespace mci {

// Decoding runs a few steps of niceness below the threads that answer the user: on two
// cores a decode burst otherwise takes the processor from a command that has just woken
// the worker, and the command waits its turn behind the decode.
void lowerThisThreadForDecoding();

// Runs `work` on a short-lived thread at decoding priority and waits for it: threads the
// work starts (a decoder's own) keep that priority.
void runAtDecodingPriority(const std::function<void()> &work);

}  // namespace mci
