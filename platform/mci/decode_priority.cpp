#include "platform/mci/decode_priority.h"

#include <cerrno>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace mci {

namespace {
constexpr int kDecodingNiceness = 5;
}

void lowerThisThreadForDecoding() {
    // On Linux the niceness belongs to the thread named by its id, not to the process.
    const auto self = static_cast<id_t>(::gettid());
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, self);
    if (errno != 0) return;
    (void)::setpriority(PRIO_PROCESS, self, now + kDecodingNiceness);  // a refusal only costs smoothness
}

void runAtDecodingPriority(const std::function<void()> &work) {
    std::thread([&] {
        lowerThisThreadForDecoding();
        work();
    }).join();
}

}  // namespace mci
