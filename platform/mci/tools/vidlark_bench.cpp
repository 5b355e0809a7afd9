// Times the device on one clip and prints one JSON object: open to first frame,
// untimed forward and backward play of the whole clip, 100 Back presses from the end,
// 50 random exact seeks, peak memory, the frames dropped by a timed 1x play of the
// first and the last ten seconds, how long each of those took to show its first
// picture, and the longest a command took during them.
// With --phase NAME, runs that phase alone (open, forward, backward, back, seek, timed)
// and prints its figures and the peak. With --commands N, drives the device with N
// random commands instead (see command_stress.h).

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/tools/command_stress.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;

// Notes when the first picture after a mark is presented (on the device's worker).
class CountingSink : public mci::VideoSink {
public:
    void mark() {
        std::lock_guard lock(m_mutex);
        m_first.reset();
    }
    std::optional<Clock::time_point> firstSinceMark() {
        std::lock_guard lock(m_mutex);
        return m_first;
    }

private:
    void present(const mci::Picture &) override {
        std::lock_guard lock(m_mutex);
        if (!m_first) m_first = Clock::now();
    }
    void clear() override {}

    std::mutex m_mutex;
    std::optional<Clock::time_point> m_first;
};

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void check(std::optional<mci::MciError> error) {
    if (!error) return;
    std::fprintf(stderr, "%d %s\n", error->number, error->text.c_str());
    std::exit(2);
}

struct Device {
    CountingSink sink;
    mci::NullDeviceListener listener;
    mci::MciDevice device;
    Device(bool untimed, const char *file, std::size_t cacheBytes)
        : device(mci::DeviceOptions{.reverseCacheBytes = cacheBytes, .untimed = untimed}, sink,
                 mci::makeNullAudioSink(), listener) {
        device.setDeviceType("avivideo");
        device.setFileName(file);
        check(device.command("open"));
    }
    void play(int from, int to) {
        device.setFrom(from);
        device.setTo(to);
        check(device.command("play"));
        device.waitUntilStopped();
    }
    // A timed play, with the window's StatusUpdate reads and a Sound box clicked now and
    // then on this thread meanwhile; returns the longest of those calls in ms, and in
    // `startMs` how long the first picture took to come.
    double playWatchingCommands(int from, int to, double &startMs) {
        device.setFrom(from);
        device.setTo(to);
        sink.mark();
        const auto asked = Clock::now();
        check(device.command("play"));
        double longest = 0;
        for (int i = 0; device.mode() == 526; ++i) {
            const auto start = Clock::now();
            if (i % 10 == 0) device.setSilent(i % 20 == 0);
            (void)device.mode();
            (void)device.position();
            longest = std::max(longest, since(start) * 1000);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the window's pace
        }
        device.waitUntilStopped();
        const auto first = sink.firstSinceMark();
        startMs = first ? std::chrono::duration<double>(*first - asked).count() * 1000 : -1;
        return longest;
    }
};

}  // namespace

int main(int argc, char **argv) {
    std::size_t cacheBytes = mci::DeviceOptions{}.reverseCacheBytes;
    int commands = 0;
    std::uint32_t seed = 1;
    const char *file = nullptr;
    std::string phase;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--cache-mb") && i + 1 < argc) cacheBytes = std::strtoull(argv[++i], nullptr, 10) << 20;
        else if (!std::strcmp(argv[i], "--phase") && i + 1 < argc) phase = argv[++i];
        else if (!std::strcmp(argv[i], "--commands") && i + 1 < argc) commands = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (!file) file = argv[i];
        else file = nullptr, i = argc;
    }
    if (!file) {
        std::fprintf(stderr, "usage: vidlark-bench [--cache-mb N] [--phase open|forward|backward|back|seek|timed] FILE\n"
                             "       vidlark-bench --commands N [--seed S] FILE\n");
        return 64;
    }
    if (commands > 0) return mci_tools::runCommandStress(file, commands, seed);
    const char *const kPhases[] = {"open", "forward", "backward", "back", "seek", "timed"};
    if (!phase.empty() && std::none_of(std::begin(kPhases), std::end(kPhases), [&](const char *p) { return phase == p; })) {
        std::fprintf(stderr, "vidlark-bench: no phase '%s'\n", phase.c_str());
        return 64;
    }
    auto runs = [&](const char *name) { return phase.empty() || phase == name; };
    std::string json;
    auto field = [&](const char *name, const char *format, double value) {
        char text[64];
        std::snprintf(text, sizeof text, format, value);
        json += (json.empty() ? "{" : ", ") + std::string("\"") + name + "\": " + text;
    };

    // Each phase on a fresh device: none may profit from what another decoded.
    auto start = Clock::now();
    auto untimed = std::make_unique<Device>(true, file, cacheBytes);
    if (runs("open")) field("open_ms", "%.1f", since(start) * 1000);
    const int length = untimed->device.length();

    if (runs("forward")) {
        start = Clock::now();
        untimed->play(0, length);
        field("forward_s", "%.3f", since(start));
    }
    if (runs("backward")) {
        untimed = std::make_unique<Device>(true, file, cacheBytes);
        start = Clock::now();
        untimed->play(length, 0);
        field("backward_s", "%.3f", since(start));
    }
    if (runs("back")) {
        untimed.reset();
        untimed = std::make_unique<Device>(true, file, cacheBytes);
        untimed->device.setTo(length);
        check(untimed->device.command("seek"));
        untimed->device.waitUntilStopped();
        start = Clock::now();
        for (int i = 0; i < 100; ++i) {
            check(untimed->device.command("back"));
            untimed->device.waitUntilStopped();
        }
        field("back100_ms", "%.1f", since(start) * 1000);
    }
    if (runs("seek")) {
        untimed.reset();
        untimed = std::make_unique<Device>(true, file, cacheBytes);
        std::mt19937 random(20261206);
        std::uniform_int_distribution<int> anywhere(0, length - 1);
        start = Clock::now();
        for (int i = 0; i < 50; ++i) {
            untimed->device.setTo(anywhere(random));
            check(untimed->device.command("seek"));
            untimed->device.waitUntilStopped();
        }
        field("seek50_ms", "%.1f", since(start) * 1000);
    }
    untimed.reset();

    if (runs("timed")) {
        Device timed(false, file, cacheBytes);
        const int span = std::min(length, static_cast<int>(10 * timed.device.framesPerSecond()));
        double startForwardMs = 0, startBackwardMs = 0;
        double maxCommandMs = timed.playWatchingCommands(0, span, startForwardMs);
        const long droppedForward = timed.device.stats().dropped;
        maxCommandMs = std::max(maxCommandMs, timed.playWatchingCommands(length, length - span, startBackwardMs));
        field("dropped_forward", "%.0f", static_cast<double>(droppedForward));
        field("dropped_backward", "%.0f", static_cast<double>(timed.device.stats().dropped - droppedForward));
        field("max_command_ms", "%.2f", maxCommandMs);
        field("start_forward_ms", "%.1f", startForwardMs);
        field("start_backward_ms", "%.1f", startBackwardMs);
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    field("peak_rss_mb", "%.1f", usage.ru_maxrss / 1024.0);
    std::printf("%s}\n", json.c_str());
    return 0;
}
