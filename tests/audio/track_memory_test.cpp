#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

using namespace audio_test;

namespace {

constexpr std::int64_t kBlock = mci::SampleBlockStore::kBlockFrames;
constexpr std::size_t kFourBlocks = 4 * mci::SampleBlockStore::kBlockBytes;

// Hands the decoder the first 60 packets, then holds it until released.
struct GatedPackets : mci::ClipAudioPackets {
    using ClipAudioPackets::ClipAudioPackets;
    mci::PacketPtr readPacket(std::size_t index) const override {
        if (index >= 60) {
            held = true;
            held.notify_all();
            released.wait(false);
        }
        return ClipAudioPackets::readPacket(index);
    }
    mutable std::atomic<bool> held{false}, released{false};
};

// While the decoder is held half way, what it has decoded reads as the track and the
// rest as silence, at once.
TEST(TrackMemory, UndecodedSamplesReadAsSilenceWithoutWaiting) {
    const std::string clip =
        makeClip("gate_noise.avi", 4.0, "anoisesrc=r=48000:a=0.5:seed=11", {"-ac", "2", "-c:a", "pcm_s16le"});
    const std::vector<float> all = readAll(*decode(clip, 48000));
    auto index = openClip(clip);
    ASSERT_GT(index->audio()->packets.size(), 60u);
    auto packets = std::make_unique<GatedPackets>(index);
    GatedPackets &gate = *packets;
    mci::DecodedAudioTrack track(std::move(packets), 48000);
    gate.held.wait(false);

    const std::int64_t decoded = track.frames();
    ASSERT_GT(decoded, 0);
    ASSERT_LT(decoded, std::ssize(all) / 2 - 2000);
    EXPECT_FALSE(track.scanned());
    const std::vector<float> sofar(all.begin(), all.begin() + 2 * decoded);
    const std::tuple<std::int64_t, std::int64_t, bool> reads[] = {
        {0, decoded, false}, {decoded - 100, 1100, false}, {decoded + 48000, 1000, true}};
    for (const auto &[first, count, backward] : reads)
        EXPECT_EQ(read(track, first, count, backward), expectedRead(sofar, first, count, backward)) << first;
    gate.released = true;
    gate.released.notify_all();
    EXPECT_EQ(readAll(track), all);
}

struct BudgetCase {
    const char *name;
    std::string audio;
    std::vector<std::string> codec;
    int rate;
    float tolerance;  // decoding again from the middle is exact for PCM, nearly for the rest
};

class TrackMemoryTest : public ::testing::TestWithParam<BudgetCase> {};

// With room for four blocks only. Read straight through as the audio thread reads, while
// the decoder drops and decodes blocks behind and ahead, each sample is the track's or
// silence. Read anywhere once the decoder has caught up, it is the track's, and no more
// than four blocks are kept.
TEST_P(TrackMemoryTest, KeepsWithinItsBudgetAndDecodesAgainWhereReadingGoes) {
    const BudgetCase &c = GetParam();
    const std::string clip = makeClip(std::string("budget_") + c.name + ".avi", 20.0, c.audio, c.codec);
    const std::vector<float> all = readAll(*decode(clip, c.rate));
    const std::int64_t end = std::ssize(all) / 2;
    ASSERT_GT(end, 12 * kBlock);
    auto track = decode(clip, c.rate, {kFourBlocks});
    float worst = 0;
    std::int64_t heard = 0;
    for (std::int64_t first = 0; first < 2 * end; first += 1024) {  // twice through
        for (int attempt = 0; attempt < 2; ++attempt) {
            const std::vector<float> got = read(*track, first % end, 1024), want = expectedRead(all, first % end, 1024);
            for (std::size_t i = 0; i < got.size(); ++i) {
                if (got[i] == 0.0f) continue;
                ++heard;
                worst = std::max(worst, std::fabs(got[i] - want[i]));
            }
            if (std::ranges::find(got, 0.0f) == got.end()) break;
            track->waitUntilIdle();  // the decoder had not caught up with reading
        }
    }
    EXPECT_LE(worst, c.tolerance);
    EXPECT_GT(heard, 2 * end);

    const std::pair<std::int64_t, bool> visits[] = {{100, false},       {end - 30000, false}, {9 * kBlock + 17, true},
                                                    {3 * kBlock - 500, false}, {end - 1, true},  {0, false}};
    for (const auto &[first, backward] : visits) {
        read(*track, first, 20000, backward);  // says where reading is
        track->waitUntilIdle();
        EXPECT_LE(track->residentBytes(), kFourBlocks);
        EXPECT_LE(worstDifference(read(*track, first, 20000, backward), expectedRead(all, first, 20000, backward)),
                  c.tolerance)
            << first << (backward ? " backward" : "");
    }
    EXPECT_EQ(track->frames(), end);
}

const std::string kNoise = "anoisesrc=r=44100:a=0.5:seed=5";  // shows any sample out of place
// AAC gets a sweep: it codes noise as "noise here", made up anew at each decode.
INSTANTIATE_TEST_SUITE_P(
    Codecs, TrackMemoryTest,
    ::testing::Values(BudgetCase{"pcm", kNoise, {"-ac", "2", "-c:a", "pcm_s16le"}, 44100, 0.0f},
                      BudgetCase{"pcm_to_48k", kNoise, {"-ac", "2", "-c:a", "pcm_s16le"}, 48000, 1e-6f},
                      BudgetCase{"mp3_vbr", kNoise, {"-ac", "2", "-c:a", "libmp3lame", "-q:a", "2"}, 44100, 1e-6f},
                      BudgetCase{"aac_to_48k", "aevalsrc=0.4*sin(2*PI*(200*t+100*t*t)):s=44100",
                                 {"-ac", "2", "-c:a", "aac"}, 48000, 1e-5f}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
