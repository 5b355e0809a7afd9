// What "Loop", "Reverse" and "LoopRev" make the real control play: where each play
// starts, which way it runs and where it ends. The pictures on the way are the frame
// tests' business; a click during a play, the handlers' tests'.

#include "tests/integration/player_harness.h"

namespace {

// That a play in `direction` over `length` frames reached its end.
void expectReachedEnd(const PlayerHarness::Ending &e, int direction, int length)
{
    EXPECT_EQ(e.positionBefore, direction > 0 ? length : 0);
}

struct CycleCase {
    const char *name;
    std::vector<const char *> boxes;  // clicked before the open; the last is cleared to end
    std::vector<int> directions;  // of the plays, in order
};

void PrintTo(const CycleCase &c, std::ostream *out) { *out << c.name; }
class RepeatTest : public ::testing::TestWithParam<CycleCase> {};

TEST_P(RepeatTest, EachEndStartsTheNextPlayFromItsEnd)
{
    const CycleCase &c = GetParam();
    PlayerHarness p;
    for (const char *name : c.boxes)
        ASSERT_NO_FATAL_FAILURE(p.click(name));
    ASSERT_NO_FATAL_FAILURE(p.open(shortClip(), kShortFrames));
    p.onCompletion = [&] {
        if (p.completions().size() == c.directions.size() - 1)
            p.click(c.boxes.back());
    };
    ASSERT_NO_FATAL_FAILURE(p.pressPlay());
    ASSERT_TRUE(p.waitForCompletions(c.directions.size())) << p.completions().size() << " plays ended";
    const auto ended = p.completions();
    ASSERT_EQ(ended.size(), c.directions.size());
    EXPECT_EQ(p.endings.size(), ended.size()) << "a play was cut short or replaced";
    for (std::size_t i = 0; i < ended.size(); ++i) {
        SCOPED_TRACE("play " + std::to_string(i + 1));
        expectReachedEnd(ended[i], c.directions[i], kShortFrames);
        if (i + 1 < ended.size()) {
            // The next play runs at once from its own end; the device may have moved
            // on by the time it is asked, but not across half the clip.
            EXPECT_EQ(ended[i].mode, mci_mode::kPlaying);
            EXPECT_EQ(ended[i].position < kShortFrames / 2, c.directions[i + 1] > 0) << ended[i].position;
        } else {
            EXPECT_EQ(std::make_pair(ended[i].mode, ended[i].position),
                      std::make_pair(int(mci_mode::kStopped), ended[i].positionBefore))
                << "the cleared box still restarted";
        }
    }
    EXPECT_TRUE(p.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Cycles, RepeatTest,
                         ::testing::Values(CycleCase{"Loop", {"ChkLoop"}, {+1, +1, +1, +1}},
                                           CycleCase{"LoopWithReverse", {"Chkrev", "ChkLoop"}, {-1, -1, -1, -1}},
                                           CycleCase{"LoopRev", {"ChkLoopRev"}, {+1, -1, +1, -1, +1}}),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
