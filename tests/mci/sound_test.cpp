// What the device plays, captured with SDL's disk driver: a rising ramp comes out
// rising when played forwards, falling when played backwards, and as silence of the
// same length when muted.

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "tests/support/test_clips.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

// Two seconds of video with a sound track that rises linearly from 0 to 0.9.
std::string rampClip() {
    return test_clips::make("ramp_sound.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=2", "-f", "lavfi", "-i",
                                               "aevalsrc=0.45*t:s=48000:d=2", "-c:v", "mjpeg", "-c:a", "pcm_s16le"});
}

struct Capture {
    std::vector<float> left;  // the left channel, as played
};

// Plays [from, to] with the sound going to a file, then reads the file back.
Capture playAndCapture(const std::string &name, int from, int to, bool silent) {
    const std::string file = test_clips::folder() + "/" + name + ".f32";
    std::filesystem::remove(file);
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    {
        mci::NullVideoSink sink;
        mci::NullDeviceListener listener;
        mci::MciDevice device(mci::DeviceOptions{}, sink, mci::makeSdlAudioSink(), listener);
        device.setDeviceType("avivideo");
        device.setFileName(rampClip());
        EXPECT_FALSE(device.command("open").has_value());
        device.setSilent(silent);
        device.setFrom(from);
        device.setTo(to);
        EXPECT_FALSE(device.command("play").has_value());
        device.waitUntilStopped();
        EXPECT_FALSE(device.command("close").has_value());
    }
    Capture c;
    std::ifstream again(file, std::ios::binary);
    float frame[2];
    while (again.read(reinterpret_cast<char *>(frame), sizeof frame)) c.left.push_back(frame[0]);
    return c;
}

// The part of the capture that is not silence.
std::vector<float> heard(const Capture &c) {
    std::vector<float> out;
    for (float v : c.left)
        if (std::abs(v) > 0.02f) out.push_back(v);
    return out;
}

int wrongSteps(const std::vector<float> &v, int direction) {
    int wrong = 0;
    for (std::size_t i = 1; i < v.size(); ++i) wrong += direction * (v[i] - v[i - 1]) < -1e-3f;
    return wrong;
}

TEST(DeviceSound, ForwardPlaysTheTrackInOrder) {
    const std::vector<float> v = heard(playAndCapture("forward", 0, 50, false));
    ASSERT_GT(v.size(), 48000u * 3 / 2) << "most of the two seconds must be heard";
    EXPECT_EQ(wrongSteps(v, +1), 0);
    EXPECT_LT(v.front(), 0.1f);
    EXPECT_GT(v.back(), 0.8f);
}

TEST(DeviceSound, BackwardPlaysTheSamplesReversed) {
    const std::vector<float> v = heard(playAndCapture("backward", 50, 0, false));
    ASSERT_GT(v.size(), 48000u * 3 / 2);
    EXPECT_EQ(wrongSteps(v, -1), 0);
    EXPECT_GT(v.front(), 0.8f);
    EXPECT_LT(v.back(), 0.1f);
}

TEST(DeviceSound, SilentPlaysSilenceForAsLong) {
    const Capture c = playAndCapture("silent", 0, 50, true);
    EXPECT_TRUE(heard(c).empty());
    // The clock ran on: the device was fed for the whole two seconds.
    EXPECT_GT(c.left.size(), 48000u * 3 / 2);
}

}  // namespace
