// What the device plays, captured with SDL's disk driver: a rising ramp comes out
// rising when played forwards, falling when played backwards, and a stream its header
// starts late is heard from that moment on. (Muting is the sound switch's test.)

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "tests/mci/avi_surgery.h"
#include "tests/support/disk_audio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

TEST(DeviceSound, PlaysTheTrackEitherWay) {
    const std::string clip = test_clips::make(
        "ramp_sound.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=2", "-f", "lavfi", "-i",
                           "aevalsrc=0.45*t:s=48000:d=2", "-c:v", "mjpeg", "-c:a", "pcm_s16le"});  // 0 to 0.9
    for (const auto &[from, to] : {std::pair(0, 50), {50, 0}}) {
        SCOPED_TRACE(from);
        const std::string file = disk_audio::capture("device_sound");
        {
            mci::NullVideoSink sink;
            mci::NullDeviceListener listener;
            mci::MciDevice device(mci::DeviceOptions{}, sink, mci::makeSdlAudioSink(), listener);
            device.setDeviceType("avivideo");
            device.setFileName(clip);
            EXPECT_FALSE(device.command("open").has_value());
            device.setFrom(from);
            device.setTo(to);
            EXPECT_FALSE(device.command("play").has_value());
            device.waitUntilStopped();
            EXPECT_FALSE(device.command("close").has_value());
        }
        const std::vector<float> played = disk_audio::played(file);
        std::vector<float> heard;  // what is not silence
        std::copy_if(played.begin(), played.end(), std::back_inserter(heard), [](float v) { return std::abs(v) > 0.02f; });
        ASSERT_GT(heard.size(), 48000u * 3 / 2) << "most of the two seconds must be heard";
        const int direction = to > from ? 1 : -1;
        int wrong = 0;
        for (std::size_t i = 1; i < heard.size(); ++i) wrong += direction * (heard[i] - heard[i - 1]) < -1e-3f;
        EXPECT_EQ(wrong, 0);
        EXPECT_LT(direction > 0 ? heard.front() : heard.back(), 0.1f);
        EXPECT_GT(direction > 0 ? heard.back() : heard.front(), 0.8f);
    }
}

// A sound stream whose header starts it half a second in: 24,000 samples, not a whole
// number of the track's blocks. Its samples are a ramp, so that the value of each one
// heard says which sample of the stream it is. The plays go in turn on one device; the
// first one's half second of silence gives the track time to decode.
TEST(DeviceSound, DelayedStreamIsHeardFromItsMoment) {
    constexpr std::int64_t kDelay = 24000, kPerSlot = 48000 / 25;
    const std::string plain = test_clips::make(
        "ramp_f32.avi", {"-f", "lavfi", "-i", "color=black:s=64x48:r=25:d=2", "-f", "lavfi", "-i",
                         "aevalsrc=0.3+0.2*t:s=48000:d=2", "-c:v", "mjpeg", "-c:a", "pcm_f32le"});
    const std::string clip = test_clips::folder() + "/ramp_f32_delayed.avi";
    avi_surgery::setField(plain, clip, "strh", 1, 28, kDelay);  // the sound's dwStart
    const struct {
        int from, to;
        std::int64_t firstHeard;  // sample of the stream
    } plays[] = {{0, 25, 0}, {15, 25, 15 * kPerSlot - kDelay}, {20, 0, 20 * kPerSlot - 1 - kDelay}};

    const std::string file = disk_audio::capture("delayed_sound");
    {
        mci::NullVideoSink sink;
        mci::NullDeviceListener listener;
        mci::MciDevice device(mci::DeviceOptions{}, sink, mci::makeSdlAudioSink(), listener);
        device.setDeviceType("avivideo");
        device.setFileName(clip);
        EXPECT_FALSE(device.command("open").has_value());
        for (const auto &play : plays) {
            device.setFrom(play.from);
            device.setTo(play.to);
            EXPECT_FALSE(device.command("play").has_value());
            device.waitUntilStopped();
        }
        EXPECT_FALSE(device.command("close").has_value());
    }
    // What was heard, cut into runs of consecutive samples of the stream.
    std::vector<std::vector<std::int64_t>> runs;
    for (const float v : disk_audio::played(file)) {
        if (v < 0.1f) continue;  // silence
        const std::int64_t sample = std::lround((v - 0.3) * 48000 / 0.2);
        if (runs.empty() || std::abs(sample - runs.back().back()) != 1 ||
            (runs.back().size() > 1 && sample - runs.back().back() != runs.back()[1] - runs.back()[0]))
            runs.emplace_back();
        runs.back().push_back(sample);
    }
    ASSERT_EQ(runs.size(), std::size(plays));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(plays[i].from);
        EXPECT_EQ(runs[i].front(), plays[i].firstHeard);
        EXPECT_GT(runs[i].size(), 9000u);
    }
    EXPECT_EQ(runs.back().back(), 0) << "backwards, the last sound heard is the stream's first sample";
}

}  // namespace
