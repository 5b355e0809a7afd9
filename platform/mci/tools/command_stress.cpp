#include "platform/mci/tools/command_stress.h"

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace mci_tools {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kHang = std::chrono::seconds(2);
constexpr auto kGiveUp = std::chrono::seconds(20);  // a hang this long will not end

struct Tally {
    std::vector<double> commandMs;  // every command but open, with its Mode/Position read
    double maxOpenMs = 0;
    std::string slowest;  // the command that took max_command_ms
    int hangs = 0;
    int errors = 0;
};

void print(const Tally &tally, int commands, std::uint32_t seed) {
    std::vector<double> ms = tally.commandMs;
    std::sort(ms.begin(), ms.end());
    const double max = ms.empty() ? 0 : ms.back();
    const double p99 = ms.empty() ? 0 : ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    std::printf("{\"commands\": %d, \"seed\": %u, \"hangs\": %d, \"errors\": %d, \"max_command_ms\": %.2f, "
                "\"p99_command_ms\": %.2f, \"slowest\": \"%s\", \"max_open_ms\": %.1f}\n",
                commands, seed, tally.hangs, tally.errors, max, p99, tally.slowest.c_str(), tally.maxOpenMs);
    std::fflush(stdout);
}

// Watches the command in progress from its own thread: counts it once as a hang when
// it passes kHang, and ends the program, printing first, when it passes kGiveUp.
class Watchdog {
public:
    explicit Watchdog(std::function<void()> giveUp)
        : m_giveUp(std::move(giveUp)), m_thread([this](std::stop_token stop) { watch(stop); }) {}
    ~Watchdog() {
        m_thread.request_stop();
        m_wake.notify_all();
        m_thread.join();
    }
    void begin(const char *what) {
        std::lock_guard lock(m_mutex);
        m_what = what;
        m_since = Clock::now();
        m_running = true;
        m_counted = false;
    }
    bool end() {  // whether it was counted as a hang
        std::lock_guard lock(m_mutex);
        m_running = false;
        return m_counted;
    }

private:
    void watch(std::stop_token stop) {
        std::unique_lock lock(m_mutex);
        while (!stop.stop_requested()) {
            m_wake.wait_for(lock, stop, std::chrono::milliseconds(100), [] { return false; });
            if (!m_running) continue;
            const auto stuck = Clock::now() - m_since;
            if (stuck > kHang && !m_counted) {
                m_counted = true;
                std::fprintf(stderr, "hang: \"%s\" has not returned after 2 s\n", m_what);
            }
            if (stuck > kGiveUp) {
                std::fprintf(stderr, "hang: \"%s\" never returned\n", m_what);
                m_giveUp();
                std::_Exit(3);
            }
        }
    }

    std::function<void()> m_giveUp;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    const char *m_what = "";
    Clock::time_point m_since;
    bool m_running = false;
    bool m_counted = false;
    std::jthread m_thread;  // last: started once the rest is there
};

}  // namespace

int runCommandStress(const std::string &file, int commands, std::uint32_t seed) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);  // real sound timing, no loudspeaker needed
    mci::NullVideoSink sink;
    mci::NullDeviceListener listener;
    mci::MciDevice device(mci::DeviceOptions{}, sink, mci::makeSdlAudioSink(), listener);
    device.setDeviceType("avivideo");
    device.setFileName(file);

    Tally tally;
    std::mutex tallyMutex;  // the watchdog prints it from its thread when it gives up
    int done = 0;
    Watchdog watchdog([&] {
        std::lock_guard lock(tallyMutex);
        Tally last = tally;
        ++last.hangs;
        print(last, done, seed);
    });
    // Runs one command with its Mode/Position read, timed and watched.
    auto timed = [&](const char *what, const std::function<std::optional<mci::MciError>()> &act) {
        watchdog.begin(what);
        const auto start = Clock::now();
        const auto error = act();
        (void)device.mode();
        (void)device.position();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const bool hung = watchdog.end();
        std::lock_guard lock(tallyMutex);
        tally.hangs += hung;
        tally.errors += error.has_value();
        if (std::string(what) == "open") tally.maxOpenMs = std::max(tally.maxOpenMs, ms);
        else {
            if (tally.commandMs.empty() || ms > *std::max_element(tally.commandMs.begin(), tally.commandMs.end()))
                tally.slowest = what;
            tally.commandMs.push_back(ms);
        }
        ++done;
    };
    auto word = [&](const char *w) { return [&device, w] { return device.command(w); }; };

    timed("open", word("open"));
    const int length = device.length();
    if (length <= 0) {
        std::fprintf(stderr, "%s: not a clip the device opens\n", file.c_str());
        return 2;
    }
    std::mt19937 random(seed);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    for (int i = 1; i < commands; ++i) {
        switch (pick(16)) {
        case 0:  // "Reverse" checked while playing: stop, backward range, play
        case 1:
            timed("stop", word("stop"));
            timed("to 0, from length", [&] { device.setTo(0); device.setFrom(length); return std::nullopt; });
            timed("play", word("play"));
            break;
        case 2:  // "Reverse" cleared, or Loop's restart
        case 3:
            timed("stop", word("stop"));
            timed("from 0, to length", [&] { device.setFrom(0); device.setTo(length); return std::nullopt; });
            timed("play", word("play"));
            break;
        case 4: timed("Play button", [&] { return device.press(mci::Button::Play); }); break;
        case 5: timed("pause", word("pause")); break;
        case 6: timed("stop", word("stop")); break;
        case 7:  // a click on the slider
        case 8: {
            const int to = pick(length + 1);
            timed("seek", [&] { device.setTo(to); return device.command("seek"); });
            break;
        }
        case 9: timed("step", word("step")); break;
        case 10: timed("back", word("back")); break;
        case 11: timed("prev", word("prev")); break;
        case 12: timed("next", word("next")); break;
        case 13:
        case 14: {
            const bool silent = pick(2);
            timed("Silent", [&] { device.setSilent(silent); return std::nullopt; });
            break;
        }
        case 15:  // now and then another clip: close, then open
            if (pick(4) == 0) {
                timed("close", word("close"));
                timed("open", word("open"));
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pick(51)));  // the user's pace
    }
    timed("close", word("close"));
    std::lock_guard lock(tallyMutex);
    print(tally, done, seed);
    return tally.hangs ? 1 : 0;
}

}  // namespace mci_tools
