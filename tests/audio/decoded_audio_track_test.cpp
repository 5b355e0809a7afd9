#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <numbers>

using namespace audio_test;

namespace {

// ffmpeg's own decode of the clip's sound as float stereo at `rate`.
std::vector<float> oracle(const std::string &path, int rate) {
    const std::string raw = test_clips::run({"ffmpeg", "-v", "error", "-nostdin", "-i", path, "-map", "0:a", "-ac",
                                             "2", "-ar", std::to_string(rate), "-f", "f32le", "-"});
    std::vector<float> samples(raw.size() / sizeof(float));
    std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
    return samples;
}

// Power of `freq` in one side (0 left, 1 right) over frames [from, from + count) (Goertzel).
double tonePower(const std::vector<float> &stereo, int side, int rate, double freq, std::int64_t from,
                 std::int64_t count) {
    const double coeff = 2 * std::cos(2 * std::numbers::pi * freq / rate);
    double s1 = 0, s2 = 0;
    for (std::int64_t i = from; i < from + count && 2 * i < std::ssize(stereo); ++i)
        s2 = std::exchange(s1, stereo[2 * i + side] + coeff * s1 - s2);
    return (s1 * s1 + s2 * s2 - coeff * s1 * s2) / count;
}

// Seconds to the first left sample at half the level of lavfi's sine (1/8).
double onsetSeconds(const std::vector<float> &stereo, int rate) {
    for (std::size_t i = 0; 2 * i < stereo.size(); ++i)
        if (std::fabs(stereo[2 * i]) >= 0.0625f) return static_cast<double>(i) / rate;
    return -1;
}

// A second of silence, then lavfi's sine.
std::string tone(int rate) { return "aevalsrc=0.125*sin(2*PI*440*t)*gte(t\\,1):s=" + std::to_string(rate); }

struct CodecCase {
    const char *name;
    std::string audio;  // lavfi graph
    std::vector<std::string> codec;
    int rate;  // the track's
    double tolerance;  // largest sample difference from ffmpeg's decode; < 0: not compared
    bool mono = false;
};

class CodecTest : public ::testing::TestWithParam<CodecCase> {};

// Whatever the codec, the track is ffmpeg's decode of the same file, as long, with the
// tone in both sides and starting when ffmpeg's does: VBR MP3 is placed by its samples,
// however its chunks are stamped. Mono is copied to both sides at full level.
TEST_P(CodecTest, DecodesTheSoundAsFfmpegDoes) {
    const CodecCase &c = GetParam();
    const std::string clip = makeClip(std::string("sound_") + c.name + ".avi", 2.0, c.audio, c.codec);
    auto track = decode(clip, c.rate);
    const std::vector<float> ours = readAll(*track), reference = oracle(clip, c.rate);
    ASSERT_TRUE(track->scanned());
    EXPECT_GE(track->frames(), 2 * c.rate - 2);
    EXPECT_NEAR(ours.size() / 2.0, reference.size() / 2.0, 2.0);
    EXPECT_NEAR(onsetSeconds(ours, c.rate), 1.0, 0.03);
    EXPECT_NEAR(onsetSeconds(ours, c.rate), onsetSeconds(reference, c.rate), 0.001);
    if (c.tolerance >= 0) {
        EXPECT_LE(worstDifference(ours, reference), c.tolerance);
    }
    for (const int side : {0, 1})
        EXPECT_GT(tonePower(ours, side, c.rate, 440, c.rate * 5 / 4, c.rate / 2),
                  100 * tonePower(ours, side, c.rate, 660, c.rate * 5 / 4, c.rate / 2));
    float peak = 0;
    for (std::size_t i = 0; c.mono && i < ours.size(); i += 2) {
        ASSERT_EQ(ours[i], ours[i + 1]) << "frame " << i / 2;
        peak = std::max(peak, std::fabs(ours[i]));
    }
    if (c.mono) {
        EXPECT_NEAR(peak, 0.125, 0.004);  // not -3 dB
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CodecTest,
    ::testing::Values(CodecCase{"pcm_s16", tone(44100), {"-ac", "2", "-c:a", "pcm_s16le"}, 44100, 1e-6},
                      CodecCase{"pcm_s16_to_48k", tone(44100), {"-ac", "2", "-c:a", "pcm_s16le"}, 48000, 2e-3},
                      CodecCase{"pcm_s24", tone(48000), {"-ac", "2", "-c:a", "pcm_s24le"}, 48000, 1e-6},
                      CodecCase{"pcm_u8_mono", tone(44100), {"-ac", "1", "-c:a", "pcm_u8"}, 44100, -1, true},
                      CodecCase{"mp3_cbr", tone(44100), {"-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k"}, 44100, 1e-4},
                      CodecCase{"mp3_vbr", tone(44100), {"-ac", "2", "-c:a", "libmp3lame", "-q:a", "2"}, 44100, 1e-4},
                      CodecCase{"mp3_vbr_to_48k", tone(44100), {"-ac", "2", "-c:a", "libmp3lame", "-q:a", "2"}, 48000, -1},
                      CodecCase{"mp2", tone(48000), {"-ac", "2", "-c:a", "mp2"}, 48000, 1e-4},
                      CodecCase{"aac", tone(48000), {"-ac", "2", "-c:a", "aac"}, 48000, 1e-4},
                      CodecCase{"ac3", tone(48000), {"-ac", "2", "-c:a", "ac3"}, 48000, 1e-4},
                      CodecCase{"adpcm_ima", tone(44100), {"-ac", "2", "-c:a", "adpcm_ima_wav"}, 44100, 1e-4},
                      CodecCase{"adpcm_ms", tone(44100), {"-ac", "2", "-c:a", "adpcm_ms"}, 44100, 1e-4}),
    [](const auto &info) { return std::string(info.param.name); });

// 5.1 with one tone in the centre and another in the left surround: the centre reaches
// both sides equally, the surround the left only.
TEST(DecodedAudioTrack, DownmixesSurroundToStereo) {
    for (const std::string codec : {"aac", "ac3"}) {
        SCOPED_TRACE(codec);
        const std::string clip = makeClip("downmix_" + codec + ".avi", 2.0,
                                          "aevalsrc=0|0|0.1*sin(2*PI*440*t)|0|0.1*sin(2*PI*660*t)|0:s=48000:c=5.1",
                                          {"-c:a", codec});
        ASSERT_EQ(openClip(clip)->audio()->params->ch_layout.nb_channels, 6);
        const std::vector<float> all = readAll(*decode(clip, 48000));
        const auto power = [&](int side, double freq) { return tonePower(all, side, 48000, freq, 24000, 48000); };
        EXPECT_GT(power(0, 440), 1e-5);
        EXPECT_NEAR(power(0, 440) / power(1, 440), 1.0, 0.1);
        EXPECT_GT(power(0, 660), 1000 * power(1, 660));
        EXPECT_GT(power(0, 660), 1e-5);
    }
}

// Backward reads give the forward samples in reverse, across blocks and at both ends;
// whatever lies outside the track is silence.
TEST(DecodedAudioTrack, ReadsEitherWayWithSilenceOutside) {
    const std::string clip =
        makeClip("backward_noise.avi", 3.0, "anoisesrc=r=48000:a=0.5:seed=7", {"-ac", "2", "-c:a", "pcm_s16le"});
    auto track = decode(clip, 48000);
    const std::vector<float> all = readAll(*track);
    const std::int64_t end = 3 * 48000, block = mci::SampleBlockStore::kBlockFrames;
    ASSERT_EQ(track->frames(), end);
    const std::tuple<std::int64_t, std::int64_t, bool> reads[] = {
        {5000, 40000, true}, {block + 100, 40000, true}, {end - 1, 40000, true},
        {end + 499, 1000, true}, {-50, 100, false}, {end - 10, 100, false}};
    for (const auto &[first, count, backward] : reads)
        EXPECT_EQ(read(*track, first, count, backward), expectedRead(all, first, count, backward)) << first;
}

// A copy of `clip` with its bytes changed by `patch`.
std::string patched(const std::string &clip, const std::string &name, const std::function<void(std::string &)> &patch) {
    std::ifstream in(clip, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    patch(bytes);
    const std::string path = test_clips::folder() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// The stream header says the sound starts later (PCM counts in samples, VBR MP3 in
// frames of 1152): the track has that much silence first.
TEST(DecodedAudioTrack, SoundStampedLaterStartsWithSilence) {
    const std::tuple<const char *, std::vector<std::string>, std::uint32_t, double, double> cases[] = {
        {"pcm", {"-ac", "2", "-c:a", "pcm_s16le"}, 22050, 0.5, 1 / 1760.0},
        {"mp3", {"-c:a", "libmp3lame", "-q:a", "2"}, 19, 19 * 1152 / 44100.0, 0.03}};
    for (const auto &[name, codec, start, seconds, slack] : cases) {
        const std::string plain = makeClip(std::string("late_") + name + "_plain.avi", 1.0, "sine=f=440:r=44100", codec);
        const std::string late = patched(plain, std::string("late_") + name + ".avi", [&](std::string &b) {
            std::memcpy(&b[b.find("auds") + 28], &start, 4);  // dwStart of the sound's stream header
        });
        const double at = onsetSeconds(readAll(*decode(late, 44100)), 44100);
        EXPECT_GE(at, seconds) << name;
        EXPECT_LE(at, seconds + slack) << name;
    }
}

// MP3 written in chunks cut anywhere, as many AVI writers did, with a byte rate in the
// header: every frame is still decoded, once, in order.
TEST(DecodedAudioTrack, Mp3InChunksCutAnywhere) {
    // The MP3 file is muxed as if it were 8-bit PCM, then the format tag made MP3's.
    const std::string mp3 = test_clips::make("cut_anywhere.mp3", {"-f", "lavfi", "-i", "sine=f=440:r=44100", "-t",
                                                                  "3", "-c:a", "libmp3lame", "-b:a", "128k"});
    const std::string asPcm = test_clips::make(
        "cut_anywhere_pcm.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=3", "-f", "u8", "-ar", "16000", "-ac", "1",
                                 "-i", mp3, "-map", "0:v", "-map", "1:a", "-c:v", "mpeg4", "-c:a", "copy"});
    const std::string clip = patched(asPcm, "cut_anywhere.avi", [](std::string &b) {
        b.replace(b.find("strf", b.find("auds")) + 8, 2, "\x55\0", 2);  // wFormatTag
    });
    const std::vector<float> ours = readAll(*decode(clip, 44100)), reference = oracle(clip, 44100);
    ASSERT_GT(reference.size(), 3u * 44100 * 2);
    EXPECT_EQ(ours.size(), reference.size());
    EXPECT_GT(tonePower(ours, 0, 44100, 440, 44100, 88200), 100 * tonePower(ours, 0, 44100, 660, 44100, 88200));
}

// A clip without sound gives a silent track, no error.
TEST(DecodedAudioTrack, NoSoundIsASilentTrack) {
    const std::string clip =
        test_clips::make("no_audio.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=1", "-c:v", "mpeg4"});
    auto none = mci::decodeAudioTrack(openClip(clip), 48000);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->frames(), 0);
    EXPECT_EQ(read(*none, 0, 16), std::vector<float>(32, 0.0f));
}

}  // namespace
