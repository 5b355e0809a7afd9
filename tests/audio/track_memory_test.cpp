#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace audio_test;

namespace {

constexpr std::int64_t kBlock = mci::SampleBlockStore::kBlockFrames;

// Hands the decoder thread the packets before `gate` and holds it at that one until
// released, so a test can look at the track half decoded.
class GatedPackets : public mci::AudioPacketSource {
public:
    GatedPackets(std::unique_ptr<mci::AudioPacketSource> inner, std::size_t gate)
        : m_inner(std::move(inner)), m_gate(gate) {}

    const AVCodecParameters &parameters() const override { return m_inner->parameters(); }
    AVRational timeBase() const override { return m_inner->timeBase(); }
    std::size_t packetCount() const override { return m_inner->packetCount(); }
    mci::PacketPtr readPacket(std::size_t index) const override {
        if (index >= m_gate) {
            std::unique_lock lock(m_mutex);
            m_held = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
        }
        return m_inner->readPacket(index);
    }

    void waitUntilHeld() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_held; });
    }
    void release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    std::unique_ptr<mci::AudioPacketSource> m_inner;
    std::size_t m_gate;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    mutable bool m_held = false;
    bool m_released = false;
};

std::vector<float> readSpan(const mci::AudioTrack &track, std::int64_t first, std::int64_t count, bool backward = false) {
    std::vector<float> out(count * 2);
    track.read(first, backward, out);
    return out;
}

std::vector<float> slice(const std::vector<float> &all, std::int64_t first, std::int64_t count) {
    return std::vector<float>(all.begin() + 2 * first, all.begin() + 2 * (first + count));
}

float worstDifference(const std::vector<float> &a, const std::vector<float> &b) {
    float worst = a.size() == b.size() ? 0.0f : INFINITY;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

// While the decoder is held half way, what it has decoded reads as the track and the
// rest as silence, at once.
TEST(TrackWhileDecoding, UndecodedSamplesReadAsSilenceWithoutWaiting) {
    const std::string clip = makeClip("gate_noise.avi", 4.0, "anoisesrc=r=48000:a=0.5:seed=11",
                                      {"-ac", "2", "-c:a", "pcm_s16le"});
    const std::vector<float> reference = readAll(*decode(clip, 48000));

    auto clipIndex = openClip(clip);
    ASSERT_GT(clipIndex->audio()->packets.size(), 60u);
    auto gated = std::make_unique<GatedPackets>(std::make_unique<mci::ClipAudioPackets>(clipIndex), 60);
    GatedPackets &gate = *gated;
    mci::DecodedAudioTrack track(std::move(gated), 48000);
    gate.waitUntilHeld();

    const std::int64_t decoded = track.frames();
    ASSERT_GT(decoded, 0);
    ASSERT_LT(decoded, static_cast<std::int64_t>(reference.size() / 2) - 2000);
    EXPECT_FALSE(track.scanned());
    EXPECT_EQ(readSpan(track, 0, decoded), slice(reference, 0, decoded));
    const std::vector<float> across = readSpan(track, decoded - 100, 1100);
    EXPECT_EQ(std::vector<float>(across.begin(), across.begin() + 200), slice(reference, decoded - 100, 100));
    EXPECT_EQ(peak(std::vector<float>(across.begin() + 200, across.end())), 0.0f);
    EXPECT_EQ(peak(readSpan(track, decoded + 48000, 1000, true)), 0.0f);

    gate.release();
    track.waitUntilIdle();
    EXPECT_EQ(readSpan(track, 0, track.frames()), reference);
}

struct BudgetCase {
    const char *name;
    std::string audio;  // lavfi graph
    std::vector<std::string> codec;
    int rate;
    float tolerance;  // decoding again from the middle is exact for PCM, nearly for MP3
};

void PrintTo(const BudgetCase &c, std::ostream *os) { *os << c.name; }

class TrackMemoryTest : public ::testing::TestWithParam<BudgetCase> {};

// With room for four blocks only, the track keeps at most four, and whatever part is
// read comes back, once decoded again, as the same sound at the same place.
TEST_P(TrackMemoryTest, KeepsWithinItsBudgetAndDecodesAgainWhereReadingGoes) {
    const BudgetCase &c = GetParam();
    const std::string clip =
        makeClip(std::string("budget_") + c.name + ".avi", 20.0, c.audio, c.codec);
    const std::vector<float> reference = readAll(*decode(clip, c.rate));
    const std::int64_t total = static_cast<std::int64_t>(reference.size() / 2);
    ASSERT_GT(total, 12 * kBlock);

    const std::size_t budget = 4 * mci::SampleBlockStore::kBlockBytes;
    auto track = decode(clip, c.rate, mci::AudioTrackOptions{budget});
    track->waitUntilIdle();
    EXPECT_TRUE(track->scanned());
    EXPECT_EQ(track->frames(), total);
    EXPECT_LE(track->residentBytes(), budget);

    struct Visit {
        std::int64_t first;
        bool backward;
    };
    const Visit visits[] = {{100, false}, {total - 30000, false}, {9 * kBlock + 17, true}, {3 * kBlock - 500, false},
                            {total - 1, true}, {0, false}};
    for (const Visit &v : visits) {
        const std::int64_t count = 20000;
        readSpan(*track, v.first, count, v.backward);  // says where reading is
        track->waitUntilIdle();
        EXPECT_LE(track->residentBytes(), budget);
        std::vector<float> expected(count * 2, 0.0f);
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t f = v.backward ? v.first - i : v.first + i;
            if (f < 0 || f >= total) continue;
            expected[2 * i] = reference[2 * f];
            expected[2 * i + 1] = reference[2 * f + 1];
        }
        EXPECT_LE(worstDifference(readSpan(*track, v.first, count, v.backward), expected), c.tolerance)
            << "reading at " << v.first << (v.backward ? " backward" : "");
    }
}

