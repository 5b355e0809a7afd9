#include "platform/mci/audio/sdl_audio_sink.h"
#include "tests/support/disk_audio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <tuple>
#include <unistd.h>

namespace {

// Gives each sample (both sides counted) a value no nearby sample shares, and counts them.
struct CountingSource : mci::AudioSource {
    static float value(std::int64_t n) { return static_cast<float>(n % 100000 + 1) * 1e-5f; }
    void fill(std::span<float> out) override {
        const std::int64_t first = given.load();
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = value(first + std::int64_t(i));
        given.store(first + std::ssize(out));
        given.notify_all();
    }
    std::atomic<std::int64_t> given{0};
};

// Opened, the sink waits paused and pulls nothing; running, the device plays exactly what
// the source gives, as float stereo at the asked rate. SDL's disk driver writes what the
// device plays to a file, with no clock to wait on.
TEST(SdlAudioSink, PlaysExactlyWhatTheSourceGives) {
    for (const int rate : {44100, 48000, 22050}) {
        SCOPED_TRACE(rate);
        const std::string file = disk_audio::capture("sink-" + std::to_string(::getpid()), false);
        CountingSource source;
        mci::SdlAudioSink sink;
        ASSERT_TRUE(sink.open(rate, source));
        EXPECT_EQ(std::make_tuple(sink.rate(), sink.latencySeconds() > 0.0 && sink.latencySeconds() < 0.1, source.given.load()),
                  std::make_tuple(rate, true, std::int64_t{0}));
        sink.setRunning(true);
        for (std::int64_t now = source.given; now < rate; now = source.given) source.given.wait(now);
        sink.close();

        std::vector<float> heard = disk_audio::played(file, 1);
        std::filesystem::remove(file);
        const auto start = std::ranges::find_if(heard, [](float s) { return s != 0.0f; }) - heard.begin();
        heard.erase(heard.begin(), heard.begin() + (start & ~1));  // the silence written while paused
        ASSERT_TRUE(std::ssize(heard) >= rate && std::ssize(heard) <= source.given) << heard.size();
        for (std::size_t i = 0; i < heard.size(); ++i) ASSERT_EQ(heard[i], CountingSource::value(std::int64_t(i))) << i;
    }
}

}  // namespace
