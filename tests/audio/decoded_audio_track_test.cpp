#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace audio_test;

namespace {

constexpr double kTone = 440.0;
constexpr float kSineAmplitude = 0.125f;  // lavfi's sine source
constexpr std::int64_t kMp3Frame = 1152;

const std::string kSine = "sine=f=440:r=44100";
const std::string kSine48 = "sine=f=440:r=48000";

struct CodecCase {
    const char *name;
    std::string audio;  // lavfi graph
    std::vector<std::string> codec;
    int rate;  // the track's rate
    std::int64_t padding;  // frames the codec may add to the 2 s, at the track's rate
    double oracleTolerance;  // largest sample difference from ffmpeg's own decode; < 0: not compared
    bool mono = false;
};

void PrintTo(const CodecCase &c, std::ostream *os) { *os << c.name; }

class CodecTest : public ::testing::TestWithParam<CodecCase> {};

// Whatever the codec, the track is the clip's sound: as long as ffmpeg's decode of the
// same file, the tone where it should be, and the same samples where the format is
// exact.
TEST_P(CodecTest, DecodesTheWholeToneAtTheTrackRate) {
    const CodecCase &c = GetParam();
    const std::string clip = makeClip(std::string("codec_") + c.name + ".avi", 2.0, c.audio, c.codec);
    auto track = decode(clip, c.rate);
    const std::vector<float> ours = readAll(*track);
    ASSERT_TRUE(track->scanned());
    const std::int64_t frames = track->frames();
    const std::int64_t real = 2 * c.rate;

    EXPECT_GE(frames, real - 2);
    EXPECT_LE(frames, real + c.padding + 2);

    const std::vector<float> reference = oracle(clip, c.rate);
    EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(reference.size() / 2), 2.0);

    const std::vector<float> left = channel(ours, 0);
    const std::vector<float> right = channel(ours, 1);
    const std::int64_t middle = frames / 2 - c.rate / 4;
    EXPECT_GT(tonePower(left, c.rate, kTone, middle, c.rate / 2), 100 * tonePower(left, c.rate, kTone * 1.5, middle, c.rate / 2));
    EXPECT_GT(tonePower(right, c.rate, kTone, middle, c.rate / 2), 100 * tonePower(right, c.rate, kTone * 1.5, middle, c.rate / 2));

