// A backward play starts its clock once the segment below its first one will be
// cached before the play reaches it, and not before.

#include "platform/mci/engine/decode_channel.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(BackwardLead, StartsOnceTheSegmentBelowWillBeThereInTime) {
    struct Case {
        const char *name;
        int first, high;  // the play's top slot; the top of the segment being decoded
        std::chrono::milliseconds readyIn;
        bool starts;
    };
    // At 25 fps the 50 pictures above slot 249 take 2 s, 1.6 s of it trusted.
    const Case cases[] = {
        {"ready well before the play reaches it", 299, 249, 1000ms, true},
        {"ready within the trusted time", 299, 249, 1590ms, true},
        {"ready in time, but not with time to spare", 299, 249, 1800ms, false},
        {"ready after the play reaches it", 299, 249, 3000ms, false},
        {"ready already", 299, 249, -5ms, true},
        {"one picture above it", 250, 249, 30ms, true},
        {"one picture above it, not in time", 250, 249, 40ms, false},
        {"the first segment itself", 299, 299, 0ms, false},
    };
    const auto now = std::chrono::steady_clock::now();
    for (const Case &c : cases)
        EXPECT_EQ(mci::leadInTime(c.first, c.high, now + c.readyIn, std::chrono::duration<double>(0.04), now), c.starts)
            << c.name;
}

}  // namespace
