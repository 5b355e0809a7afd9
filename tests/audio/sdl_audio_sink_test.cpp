#include "platform/mci/audio/null_audio_sink.h"
#include "platform/mci/audio/sdl_audio_sink.h"
#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace audio_test;

namespace {

// Hands out a pattern no two frames share, and says how much it has handed out.
class CountingSource : public mci::AudioSource {
public:
    static float left(std::int64_t frame) { return static_cast<float>(frame % 100000 + 1) * 1e-5f; }
    static float right(std::int64_t frame) { return -left(frame); }

    void fill(std::span<float> out) override {
        const std::int64_t first = m_given.load();
        for (std::size_t i = 0; i < out.size() / 2; ++i) {
            out[2 * i] = left(first + static_cast<std::int64_t>(i));
            out[2 * i + 1] = right(first + static_cast<std::int64_t>(i));
        }
        m_given.store(first + static_cast<std::int64_t>(out.size() / 2));
        m_given.notify_all();
    }
    void waitForFrames(std::int64_t frames) {
        for (std::int64_t now = m_given.load(); now < frames; now = m_given.load()) m_given.wait(now);
    }
    std::int64_t given() const { return m_given.load(); }

private:
    std::atomic<std::int64_t> m_given{0};
};

// Plays a track from its start, as the player does.
class TrackSource : public mci::AudioSource {
public:
    explicit TrackSource(const mci::AudioTrack &track) : m_track(track) {}
    void fill(std::span<float> out) override {
        const std::int64_t first = m_next.load();
        m_track.read(first, false, out);
        m_next.store(first + static_cast<std::int64_t>(out.size() / 2));
        m_next.notify_all();
    }
    void waitForFrames(std::int64_t frames) {
        for (std::int64_t now = m_next.load(); now < frames; now = m_next.load()) m_next.wait(now);
    }

private:
    const mci::AudioTrack &m_track;
    std::atomic<std::int64_t> m_next{0};
};

// SDL's disk driver writes what the device plays to a file; nothing waits on a clock.
class DiskCapture {
public:
    explicit DiskCapture(const std::string &name)
        : m_path(std::filesystem::path(test_clips::folder()) / (name + "-" + std::to_string(::getpid()) + ".raw")) {
        std::filesystem::remove(m_path);
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", m_path.c_str(), 1);
        ::setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
    ~DiskCapture() { std::filesystem::remove(m_path); }

    // What was played, with the silence SDL wrote while the device was paused left out.
    std::vector<float> played() const {
        std::ifstream in(m_path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        std::vector<float> samples(bytes.size() / sizeof(float));
        std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
        std::size_t start = 0;
        while (start < samples.size() && samples[start] == 0.0f) ++start;
        return std::vector<float>(samples.begin() + static_cast<std::ptrdiff_t>(start - start % 2), samples.end());
    }

private:
    std::filesystem::path m_path;
};

class SdlSinkRateTest : public ::testing::TestWithParam<int> {};

// What the source gives is what the device plays, sample for sample, as float stereo
// at the asked rate.
TEST_P(SdlSinkRateTest, PlaysExactlyWhatTheSourceGives) {
    const int rate = GetParam();
    DiskCapture capture("sink-" + std::to_string(rate));
    CountingSource source;
    mci::SdlAudioSink sink;
    ASSERT_TRUE(sink.open(rate, source));
    EXPECT_EQ(sink.rate(), rate);
    EXPECT_GT(sink.latencySeconds(), 0.0);
    EXPECT_LT(sink.latencySeconds(), 0.1);
    sink.setRunning(true);
    source.waitForFrames(rate / 2);
    sink.close();
    const std::int64_t given = source.given();

    const std::vector<float> played = capture.played();
    ASSERT_GE(static_cast<std::int64_t>(played.size()), (rate / 2) * 2);
    ASSERT_LE(static_cast<std::int64_t>(played.size()), given * 2);
    for (std::size_t i = 0; i < played.size() / 2; ++i) {
        ASSERT_EQ(played[2 * i], CountingSource::left(static_cast<std::int64_t>(i))) << "frame " << i;
        ASSERT_EQ(played[2 * i + 1], CountingSource::right(static_cast<std::int64_t>(i))) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, SdlSinkRateTest, ::testing::Values(44100, 48000, 22050));

// A decoded track played through the sink comes out of the device unchanged.
TEST(SdlAudioSink, PlaysADecodedTrack) {
    const std::string clip = makeClip("sink_track.avi", 2.0, "sine=f=440:r=48000", {"-ac", "2", "-c:a", "pcm_s16le"});
    auto track = decode(clip, 48000);
    const std::vector<float> all = readAll(*track);
    DiskCapture capture("sink-track");
    TrackSource source(*track);
    mci::SdlAudioSink sink;
    ASSERT_TRUE(sink.open(48000, source));
    sink.setRunning(true);
    source.waitForFrames(track->frames());
    sink.close();

    // The capture's leading silence also took the track's own silent start.
    std::size_t first = 0;
    while (first < all.size() && all[first] == 0.0f) ++first;
    first -= first % 2;
    std::vector<float> played = capture.played();
    ASSERT_GE(played.size(), all.size() - first);
    played.resize(all.size() - first);
    EXPECT_EQ(played, std::vector<float>(all.begin() + static_cast<std::ptrdiff_t>(first), all.end()));
}

// An opened sink waits paused: nothing is pulled until it is set running.
TEST(SdlAudioSink, OpensPaused) {
    DiskCapture capture("sink-paused");
    CountingSource source;
    mci::SdlAudioSink sink;
    ASSERT_TRUE(sink.open(48000, source));
    sink.close();
    EXPECT_EQ(source.given(), 0);
}

// With no audio driver to be had, open() says so and the sink stays silent; a later
// open with a working driver still works (each sink takes and gives back the subsystem).
TEST(SdlAudioSink, OpenFailsWithoutADevice) {
    CountingSource source;
    mci::SdlAudioSink sink;
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(sink.open(48000, source));
    EXPECT_EQ(sink.rate(), 0);
    sink.setRunning(true);
    sink.close();

    DiskCapture capture("sink-after-failure");
    EXPECT_TRUE(sink.open(48000, source));
}

TEST(NullAudioSink, HasNoDevice) {
    CountingSource source;
    auto sink = mci::makeNullAudioSink();
    EXPECT_FALSE(sink->open(48000, source));
    EXPECT_EQ(sink->rate(), 0);
}

}  // namespace
