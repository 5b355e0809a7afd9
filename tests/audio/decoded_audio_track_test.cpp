#include "platform/mci/audio/clip_audio_packets.h"
#include "platform/mci/audio/decoded_audio_track.h"
#include "platform/mci/engine/clip_index.h"
#include "tests/support/test_clips.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <variant>

namespace {

constexpr std::int64_t kBlock = mci::SampleBlockStore::kBlockFrames;
const std::string kNoise = "anoisesrc=r=48000:a=0.5:seed=";  // shows any sample out of place

// An AVI with a small picture (the device wants one) and the sound of a lavfi graph.
std::string makeClip(const std::string &name, double seconds, const std::string &graph,
                     std::vector<std::string> codec) {
    codec.insert(codec.begin(), {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25", "-f", "lavfi", "-i", graph, "-map",
                                 "0:v", "-map", "1:a", "-c:v", "mpeg4", "-t", std::to_string(seconds)});
    return test_clips::make(name, codec);
}

std::shared_ptr<const mci::ClipIndex> openClip(const std::string &path) {
    return std::get<std::shared_ptr<const mci::ClipIndex>>(mci::ClipIndex::open(path));
}

mci::DecodedAudioTrack decode(const std::string &path, int rate, std::size_t memoryBytes = 512u << 20) {
    return {std::make_unique<mci::ClipAudioPackets>(openClip(path)), rate, {memoryBytes}};
}

// Into a buffer of a value no sound has, so that samples left unwritten show.
std::vector<float> read(const mci::AudioTrack &track, std::int64_t first, std::int64_t count, bool backward = false) {
    std::vector<float> out(count * 2, 9.0f);
    track.read(first, backward, out);
    return out;
}

std::vector<float> readAll(const mci::DecodedAudioTrack &track) {
    track.waitUntilIdle();  // its first run is over
    return read(track, 0, track.frames());
}

// What a read of the whole track `all` gives: silence outside it.
std::vector<float> expectedRead(const std::vector<float> &all, std::int64_t first, std::int64_t count,
                                bool backward = false) {
    std::vector<float> out(count * 2, 0.0f);
    for (std::int64_t i = 0, f = first; i < count; ++i, f += backward ? -1 : 1)
        if (f >= 0 && 2 * f < std::ssize(all)) std::copy_n(all.begin() + 2 * f, 2, out.begin() + 2 * i);
    return out;
}

float worstDifference(const std::vector<float> &a, const std::vector<float> &b) {  // over the shorter
    float worst = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

// ffmpeg's own decode of the clip's sound as float stereo at `rate`, mono copied to both sides.
std::vector<float> oracle(const std::string &path, int rate, bool mono = false) {
    const std::string raw = test_clips::run({"ffmpeg", "-v", "error", "-nostdin", "-i", path, "-map", "0:a", "-af",
                                             mono ? "pan=stereo|c0=c0|c1=c0" : "anull", "-ac", "2", "-ar",
                                             std::to_string(rate), "-f", "f32le", "-"});
    std::vector<float> samples(raw.size() / sizeof(float));
    std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
    return samples;
}

struct CodecCase {
    const char *name;
    int sourceRate;
    std::vector<std::string> codec;
    int rate;  // the track's
};

class CodecTest : public ::testing::TestWithParam<CodecCase> {};

// A second of silence, then a sweep no shifted copy of which matches it. Whatever the
// codec, the track is ffmpeg's decode of the same file, mono on both sides at full level;
// VBR MP3 is placed by its samples, however its chunks are stamped. With room for four
// blocks only, the track keeps no more than four and, wherever reading goes, once the
// decoder has caught up, reads the same sound at the same place (within rounding for
// codecs whose frames overlap; a sample out of place is off by far more).
TEST_P(CodecTest, DecodesAsFfmpegDoesAndAgainWithinABudget) {
    const CodecCase &c = GetParam();
    const std::string graph = "aevalsrc=0.125*sin(2*PI*(200*t+100*t*t))*gte(t\\,1):s=" + std::to_string(c.sourceRate);
    const std::string clip = makeClip(std::string("chirp_") + c.name + ".avi", 10.0, graph, c.codec);
    auto track = decode(clip, c.rate);
    const std::vector<float> all = readAll(track), reference = oracle(clip, c.rate, c.codec[1] == "1");
    const std::int64_t end = track.frames();
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
        EXPECT_LE(worstDifference(read(small, first, 20000, backward), expectedRead(all, first, 20000, backward)), 1e-3)
            << "from " << first;
    }
}

const CodecCase kCodecs[] = {
    {"pcm_s16", 44100, {"-ac", "2", "-c:a", "pcm_s16le"}, 44100},
    {"pcm_s16_to_48k", 44100, {"-ac", "2", "-c:a", "pcm_s16le"}, 48000},
    {"pcm_u8_mono", 44100, {"-ac", "1", "-c:a", "pcm_u8"}, 44100},
    {"mp3_cbr", 44100, {"-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k"}, 44100},
    {"mp3_vbr", 44100, {"-ac", "2", "-c:a", "libmp3lame", "-q:a", "2"}, 44100},
    {"mp3_vbr_mono_to_48k", 44100, {"-ac", "1", "-c:a", "libmp3lame", "-q:a", "2"}, 48000},
    {"aac", 48000, {"-ac", "2", "-c:a", "aac"}, 48000},
    {"adpcm_ima", 44100, {"-ac", "2", "-c:a", "adpcm_ima_wav"}, 44100}};
INSTANTIATE_TEST_SUITE_P(Formats, CodecTest, ::testing::ValuesIn(kCodecs), [](const auto &p) { return p.param.name; });

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
TEST(DecodedAudioTrack, UndecodedSamplesReadAsSilenceWithoutWaiting) {
    const std::string clip = makeClip("gate_noise.avi", 4.0, kNoise + "11", {"-ac", "2", "-c:a", "pcm_s16le"});
    const std::vector<float> all = readAll(decode(clip, 48000));
    auto packets = std::make_unique<GatedPackets>(openClip(clip));
    GatedPackets &gate = *packets;
    ASSERT_GT(gate.packetCount(), 60u);
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

}  // namespace
