// The sound clock against a sound device made up here, which says where it is only as
// it takes each buffer, and then not quite on time. Read every quarter millisecond, the
// clock must follow the sample really heard within a few milliseconds, step evenly,
// never go back, and not drift when the device's rate is not quite the sound's.

#include "platform/mci/engine/sound_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr double kFramesPerMs = 48.0;
constexpr std::int64_t kBuffer = 1024;  // frames the device takes at a time, and says it holds

struct Device {
    const char *name;
    double rate;  // its own, against the sound's
    double jitterMs;  // it tells each buffer up to so much early or late
    bool inPairs;  // takes two buffers at once, as SDL does for a device buffer twice its own
    double stallMs;  // two seconds in, the audio thread gets no time for so long
    double seconds;
    double toleranceMs;  // from the clock to the sample heard, after the first half second
};

void PrintTo(const Device &d, std::ostream *os) { *os << d.name; }

struct Told {
    double ms;
    std::int64_t handedOut;
};

// When the device tells each buffer, and which sample it is really playing at any moment.
struct Script {
    explicit Script(const Device &d) : device(d), perMs(kFramesPerMs * d.rate) {
        std::uint32_t noise = 12345;
        const double bufferMs = kBuffer / perMs;
        stallFrom = std::ceil(2000 / bufferMs) * bufferMs;
        for (std::int64_t k = 0; k * bufferMs < d.seconds * 1000; ++k) {
            double ms = (d.inPairs ? k - k % 2 : k) * bufferMs + (d.inPairs && k % 2 ? 0.05 : 0.0);
            if (d.stallMs > 0 && ms >= stallFrom) ms += d.stallMs;
            noise = noise * 1103515245u + 12345u;
            ms += d.jitterMs * ((noise >> 8) / double(1u << 24) * 2 - 1);
            told.push_back({std::max(ms, 0.0), (k + 1) * kBuffer});
        }
    }
    // The device plays on at its rate, but not past what it was given while starved.
    double heard(double ms) const {
        if (device.stallMs <= 0 || ms < stallFrom) return perMs * ms;
        return perMs * (stallFrom + std::max(0.0, ms - stallFrom - device.stallMs));
    }
    // Starved, the device stops while the clock runs on; then the clock stands as long
    // as the sound was held up.
    bool recovering(double ms) const {
        return device.stallMs > 0 && ms >= stallFrom && ms < stallFrom + 2 * device.stallMs + 100;
    }
    const Device &device;
    const double perMs;
    double stallFrom = 0;
    std::vector<Told> told;
};

class SoundClockTest : public ::testing::TestWithParam<Device> {};

TEST_P(SoundClockTest, FollowsTheSampleHeardEvenlyAndForward) {
    const Device &device = GetParam();
    const Script script(device);
    mci::SoundClock clock(48000);
    const auto ns = [](double ms) { return static_cast<std::int64_t>(std::llround(ms * 1e6)); };
    clock.restart(ns(0));
    constexpr double kTickMs = 0.25;
    const double even = kFramesPerMs * kTickMs;
    std::size_t next = 0;
    double last = 0, worstMs = 0, worstAtMs = 0;
    bool stood = true;
    int backwards = 0, uneven = 0, mistimed = 0;
    for (double ms = 0; ms < device.seconds * 1000; ms += kTickMs) {
        for (; next < script.told.size() && script.told[next].ms <= ms; ++next)
            clock.buffer(script.told[next].handedOut, kBuffer, ns(script.told[next].ms));
        const mci::SoundClock::Line &line = clock.line();
        const double now = line.at(ns(ms));
        const bool stands = line.since > ns(ms);  // until the sound has caught up
        backwards += now < last;
        // Evenly: at the sound's rate give or take a tenth, unless standing.
        uneven += !stands && !stood && std::abs(now - last - even) > even / 10;
        // When a sample is heard is the same line read the other way.
        mistimed += !stands && std::abs(line.when(now) - ns(ms)) > 1000;
        if (ms >= 500 && !script.recovering(ms) && std::abs(now - script.heard(ms)) / kFramesPerMs > worstMs) {
            worstMs = std::abs(now - script.heard(ms)) / kFramesPerMs;
            worstAtMs = ms;
        }
        last = now;
        stood = stands;
    }
    EXPECT_EQ(backwards, 0);
    EXPECT_EQ(uneven, 0);
    EXPECT_EQ(mistimed, 0);
    EXPECT_LE(worstMs, device.toleranceMs) << "at " << worstAtMs << " ms";

    // The next play starts from nothing, wherever this one stood.
    const double end = device.seconds * 1000;
    clock.restart(ns(end + 5));
    EXPECT_EQ(clock.line().at(ns(end + 1)), 0);
    clock.buffer(kBuffer, kBuffer, ns(end + 5));
    EXPECT_DOUBLE_EQ(clock.line().at(ns(end + 15)), kFramesPerMs * 10);
}

const Device kDevices[] = {
    {"steady", 1.0, 0, false, 0, 10, 0.5},
    {"late_and_early", 1.0, 3, false, 0, 10, 2},
    {"one_percent_fast", 1.01, 1, false, 0, 600, 3},
    {"one_percent_slow", 0.99, 1, false, 0, 600, 3},
    {"two_buffers_at_once", 1.0, 0, true, 0, 10, 22},  // the second looks a buffer ahead
    {"audio_thread_held_up", 1.0, 1, false, 200, 10, 3},
};
INSTANTIATE_TEST_SUITE_P(Devices, SoundClockTest, ::testing::ValuesIn(kDevices), [](const auto &p) { return p.param.name; });

}  // namespace