// Noise shows any sample out of place. AAC gets a sweep instead: it codes noise as
// "noise here", which its decoder makes up anew each time.
const std::string kNoise = "anoisesrc=r=44100:a=0.5:seed=5";
const std::string kSweep = "aevalsrc=0.4*sin(2*PI*(200*t+100*t*t)):s=44100";

INSTANTIATE_TEST_SUITE_P(
    Codecs, TrackMemoryTest,
    ::testing::Values(BudgetCase{"pcm", kNoise, {"-ac", "2", "-c:a", "pcm_s16le"}, 44100, 0.0f},
                      BudgetCase{"pcm_to_48k", kNoise, {"-ac", "2", "-c:a", "pcm_s16le"}, 48000, 1e-6f},
                      BudgetCase{"mp3_vbr", kNoise, {"-ac", "2", "-c:a", "libmp3lame", "-q:a", "2"}, 44100, 1e-6f},
                      BudgetCase{"aac_to_48k", kSweep, {"-ac", "2", "-c:a", "aac"}, 48000, 1e-5f}),
    [](const ::testing::TestParamInfo<BudgetCase> &info) { return std::string(info.param.name); });

// Playing straight through a track four blocks long at most, as the audio thread does
// while the decoder drops and decodes blocks behind and ahead of it: every frame read
// is either the track's or silence, never another frame's.
TEST(TrackMemory, ReadingWhileBlocksComeAndGoNeverGivesWrongSamples) {
    const std::string clip = makeClip("budget_pcm.avi", 20.0, kNoise, {"-ac", "2", "-c:a", "pcm_s16le"});
    const std::vector<float> reference = readAll(*decode(clip, 44100));
    const std::int64_t total = static_cast<std::int64_t>(reference.size() / 2);
    auto track = decode(clip, 44100, mci::AudioTrackOptions{4 * mci::SampleBlockStore::kBlockBytes});
    std::int64_t wrong = 0, heard = 0;
    std::vector<float> out(1024 * 2);
    for (int pass = 0; pass < 2; ++pass) {
        for (std::int64_t first = 0; first < total; first += 1024) {
            track->read(first, false, out);
            for (std::int64_t i = 0; i < 1024 && first + i < total; ++i) {
                const float l = out[2 * i], r = out[2 * i + 1];
                if (l == 0.0f && r == 0.0f) continue;
                ++heard;
                if (l != reference[2 * (first + i)] || r != reference[2 * (first + i) + 1]) ++wrong;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(heard, 0);
}

}  // namespace
