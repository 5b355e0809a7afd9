// "Sound" cleared in the middle of a play, heard through SDL's disk driver: the tone
// stops from that moment on, while the picture plays on to the end.

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "tests/integration/numbered_clips.h"
#include "tests/integration/player_harness.h"
#include "tests/support/test_clips.h"

#include <QCheckBox>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using numbered_clips::kLongFrames;

constexpr int kRate = 48000;  // the device plays at this rate, float stereo
constexpr double kFps = 25.0;

// Sends the sound of the sound devices opened meanwhile to a file, at the pace of a
// real device.
class DiskSound {
public:
    explicit DiskSound(const std::string &name)
        : m_path(std::filesystem::path(test_clips::folder()) / (name + "-" + std::to_string(::getpid()) + ".f32"))
    {
        std::filesystem::remove(m_path);
        if (const char *driver = std::getenv("SDL_AUDIODRIVER"))
            m_oldDriver = driver;
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", m_path.c_str(), 1);
        ::unsetenv("SDL_DISKAUDIODELAY");
    }
    ~DiskSound()
    {
        if (m_oldDriver)
            ::setenv("SDL_AUDIODRIVER", m_oldDriver->c_str(), 1);
        else
            ::unsetenv("SDL_AUDIODRIVER");
        ::unsetenv("SDL_DISKAUDIOFILE");
        std::filesystem::remove(m_path);
    }

    // Sample frames written so far, stereo float.
    std::size_t frames() const
    {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(m_path, error);
        return error ? 0 : static_cast<std::size_t>(bytes / (2 * sizeof(float)));
    }

    std::vector<float> left() const
    {
        std::vector<float> samples;
        std::ifstream in(m_path, std::ios::binary);
        float frame[2];
        while (in.read(reinterpret_cast<char *>(frame), sizeof frame))
            samples.push_back(frame[0]);
        return samples;
    }

private:
    std::filesystem::path m_path;
    std::optional<std::string> m_oldDriver;
};

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Where the tone starts: the play's first sample.
std::size_t onsetOf(const std::vector<float> &heard)
{
    for (std::size_t i = 0; i < heard.size(); ++i)
        if (std::abs(heard[i]) >= 0.05f)
            return i;
    return kNone;
}

double rms(const std::vector<float> &v, std::size_t from, std::size_t count)
{
    double sum = 0;
    for (std::size_t i = from; i < from + count; ++i)
        sum += double(v[i]) * v[i];
    return std::sqrt(sum / double(count));
}

TEST(SoundSwitch, ClearingSoundMidPlaySilencesTheRestAndThePictureGoesOn)
{
    DiskSound sound("integration_sound_switch");
    int clickedAt = 0;
    {
        PlayerHarness p(mci::makeSdlAudioSink());
        ASSERT_TRUE(p.box("Check2").isChecked());
        ASSERT_NO_FATAL_FAILURE(p.open(numbered_clips::longClipWithTone(), kLongFrames));
        const int segment = p.segment();
        ASSERT_NO_FATAL_FAILURE(p.pressPlay());
        ASSERT_TRUE(p.waitUntil([&] { return p.mm().position() >= 30; }));
        ASSERT_EQ(p.mm().mode(), mci_mode::kPlaying);
        ASSERT_NO_FATAL_FAILURE(p.click("Check2"));
        clickedAt = p.mm().position();
        ASSERT_LT(clickedAt, kLongFrames - 20) << "too late in the play to hear the silence";
        EXPECT_EQ(p.mm().mode(), mci_mode::kPlaying) << "clearing Sound stopped the play";

        ASSERT_TRUE(p.waitForCompletions(1));
        const auto ended = p.completions();
        EXPECT_EQ(ended[0].positionBefore, kLongFrames);
        EXPECT_EQ(ended[0].shownBefore, kLongFrames - 1);
        EXPECT_EQ(p.endings().size(), 1u);
        EXPECT_GT(p.expectPlayed(segment, +1), 0);
        int laterPictures = 0;
        for (const PlayerHarness::Sample &s : p.samples())
            laterPictures += s.segment == segment && s.fresh && s.shown > clickedAt + 1;
        EXPECT_GT(laterPictures, 0) << "no picture after the click was seen";
        EXPECT_TRUE(p.boxes().empty());

        // The device goes on writing (silence) while the clip stays open: keep it open
        // until the file reaches past the end of the play.
        const std::size_t onset = onsetOf(sound.left());
        ASSERT_NE(onset, kNone) << "no sound was played at all";
        const std::size_t needed = onset + static_cast<std::size_t>((kLongFrames / kFps + 0.1) * kRate);
        ASSERT_TRUE(p.waitUntil([&] { return sound.frames() >= needed; }));
    }  // the window unloads: the clip closes, and with it the sound device and its file

    const std::vector<float> heard = sound.left();
    const std::size_t onset = onsetOf(heard);
    const auto at = [&](double seconds) { return onset + static_cast<std::size_t>(seconds * kRate); };
    ASSERT_GE(heard.size(), at(kLongFrames / kFps));

    // Loud from the start of the play up to the click, in every 10 ms...
    const std::size_t window = kRate / 100;
    for (std::size_t from = onset; from + window <= at(clickedAt / kFps - 0.05); from += window)
        ASSERT_GT(rms(heard, from, window), 0.4) << "gap in the tone at " << double(from - onset) / kRate << " s";
    // ... and silent from shortly after it (the frame on screen, the device's buffer) to the end.
    const std::size_t quietFrom = at((clickedAt + 1) / kFps + 0.2);
    std::size_t loud = 0;
    std::size_t firstLoud = 0;
    for (std::size_t i = quietFrom; i < at(kLongFrames / kFps); ++i) {
        if (std::abs(heard[i]) > 1e-4f && loud++ == 0)
            firstLoud = i;
    }
    EXPECT_EQ(loud, 0u) << "sound at " << double(firstLoud - onset) / kRate << " s, after the click at "
                        << clickedAt / kFps << " s";
}

}  // namespace
