// What the device plays, captured with SDL's disk driver: a rising ramp comes out
// rising when played forwards, falling when played backwards. (Muting is the sound
// switch's test.)

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "tests/support/disk_audio.h"

#include <gtest/gtest.h>

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

}  // namespace
