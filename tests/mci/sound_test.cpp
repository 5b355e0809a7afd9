// What the device plays, captured with SDL's disk driver: a rising ramp comes out
// rising when played forwards, falling when played backwards, and as silence of the
// same length when muted.

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "tests/support/disk_audio.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceSound, PlaysTheTrackEitherWayOrSilenceForAsLong) {
    const std::string clip = test_clips::make(
        "ramp_sound.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=2", "-f", "lavfi", "-i",
                           "aevalsrc=0.45*t:s=48000:d=2", "-c:v", "mjpeg", "-c:a", "pcm_s16le"});  // 0 to 0.9
    for (const auto &[from, to, silent] : {std::tuple(0, 50, false), {50, 0, false}, {0, 50, true}}) {
        SCOPED_TRACE(std::to_string(from) + (silent ? " silent" : ""));
        const std::string file = disk_audio::capture("device_sound");
        {
            mci::NullVideoSink sink;
            mci::NullDeviceListener listener;
            mci::MciDevice device(mci::DeviceOptions{}, sink, mci::makeSdlAudioSink(), listener);
            device.setDeviceType("avivideo");
            device.setFileName(clip);
            EXPECT_FALSE(device.command("open").has_value());
            device.setSilent(silent);
            device.setFrom(from);
            device.setTo(to);
            EXPECT_FALSE(device.command("play").has_value());
            device.waitUntilStopped();
            EXPECT_FALSE(device.command("close").has_value());
        }
        const std::vector<float> played = disk_audio::played(file);
        EXPECT_GT(played.size(), 48000u * 3 / 2) << "the device was fed for the whole two seconds";
        std::vector<float> heard;  // what is not silence
        std::copy_if(played.begin(), played.end(), std::back_inserter(heard), [](float v) { return std::abs(v) > 0.02f; });
        if (silent) {
            EXPECT_TRUE(heard.empty());
            continue;
        }
        ASSERT_GT(heard.size(), 48000u * 3 / 2) << "most of the two seconds must be heard";
        const int direction = to > from ? 1 : -1;
        int wrong = 0;
        for (std::size_t i = 1; i < heard.size(); ++i) wrong += direction * (heard[i] - heard[i - 1]) < -1e-3f;
        EXPECT_EQ(wrong, 0);
        EXPECT_LT(direction > 0 ? heard.front() : heard.back(), 0.1f);
        EXPECT_GT(direction > 0 ? heard.back() : heard.front(), 0.8f);
    }
}

}  // namespace