    if (c.mono) {
        EXPECT_EQ(left, right);
        EXPECT_NEAR(peak(left), kSineAmplitude, kSineAmplitude * 0.03);  // unchanged, not -3 dB
    }
    if (c.oracleTolerance >= 0) {
        float worst = 0;
        for (std::size_t i = 0; i < std::min(ours.size(), reference.size()); ++i)
            worst = std::max(worst, std::fabs(ours[i] - reference[i]));
        EXPECT_LE(worst, c.oracleTolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CodecTest,
    ::testing::Values(
        CodecCase{"pcm_s16", kSine, {"-ac", "2", "-c:a", "pcm_s16le"}, 44100, 0, 1e-6},
        CodecCase{"pcm_s16_to_48k", kSine, {"-ac", "2", "-c:a", "pcm_s16le"}, 48000, 0, 2e-3},
        CodecCase{"pcm_s24", kSine48, {"-ac", "2", "-c:a", "pcm_s24le"}, 48000, 0, 1e-6},
        CodecCase{"pcm_u8_mono", kSine, {"-ac", "1", "-c:a", "pcm_u8"}, 44100, 0, -1, true},
        CodecCase{"mp3_cbr", kSine, {"-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k"}, 44100, 2 * kMp3Frame, 1e-4},
        CodecCase{"mp3_vbr", kSine, {"-ac", "2", "-c:a", "libmp3lame", "-q:a", "2"}, 44100, 2 * kMp3Frame, 1e-4},
        CodecCase{"mp3_vbr_to_48k", kSine, {"-ac", "2", "-c:a", "libmp3lame", "-q:a", "2"}, 48000,
                  2 * kMp3Frame * 48000 / 44100, -1},
        CodecCase{"mp3_vbr_mono", kSine, {"-ac", "1", "-c:a", "libmp3lame", "-q:a", "2"}, 44100, 2 * kMp3Frame, -1, true},
        CodecCase{"mp2", kSine48, {"-ac", "2", "-c:a", "mp2"}, 48000, 2 * kMp3Frame, 1e-4},
        CodecCase{"aac", kSine48, {"-ac", "2", "-c:a", "aac"}, 48000, 3 * 1024, 1e-4},
        CodecCase{"ac3", kSine48, {"-ac", "2", "-c:a", "ac3"}, 48000, 2 * 1536, 1e-4},
        CodecCase{"adpcm_ima", kSine, {"-ac", "2", "-c:a", "adpcm_ima_wav"}, 44100, 2048, 1e-4},
        CodecCase{"adpcm_ms", kSine, {"-ac", "2", "-c:a", "adpcm_ms"}, 44100, 2048, 1e-4}),
    [](const ::testing::TestParamInfo<CodecCase> &info) { return std::string(info.param.name); });

struct OnsetCase {
    const char *name;
    std::vector<std::string> codec;
    int rate;
    double lateness;  // seconds the codec itself delays the sound (an MP3 encoder's padding)
};

void PrintTo(const OnsetCase &c, std::ostream *os) { *os << c.name; }

class OnsetTest : public ::testing::TestWithParam<OnsetCase> {};

// One second of silence, then the tone: it must start at 1.0 s on the track. VBR MP3
// in particular is placed by its decoded samples, however the chunks are stamped.
TEST_P(OnsetTest, ToneStartsAtOneSecond) {
    const OnsetCase &c = GetParam();
    const std::string clip = makeClip(std::string("onset_") + c.name + ".avi", 2.0,
                                      "aevalsrc=0.125*sin(2*PI*440*t)*gte(t\\,1):s=44100:c=stereo", c.codec);
    auto track = decode(clip, c.rate);
    const std::vector<float> left = channel(readAll(*track), 0);
    const double at = static_cast<double>(onset(left, kSineAmplitude / 2)) / c.rate;
    EXPECT_GE(at, 1.0 - 0.002);
    EXPECT_LE(at, 1.0 + c.lateness + 0.005);
    EXPECT_NEAR(at, 1.0, 0.030);

    const std::vector<float> reference = channel(oracle(clip, c.rate), 0);
    EXPECT_NEAR(at, static_cast<double>(onset(reference, kSineAmplitude / 2)) / c.rate, 0.001);
}

INSTANTIATE_TEST_SUITE_P(Codecs, OnsetTest,
                         ::testing::Values(OnsetCase{"pcm", {"-c:a", "pcm_s16le"}, 44100, 0.0},
                                           OnsetCase{"pcm_to_48k", {"-c:a", "pcm_s16le"}, 48000, 0.0},
                                           OnsetCase{"mp3_cbr", {"-c:a", "libmp3lame", "-b:a", "128k"}, 44100, 0.026},
                                           OnsetCase{"mp3_vbr", {"-c:a", "libmp3lame", "-q:a", "2"}, 44100, 0.026},
                                           OnsetCase{"mp3_vbr_to_48k", {"-c:a", "libmp3lame", "-q:a", "2"}, 48000, 0.026}),
                         [](const ::testing::TestParamInfo<OnsetCase> &info) { return std::string(info.param.name); });

// 5.1 with the tone in the centre only and another in the left surround only: the
// centre reaches both sides equally, the left surround the left side only, and the
// downmix does not clip.
class SurroundTest : public ::testing::TestWithParam<const char *> {};

TEST_P(SurroundTest, DownmixesToStereo) {
    const std::string codec = GetParam();
    const std::string graph =
        "sine=f=440:r=48000[c];sine=f=660:r=48000[s];anullsrc=r=48000:cl=mono,asplit=4[z1][z2][z3][z4];"
        "[z1][z2][c][z3][s][z4]join=inputs=6:channel_layout=5.1:map=0.0-FL|1.0-FR|2.0-FC|3.0-LFE|4.0-BL|5.0-BR[out0]";
    const std::string clip = makeClip("surround_" + codec + ".avi", 2.0, graph, {"-c:a", codec});
    ASSERT_EQ(openClip(clip)->audio()->params->ch_layout.nb_channels, 6);
    auto track = decode(clip, 48000);
    const std::vector<float> all = readAll(*track);
    const std::vector<float> left = channel(all, 0);
    const std::vector<float> right = channel(all, 1);
    const std::int64_t from = 24000, count = 48000;

    const double centreLeft = tonePower(left, 48000, 440, from, count);
    const double centreRight = tonePower(right, 48000, 440, from, count);
    EXPECT_GT(centreLeft, 1e-5);
    EXPECT_NEAR(centreLeft / centreRight, 1.0, 0.1);
    const double surroundLeft = tonePower(left, 48000, 660, from, count);
    const double surroundRight = tonePower(right, 48000, 660, from, count);
    EXPECT_GT(surroundLeft, 1e-5);
    EXPECT_GT(surroundLeft, 1000 * surroundRight);
    EXPECT_LE(peak(all), 1.0f);
}

INSTANTIATE_TEST_SUITE_P(Codecs, SurroundTest, ::testing::Values("aac", "ac3"));

// The stream header says the sound starts half a second into the clip: the track has
// that half second of silence first.
TEST(DecodedAudioTrack, SoundStampedLaterStartsWithSilence) {
    const std::string plain = makeClip("late_pcm_plain.avi", 1.0, kSine, {"-ac", "2", "-c:a", "pcm_s16le"});
    const std::string late = withAudioStart(plain, "late_pcm.avi", 22050);  // samples
    auto track = decode(late, 44100);
    const std::vector<float> left = channel(readAll(*track), 0);
    EXPECT_EQ(track->frames(), 22050 + 44100);
    const std::int64_t at = onset(left, kSineAmplitude / 2);
    EXPECT_GE(at, 22050);
    EXPECT_LE(at, 22050 + 44100 / 440 / 4);  // within the tone's first quarter period

    // VBR MP3 stamps its chunks in frames of 1152 samples.
    const std::string plainMp3 = makeClip("late_mp3_plain.avi", 1.0, kSine, {"-c:a", "libmp3lame", "-q:a", "2"});
    const std::string lateMp3 = withAudioStart(plainMp3, "late_mp3.avi", 19);
    auto mp3 = decode(lateMp3, 44100);
    const std::vector<float> mp3Left = channel(readAll(*mp3), 0);
    const double mp3At = static_cast<double>(onset(mp3Left, kSineAmplitude / 2)) / 44100;
    EXPECT_GE(mp3At, 19 * 1152 / 44100.0);
    EXPECT_LE(mp3At, 19 * 1152 / 44100.0 + 0.03);
}

// MP3 written into chunks cut anywhere (as many AVI writers did), with a byte rate in
// the header: every frame is still decoded, once, in order.
TEST(DecodedAudioTrack, Mp3InChunksCutAnywhere) {
    // The MP3 file is stored as if it were 8-bit PCM, then the format tag is made MP3's.
    const std::string mp3 = test_clips::make("cut_anywhere.mp3", {"-f", "lavfi", "-i", "sine=f=440:r=44100", "-t",
                                                                  "3", "-c:a", "libmp3lame", "-b:a", "128k"});
    const std::string asPcm = test_clips::make(
        "cut_anywhere_pcm.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=3", "-f", "u8", "-ar", "16000", "-ac", "1",
                                 "-i", mp3, "-map", "0:v", "-map", "1:a", "-c:v", "mpeg4", "-c:a", "copy"});
    const std::string clip = withMp3Tag(asPcm, "cut_anywhere.avi");
    auto track = decode(clip, 44100);
    const std::vector<float> ours = readAll(*track);
    const std::vector<float> reference = oracle(clip, 44100);
    ASSERT_GT(reference.size(), 3u * 44100 * 2);
    EXPECT_EQ(ours.size(), reference.size());
    const std::vector<float> left = channel(ours, 0);
    EXPECT_GT(tonePower(left, 44100, kTone, 44100, 88200), 100 * tonePower(left, 44100, 660, 44100, 88200));
}

// Backward reads give exactly the forward samples in reverse order, across blocks and
// at both ends of the track.
TEST(DecodedAudioTrack, BackwardReadIsForwardReversed) {
    const std::string clip = makeClip("backward_noise.avi", 3.0, "anoisesrc=r=48000:a=0.5:seed=7",
                                      {"-ac", "2", "-c:a", "pcm_s16le"});
    auto track = decode(clip, 48000);
    const std::vector<float> all = readAll(*track);
    const std::int64_t frames = track->frames();
    ASSERT_EQ(frames, 3 * 48000);

    for (const std::int64_t last : {std::int64_t{5000}, mci::SampleBlockStore::kBlockFrames + 100, frames - 1}) {
        const std::int64_t count = 40000;
        std::vector<float> back(count * 2);
        track->read(last, true, back);
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t f = last - i;
            const float l = f >= 0 ? all[2 * f] : 0.0f;
            const float r = f >= 0 ? all[2 * f + 1] : 0.0f;
            ASSERT_EQ(back[2 * i], l) << "frame " << f;
            ASSERT_EQ(back[2 * i + 1], r) << "frame " << f;
        }
    }
    // Past the end, backwards, silence comes first.
    std::vector<float> back(2000);
    track->read(frames + 499, true, back);
    for (int i = 0; i < 500 * 2; ++i) ASSERT_EQ(back[i], 0.0f);
    EXPECT_EQ(back[1000], all[2 * (frames - 1)]);
}

