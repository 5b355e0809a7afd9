// "Sound" cleared in the middle of a play, heard through SDL's disk driver: the tone
// stops from that moment on, while the picture plays on to the end.

#include "tests/integration/player_harness.h"
#include "tests/support/disk_audio.h"

#include <cmath>

namespace {

constexpr int kRate = 48000;  // the device plays at this rate, float stereo
constexpr double kFps = 25.0;

std::size_t onsetOf(const std::vector<float> &heard)  // the play's first sample
{
    return std::find_if(heard.begin(), heard.end(), [](float v) { return std::abs(v) >= 0.05f; }) - heard.begin();
}

TEST(SoundSwitch, ClearingSoundMidPlaySilencesTheRestAndThePictureGoesOn)
{
    // The only test here: the sound devices opened write to a file at a real device's pace.
    const std::string file = disk_audio::capture("integration_sound_switch");
    int clickedAt = 0;
    {
        PlayerHarness p(mci::makeSdlAudioSink());
        ASSERT_TRUE(p.child<QCheckBox>("Check2").isChecked());
        ASSERT_NO_FATAL_FAILURE(p.open(longClipWithTone(), kLongFrames));
        ASSERT_NO_FATAL_FAILURE(p.pressPlay());
        ASSERT_TRUE(p.waitUntil([&] { return p.mm().position() >= 30; }));
        ASSERT_EQ(p.mm().mode(), mci_mode::kPlaying);
        ASSERT_NO_FATAL_FAILURE(p.click("Check2"));
        clickedAt = p.mm().position();
        ASSERT_LT(clickedAt, kLongFrames - 20) << "too late in the play to hear the silence";
        EXPECT_EQ(p.mm().mode(), mci_mode::kPlaying) << "clearing Sound stopped the play";
        ASSERT_TRUE(p.waitForCompletions(1));
        EXPECT_EQ(p.endings.size(), 1u);
        EXPECT_EQ(p.completions()[0].positionBefore, kLongFrames) << "the picture did not play on to the end";
        // The device writes silence on while the clip stays open: keep it open until
        // the file reaches past the end of the play.
        ASSERT_TRUE(p.waitUntil([&] {
            const std::vector<float> heard = disk_audio::played(file);
            return onsetOf(heard) + std::size_t((kLongFrames / kFps + 0.1) * kRate) <= heard.size();
        })) << "no sound was played, or not to the end";
    }  // the window unloads: the clip, the sound device and its file close

    const std::vector<float> heard = disk_audio::played(file);
    std::filesystem::remove(file);
    const std::size_t onset = onsetOf(heard);
    const auto at = [&](double seconds) { return onset + static_cast<std::size_t>(seconds * kRate); };
    ASSERT_GE(heard.size(), at(kLongFrames / kFps));
    // Loud in every 10 ms up to the click...
    for (std::size_t from = onset, window = kRate / 100; from + window <= at(clickedAt / kFps - 0.05); from += window) {
        double sum = 0;
        for (std::size_t i = from; i < from + window; ++i)
            sum += double(heard[i]) * heard[i];
        ASSERT_GT(std::sqrt(sum / window), 0.4) << "gap in the tone at " << double(from - onset) / kRate << " s";
    }
    // ... and silent from shortly after it (the frame on screen, the device's buffer) to the end.
    for (std::size_t i = at((clickedAt + 1) / kFps + 0.2); i < at(kLongFrames / kFps); ++i)
        ASSERT_LE(std::abs(heard[i]), 1e-4f) << "sound at " << double(i - onset) / kRate << " s, after the click at "
                                             << clickedAt / kFps << " s";
}

}  // namespace
