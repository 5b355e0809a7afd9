// What "Loop", "Reverse", "LoopRev", the slider and the open dialog make the real
// control play: where each play starts, which way it runs and where it ends. The
// pictures on the way are the frame tests' business.

#include "tests/integration/player_harness.h"

#include <QSignalSpy>

#include <cmath>

namespace {

// That a play in `direction` over `length` frames reached its end.
void expectReachedEnd(const PlayerHarness::Ending &e, int direction, int length)
{
    EXPECT_EQ(e.positionBefore, direction > 0 ? length : 0);
}

void clickTrackAt(SliderWidget &slider, double fraction)
{
    const QPoint at(static_cast<int>(std::lround(fraction * slider.width())), slider.height() / 2);
    ASSERT_FALSE(slider.thumbRect().contains(at)) << "meant for the track, not the thumb";
    QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, at);
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

struct MidPlayCase {
    const char *name;
    std::function<void(PlayerHarness &)> click;
    int direction;  // of the play it starts
    std::vector<int> doneCodes;  // of the whole session
};

void PrintTo(const MidPlayCase &c, std::ostream *out) { *out << c.name; }
class MidPlayClickTest : public ::testing::TestWithParam<MidPlayCase> {};

// Then, stopped, a click on the slider goes to the frame under it, and stays.
TEST_P(MidPlayClickTest, RestartsThePlayFromWhereItSaysThenASeekShowsTheExactFrame)
{
    const MidPlayCase &c = GetParam();
    PlayerHarness p;
    ASSERT_NO_FATAL_FAILURE(p.open(longClipWithTone(), kLongFrames));
    ASSERT_NO_FATAL_FAILURE(p.pressPlay());
    ASSERT_TRUE(p.waitUntil([&] { return p.slider().value() >= 10; })) << "the slider did not follow the play";
    ASSERT_EQ(p.mm().mode(), mci_mode::kPlaying);
    const int reached = p.mm().position();
    ASSERT_LT(reached, kLongFrames / 2 - 5);

    c.click(p);
    const int from = c.direction > 0 ? p.slider().value() : kLongFrames;
    EXPECT_GT(from, reached + 1);
    EXPECT_EQ(p.mm().mode(), mci_mode::kPlaying);
    EXPECT_GE(c.direction * (p.mm().position() - from), 0) << p.mm().position();
    EXPECT_LT(std::abs(p.mm().position() - from), 10) << p.mm().position();
    ASSERT_TRUE(p.waitForCompletions(1));
    std::vector<int> codes;
    for (const auto &e : p.endings)
        codes.push_back(e.code);
    EXPECT_EQ(codes, c.doneCodes);
    expectReachedEnd(p.completions()[0], c.direction, kLongFrames);
    EXPECT_EQ(p.completions()[0].mode, mci_mode::kStopped);

    clickTrackAt(p.slider(), 0.3);
    const int target = p.slider().value();
    EXPECT_TRUE(target > 0 && target < kLongFrames / 2) << target;
    ASSERT_TRUE(p.waitUntil([&] { return p.mm().mode() == mci_mode::kStopped; }));
    QSignalSpy updates(&p.mm(), &MMControlWidget::statusUpdate);
    ASSERT_TRUE(p.waitUntil([&] { return updates.count() >= 3; }));
    EXPECT_EQ(std::make_pair(p.slider().value(), p.mm().position()), std::make_pair(target, target));
    EXPECT_TRUE(p.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, MidPlayClickTest,
    ::testing::Values(
        // The whole clip again, backwards from the end; the forward play was aborted.
        MidPlayCase{"Reverse", [](PlayerHarness &p) { p.click("Chkrev"); }, -1, {4, 1}},
        // On from the frame clicked, without ending the play.
        MidPlayCase{"Slider", [](PlayerHarness &p) { clickTrackAt(p.slider(), 0.75); }, +1, {1}}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
