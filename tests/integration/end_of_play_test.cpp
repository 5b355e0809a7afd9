// What "Loop", "Loop" with "Reverse", "LoopRev" and a click on "Reverse" make the real
// control play: where each play starts, which way it runs and what it shows.

#include "platform/mci/widget/mm_control_widget.h"
#include "tests/integration/numbered_clips.h"
#include "tests/integration/player_harness.h"

#include <QCheckBox>

#include <gtest/gtest.h>

namespace {

using numbered_clips::kLongFrames;
using numbered_clips::kShortFrames;

// Where a play in `direction` over the whole clip ends, and the frame it ends on.
int endPosition(int direction, int length) { return direction > 0 ? length : 0; }
int endFrame(int direction, int length) { return direction > 0 ? length - 1 : 0; }

struct CycleCase {
    const char *name;
    std::vector<const char *> boxes;  // clicked before the clip is opened
    const char *clearedToEnd;  // clicked after the last restart to end the cycle
    std::vector<int> directions;  // of the plays, in order
};

void PrintTo(const CycleCase &c, std::ostream *out)
{
    *out << c.name;
}

class RepeatTest : public ::testing::TestWithParam<CycleCase> {};

TEST_P(RepeatTest, EachEndStartsTheNextPlayFromItsEnd)
{
    const CycleCase &c = GetParam();
    const int plays = static_cast<int>(c.directions.size());
    PlayerHarness p;
    for (const char *name : c.boxes)
        ASSERT_NO_FATAL_FAILURE(p.click(name));
    ASSERT_NO_FATAL_FAILURE(p.open(numbered_clips::shortClip(), kShortFrames));
    p.onCompletion = [&](const PlayerHarness::Ending &) {
        if (static_cast<int>(p.completions().size()) == plays - 1)
            p.click(c.clearedToEnd);
    };
    const int firstSegment = p.segment();
    ASSERT_NO_FATAL_FAILURE(p.pressPlay());
    ASSERT_TRUE(p.waitForCompletions(plays)) << p.completions().size() << " plays ended";

    const auto ended = p.completions();
    ASSERT_EQ(ended.size(), static_cast<std::size_t>(plays));
    EXPECT_EQ(p.endings().size(), ended.size()) << "a play was cut short or replaced";
    int pictures = 0;
    for (int i = 0; i < plays; ++i) {
        SCOPED_TRACE("play " + std::to_string(i + 1));
        const int direction = c.directions[i];
        EXPECT_EQ(ended[i].positionBefore, endPosition(direction, kShortFrames));
        EXPECT_EQ(ended[i].shownBefore, endFrame(direction, kShortFrames));
        if (i + 1 < plays) {
            // The next play runs at once from its own end of the clip. The device may
            // already have moved on by the time it is asked, but not across half the clip.
            const int next = c.directions[i + 1];
            EXPECT_EQ(ended[i].mode, mci_mode::kPlaying);
            if (next > 0) {
                EXPECT_LT(ended[i].position, kShortFrames / 2) << "not restarted from frame 0";
            } else {
                EXPECT_GT(ended[i].position, kShortFrames / 2) << "not restarted from the end";
            }
        } else {
            EXPECT_EQ(ended[i].mode, mci_mode::kStopped) << "the cleared box still restarted";
            EXPECT_EQ(ended[i].position, endPosition(direction, kShortFrames));
        }
        pictures += p.expectPlayed(firstSegment + i, direction);
    }
    EXPECT_GT(pictures, 0);
    EXPECT_TRUE(p.boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cycles, RepeatTest,
    ::testing::Values(
        // Three restarts, each from frame 0.
        CycleCase{"Loop", {"ChkLoop"}, "ChkLoop", {+1, +1, +1, +1}},
        // Play goes backwards as "Reverse" says, and each restart backwards from the end.
        CycleCase{"LoopWithReverse", {"ChkLoop", "Chkrev"}, "ChkLoop", {-1, -1, -1, -1}},
        // Four changes of direction, one at each end.
        CycleCase{"LoopRev", {"ChkLoopRev"}, "ChkLoopRev", {+1, -1, +1, -1, +1}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ReverseClick, MidPlayRestartsTheWholeClipBackwardsFromTheEnd)
{
    PlayerHarness p;
    ASSERT_NO_FATAL_FAILURE(p.open(numbered_clips::longClipWithTone(), kLongFrames));
    const int forward = p.segment();
    ASSERT_NO_FATAL_FAILURE(p.pressPlay());
    ASSERT_TRUE(p.waitUntil([&] { return p.mm().position() >= 10; }));
    ASSERT_EQ(p.mm().mode(), mci_mode::kPlaying) << "the play must still run when Reverse is clicked";
    const int reached = p.mm().position();
    ASSERT_LT(reached, kLongFrames / 2 - 5);

    p.restart([&] { p.click("Chkrev"); });
    // From the end: it may already have come down a frame or two, not back to where it was.
    EXPECT_GT(p.mm().position(), kLongFrames / 2) << "did not go to the end";
    EXPECT_EQ(p.mm().mode(), mci_mode::kPlaying);

    ASSERT_TRUE(p.waitForCompletions(1));
    const auto ended = p.completions();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].positionBefore, 0);
    EXPECT_EQ(ended[0].shownBefore, 0);
    EXPECT_EQ(ended[0].mode, mci_mode::kStopped);
    // The forward play was stopped (4), not ended; only the backward one ended.
    ASSERT_EQ(p.endings().size(), 2u);
    EXPECT_EQ(p.endings()[0].code, 4);

    p.expectPlayed(forward, +1);
    EXPECT_GT(p.expectPlayed(forward + 1, -1), 0) << "no picture of the backward play was seen";
    EXPECT_TRUE(p.boxes().empty());
}

}  // namespace
