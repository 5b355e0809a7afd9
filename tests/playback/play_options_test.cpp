#include "platform/forms/runtime_error.h"
#include "tests/playback/recording_form.h"

#include <gtest/gtest.h>

namespace {

// A control that is stopped by "stop" and plays on "play", so a handler that read the
// mode after its own "stop" would be caught.
void scriptStopAndPlay(RecordingForm &f)
{
    f.MMControl1.lengthValue = 800;
    f.MMControl1.onCommand = [&f](const QString &word) {
        if (word == "stop")
            f.MMControl1.modeValue = mci_mode::kStopped;
        if (word == "play")
            f.MMControl1.modeValue = mci_mode::kPlaying;
    };
}

struct SoundCase {
    const char *name;
    std::int16_t sound;
    Log expected;
};

class SoundClick : public testing::TestWithParam<SoundCase> {};

TEST_P(SoundClick, onlySilentChanges)
{
    RecordingForm f;
    scriptStopAndPlay(f);
    f.MMControl1.modeValue = mci_mode::kPlaying;
    f.Check2.valueField = GetParam().sound;

    f.handlers.Check2_Click();

    EXPECT_EQ(f.log.entries, GetParam().expected);
}

const SoundCase kSoundCases[] = {
    {"checked", 1, {"Check2.Value -> 1", "MMControl1.Silent = False"}},
    {"cleared", 0, {"Check2.Value -> 0", "MMControl1.Silent = True"}},
};

INSTANTIATE_TEST_SUITE_P(PlayOptions, SoundClick, testing::ValuesIn(kSoundCases),
                         [](const testing::TestParamInfo<SoundCase> &info) { return std::string(info.param.name); });

struct ReverseCase {
    const char *name;
    std::int16_t reverse;
    std::int32_t mode;
    Log expected;
};

class ReverseClick : public testing::TestWithParam<ReverseCase> {};

TEST_P(ReverseClick, stopsSetsTheRangeAndPlaysAgainOnlyIfItWasPlaying)
{
    RecordingForm f;
    scriptStopAndPlay(f);
    f.MMControl1.modeValue = GetParam().mode;
    f.Chkrev.valueField = GetParam().reverse;

    f.handlers.chkrev_Click();

    EXPECT_EQ(f.log.entries, GetParam().expected);
}

const ReverseCase kReverseCases[] = {
    {"checkedWhilePlaying", 1, mci_mode::kPlaying,
     {"MMControl1.Mode -> 526", "MMControl1.Command = stop",
      "Chkrev.Value -> 1",
      "Chkrev.Value -> 1", "MMControl1.To = 0", "MMControl1.Length -> 800", "MMControl1.From = 800",
      "MMControl1.Command = play"}},
    {"clearedWhilePlaying", 0, mci_mode::kPlaying,
     {"MMControl1.Mode -> 526", "MMControl1.Command = stop",
      "Chkrev.Value -> 0", "MMControl1.From = 0", "MMControl1.Length -> 800", "MMControl1.To = 800",
      "Chkrev.Value -> 0",
      "MMControl1.Command = play"}},
    {"checkedWhilePaused", 1, mci_mode::kPaused,
     {"MMControl1.Mode -> 529", "MMControl1.Command = stop",
      "Chkrev.Value -> 1",
      "Chkrev.Value -> 1", "MMControl1.To = 0", "MMControl1.Length -> 800", "MMControl1.From = 800"}},
    {"clearedWhileStopped", 0, mci_mode::kStopped,
     {"MMControl1.Mode -> 525", "MMControl1.Command = stop",
      "Chkrev.Value -> 0", "MMControl1.From = 0", "MMControl1.Length -> 800", "MMControl1.To = 800",
      "Chkrev.Value -> 0"}},
};

INSTANTIATE_TEST_SUITE_P(PlayOptions, ReverseClick, testing::ValuesIn(kReverseCases),
                         [](const testing::TestParamInfo<ReverseCase> &info) { return std::string(info.param.name); });

TEST(PlayOptions, failedStopEndsTheReverseClickThere)
{
    RecordingForm f;
    f.MMControl1.modeValue = mci_mode::kPlaying;
    f.Chkrev.valueField = 1;
    f.MMControl1.onCommand = [](const QString &word) {
        if (word == "stop")
            throw RuntimeError(30263, "device not open");
    };

    EXPECT_THROW(f.handlers.chkrev_Click(), RuntimeError);
    EXPECT_EQ(f.log.entries, (Log{"MMControl1.Mode -> 526", "MMControl1.Command = stop"}));
}

// The doubles raise no click when the program writes a value, as Qt's check boxes do
// not: the clearing of "Reverse" below runs no "Reverse" handling.
TEST(PlayOptions, checkingLoopRevLocksAndClearsLoopAndReverse)
{
    RecordingForm f;
    scriptStopAndPlay(f);
    f.MMControl1.modeValue = mci_mode::kPlaying;
    f.ChkLoop.valueField = 1;
    f.Chkrev.valueField = 1;
    f.ChkLoopRev.valueField = 1;

    f.handlers.chklooprev_Click();

    EXPECT_EQ(f.log.entries, (Log{"ChkLoopRev.Value -> 1",
                                  "ChkLoop.Enabled = False", "Chkrev.Enabled = False",
                                  "ChkLoop.Value = 0", "Chkrev.Value = 0",
                                  "ChkLoopRev.Value -> 1"}));
    EXPECT_EQ(f.ChkLoop.valueField, 0);
    EXPECT_EQ(f.Chkrev.valueField, 0);
}

TEST(PlayOptions, clearingLoopRevFreesLoopAndReverseButLeavesThemUnchecked)
{
    RecordingForm f;
    f.ChkLoopRev.valueField = 1;
    f.ChkLoop.valueField = 1;
    f.handlers.chklooprev_Click();
    f.log.clear();
    f.ChkLoopRev.valueField = 0;  // the user's click clears it

    f.handlers.chklooprev_Click();

    EXPECT_EQ(f.log.entries, (Log{"ChkLoopRev.Value -> 0", "ChkLoopRev.Value -> 0",
                                  "ChkLoop.Enabled = True", "Chkrev.Enabled = True"}));
    EXPECT_TRUE(f.ChkLoop.enabledField);
    EXPECT_TRUE(f.Chkrev.enabledField);
    EXPECT_EQ(f.ChkLoop.valueField, 0);
    EXPECT_EQ(f.Chkrev.valueField, 0);
}

}  // namespace
