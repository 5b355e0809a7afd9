// Times the device on one clip and prints one JSON object: open to first frame,
// untimed forward and backward play of the whole clip, 100 Back presses from the end,
// 50 random exact seeks, peak memory, the frames dropped by a timed 1x play of the
// first and the last ten seconds, and the longest a command took during those plays.
// With --commands N, drives the device with N random commands instead (see
// command_stress.h).

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/tools/command_stress.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;

class CountingSink : public mci::VideoSink {
    void present(const mci::Picture &) override {}
    void clear() override {}
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
    // then on this thread meanwhile; returns the longest of those calls in ms.
    double playWatchingCommands(int from, int to) {
        device.setFrom(from);
        device.setTo(to);
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
        return longest;
    }
};

}  // namespace

int main(int argc, char **argv) {
    std::size_t cacheBytes = mci::DeviceOptions{}.reverseCacheBytes;
    int commands = 0;
    std::uint32_t seed = 1;
    const char *file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--cache-mb") && i + 1 < argc) cacheBytes = std::strtoull(argv[++i], nullptr, 10) << 20;
        else if (!std::strcmp(argv[i], "--commands") && i + 1 < argc) commands = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (!file) file = argv[i];
        else file = nullptr, i = argc;
    }
    if (!file) {
        std::fprintf(stderr, "usage: vidlark-bench [--cache-mb N] FILE\n"
                             "       vidlark-bench --commands N [--seed S] FILE\n");
        return 64;
    }
    if (commands > 0) return mci_tools::runCommandStress(file, commands, seed);

    auto start = Clock::now();
    auto untimed = std::make_unique<Device>(true, file, cacheBytes);
    const double openMs = since(start) * 1000;
    const int length = untimed->device.length();

    start = Clock::now();
    untimed->play(0, length);
    const double forwardS = since(start);

    untimed.reset();  // a fresh device: the backward play must not profit from the forward one
    untimed = std::make_unique<Device>(true, file, cacheBytes);
    start = Clock::now();
    untimed->play(length, 0);
    const double backwardS = since(start);

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
    const double back100Ms = since(start) * 1000;

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
    const double seek50Ms = since(start) * 1000;
    untimed.reset();

    Device timed(false, file, cacheBytes);
    const int span = std::min(length, static_cast<int>(10 * timed.device.framesPerSecond()));
    double maxCommandMs = timed.playWatchingCommands(0, span);
    const long droppedForward = timed.device.stats().dropped;
    maxCommandMs = std::max(maxCommandMs, timed.playWatchingCommands(length, length - span));
    const long droppedBackward = timed.device.stats().dropped - droppedForward;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("{\"open_ms\": %.1f, \"forward_s\": %.3f, \"backward_s\": %.3f, \"back100_ms\": %.1f, "
                "\"seek50_ms\": %.1f, \"peak_rss_mb\": %.1f, \"dropped_forward\": %ld, \"dropped_backward\": %ld, "
                "\"max_command_ms\": %.2f}\n",
                openMs, forwardS, backwardS, back100Ms, seek50Ms, usage.ru_maxrss / 1024.0, droppedForward,
                droppedBackward, maxCommandMs);
    return 0;
}