TEST(DecodedAudioTrack, ReadsOutsideTheTrackAreSilent) {
    const std::string clip = makeClip("outside_noise.avi", 1.0, "anoisesrc=r=48000:a=0.5:seed=3",
                                      {"-ac", "2", "-c:a", "pcm_s16le"});
    auto track = decode(clip, 48000);
    const std::vector<float> all = readAll(*track);
    std::vector<float> out(200, 1.0f);
    track->read(-50, false, out);  // 50 frames before the start, then the first 50
    for (int i = 0; i < 100; ++i) ASSERT_EQ(out[i], 0.0f);
    for (int i = 100; i < 200; ++i) ASSERT_EQ(out[i], all[i - 100]);
    std::fill(out.begin(), out.end(), 1.0f);
    track->read(track->frames() - 10, false, out);
    for (int i = 20; i < 200; ++i) ASSERT_EQ(out[i], 0.0f);
}

// A clip without sound, or whose sound decodes to nothing, gives a silent track and no
// error.
TEST(DecodedAudioTrack, NoSoundIsASilentTrack) {
    const std::string silentClip = test_clips::make(
        "no_audio.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=1", "-c:v", "mpeg4"});
    auto none = mci::decodeAudioTrack(openClip(silentClip), 48000);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->frames(), 0);
    std::vector<float> out(64, 1.0f);
    none->read(0, false, out);
    EXPECT_EQ(peak(out), 0.0f);

    const std::string mp3 = makeClip("zeroed_plain.avi", 1.0, kSine, {"-c:a", "libmp3lame", "-q:a", "2"});
    const std::string zeroed = withAudioZeroed(mp3, "zeroed.avi");
    auto broken = decode(zeroed, 44100);
    const std::vector<float> all = readAll(*broken);
    EXPECT_TRUE(broken->scanned());
    EXPECT_EQ(peak(all), 0.0f);
}

}  // namespace
