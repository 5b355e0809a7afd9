#include "platform/mci/audio/clip_audio_packets.h"
#include "platform/mci/audio/decoded_audio_track.h"
#include "platform/mci/engine/clip_index.h"
#include "tests/support/test_clips.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr std::int64_t kBlock = mci::SampleBlockStore::kBlockFrames;

mci::DecodedAudioTrack decode(const std::string &path, int rate, std::size_t memoryBytes = 512u << 20) {
    auto clip = std::get<std::shared_ptr<const mci::ClipIndex>>(mci::ClipIndex::open(path));
    return {std::make_unique<mci::ClipAudioPackets>(clip), rate, {memoryBytes}};
}

// Into a buffer of a value no sound has, so that samples left unwritten show.
std::vector<float> read(const mci::AudioTrack &track, std::int64_t first, std::int64_t count, bool backward = false) {
    std::vector<float> out(count * 2, 9.0f);
    track.read(first, backward, out);
    return out;
}

float worstDifference(const std::vector<float> &a, const std::vector<float> &b) {  // over the shorter
    float worst = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

struct CodecCase {
    const char *name;
    int sourceRate;
    std::vector<std::string> codec;
    int rate;  // the track's
};

class CodecTest : public ::testing::TestWithParam<CodecCase> {};

// A second of silence, then a sweep no shifted copy of which matches: whatever the codec,
// the track is ffmpeg's decode (mono on both sides, VBR MP3 placed by its samples). With
// room for four blocks, it keeps no more and, wherever reading goes, reads the same sound
// at the same place, silence outside it (within rounding where codec frames overlap).
TEST_P(CodecTest, DecodesAsFfmpegDoesAndAgainWithinABudget) {
    const CodecCase &c = GetParam();
    const std::string graph = "aevalsrc=0.125*sin(2*PI*(200*t+100*t*t))*gte(t\\,1):s=" + std::to_string(c.sourceRate);
    std::vector<std::string> args = {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25", "-f", "lavfi", "-i", graph, "-map",
                                     "0:v", "-map", "1:a", "-c:v", "mpeg4", "-t", "10"};
    args.insert(args.end(), c.codec.begin(), c.codec.end());
    const std::string clip = test_clips::make(std::string("chirp_") + c.name + ".avi", args);
    // ffmpeg's own decode, float stereo at the track's rate, mono copied to both sides.
    const std::string raw = test_clips::run({"ffmpeg", "-v", "error", "-nostdin", "-i", clip, "-map", "0:a", "-af",
                                             c.codec[1] == "1" ? "pan=stereo|c0=c0|c1=c0" : "anull", "-ac", "2",
                                             "-ar", std::to_string(c.rate), "-f", "f32le", "-"});
    std::vector<float> reference(raw.size() / sizeof(float));
    std::memcpy(reference.data(), raw.data(), reference.size() * sizeof(float));

    auto track = decode(clip, c.rate);
    track.waitUntilIdle();  // its first run is over
    const std::int64_t end = track.frames();
    const std::vector<float> all = read(track, 0, end);
    ASSERT_TRUE(track.scanned());
    EXPECT_GE(end, 10 * c.rate - 2);
    EXPECT_NEAR(end, std::ssize(reference) / 2, 2);
    EXPECT_LE(worstDifference(all, reference), 1e-4);

    const std::size_t budget = 4 * mci::SampleBlockStore::kBlockBytes;
    auto small = decode(clip, c.rate, budget);
    const std::pair<std::int64_t, bool> visits[] = {{end - 10000, false}, {9 * kBlock + 17, true}, {50000, false},
                                                    {3 * kBlock - 500, false}, {end - 1, true}, {7 * kBlock, false}};
    for (const auto &[first, backward] : visits) {
        read(small, first, 20000, backward);  // says where reading is
        small.waitUntilIdle();
        EXPECT_LE(small.residentBytes(), budget);
        std::vector<float> expected(20000 * 2, 0.0f);
        for (std::int64_t i = 0, f = first; i < 20000; ++i, f += backward ? -1 : 1)
            if (f >= 0 && f < end) std::copy_n(all.begin() + 2 * f, 2, expected.begin() + 2 * i);
        EXPECT_LE(worstDifference(read(small, first, 20000, backward), expected), 1e-3) << "from " << first;
    }
}

const CodecCase kCodecs[] = {
    {"pcm_s16", 44100, {"-ac", "2", "-c:a", "pcm_s16le"}, 44100},
    {"pcm_s16_to_48k", 44100, {"-ac", "2", "-c:a", "pcm_s16le"}, 48000},
    {"pcm_u8_mono", 44100, {"-ac", "1", "-c:a", "pcm_u8"}, 44100},
    {"mp3_cbr", 44100, {"-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k"}, 44100},
    {"mp3_vbr_mono_to_48k", 44100, {"-ac", "1", "-c:a", "libmp3lame", "-q:a", "2"}, 48000},
    {"aac", 48000, {"-ac", "2", "-c:a", "aac"}, 48000},
    {"adpcm_ima", 44100, {"-ac", "2", "-c:a", "adpcm_ima_wav"}, 44100}};
INSTANTIATE_TEST_SUITE_P(Formats, CodecTest, ::testing::ValuesIn(kCodecs), [](const auto &p) { return p.param.name; });

}  // namespace
