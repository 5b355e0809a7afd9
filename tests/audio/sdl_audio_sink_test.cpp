#include "platform/mci/audio/sdl_audio_sink.h"
#include "tests/support/test_clips.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
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

// SDL's disk driver writes what the device plays to a file, with no clock to wait on.
std::string captureToFile(const std::string &name) {
    const std::string path = test_clips::folder() + "/" + name + "-" + std::to_string(::getpid()) + ".raw";
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    ::setenv("SDL_DISKAUDIODELAY", "0", 1);
    return path;
}

// What was played, less the silence SDL wrote while the device was paused.
std::vector<float> played(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::filesystem::remove(path);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    const auto start = std::ranges::find_if(samples, [](float s) { return s != 0.0f; }) - samples.begin();
    return std::vector<float>(samples.begin() + (start - start % 2), samples.end());
}

// Opened, the sink waits paused and pulls nothing; running, the device plays exactly
// what the source gives, as float stereo at the asked rate.
TEST(SdlAudioSink, PlaysExactlyWhatTheSourceGives) {
    for (const int rate : {44100, 48000, 22050}) {
        SCOPED_TRACE(rate);
        const std::string file = captureToFile("sink-" + std::to_string(rate));
        CountingSource source;
        mci::SdlAudioSink sink;
        ASSERT_TRUE(sink.open(rate, source));
        EXPECT_EQ(sink.rate(), rate);
        EXPECT_GT(sink.latencySeconds(), 0.0);
        EXPECT_LT(sink.latencySeconds(), 0.1);
        EXPECT_EQ(source.given.load(), 0);
        sink.setRunning(true);
        for (std::int64_t now = source.given.load(); now < rate; now = source.given.load()) source.given.wait(now);
        sink.close();

        const std::vector<float> heard = played(file);
        ASSERT_GE(std::ssize(heard), rate);
        ASSERT_LE(std::ssize(heard), source.given.load());
        for (std::size_t i = 0; i < heard.size(); ++i) ASSERT_EQ(heard[i], CountingSource::value(std::int64_t(i))) << i;
    }
}

// With no audio driver to be had, open() fails and the sink stays silent; each sink
// takes and gives back the subsystem, so a later open with a working driver works.
TEST(SdlAudioSink, OpenFailsWithoutADevice) {
    CountingSource source;
    mci::SdlAudioSink sink;
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(sink.open(48000, source));
    EXPECT_EQ(sink.rate(), 0);
    sink.setRunning(true);
    sink.close();

    const std::string file = captureToFile("sink-after-failure");
    EXPECT_TRUE(sink.open(48000, source));
    sink.close();
    played(file);
}

}  // namespace
