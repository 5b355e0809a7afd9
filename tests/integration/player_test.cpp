// What "Loop", "Reverse", "LoopRev", the slider and the open dialog make the real
// control play: where each play starts, which way it runs and where it ends.

#include "platform/mci/mci_error.h"
#include "tests/integration/player_harness.h"

#include <QSignalSpy>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

using namespace numbered_clips;

// That a play in `direction` over `length` frames reached its end, showing the end frame.
void expectReachedEnd(const PlayerHarness::Ending &e, int direction, int length)
{
    EXPECT_EQ(std::make_pair(e.positionBefore, e.shownBefore),
              direction > 0 ? std::make_pair(length, length - 1) : std::make_pair(0, 0));
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
    EXPECT_EQ(p.endings().size(), ended.size()) << "a play was cut short or replaced";
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
    EXPECT_TRUE(p.boxes().empty());
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

// Then, stopped, a click on the slider shows exactly the frame under it, and stays.
TEST_P(MidPlayClickTest, RestartsThePlayFromWhereItSaysThenASeekShowsTheExactFrame)
{
    const MidPlayCase &c = GetParam();
    PlayerHarness p;
    ASSERT_NO_FATAL_FAILURE(p.open(longClipWithTone(), kLongFrames));
    ASSERT_NO_FATAL_FAILURE(p.pressPlay());
    ASSERT_TRUE(p.waitUntil([&] { return p.slider().value() >= 10; })) << "the slider did not follow the play";
    ASSERT_EQ(p.mm().mode(), mci_mode::kPlaying);
    const int reached = std::max(p.mm().position(), p.shownFrame());
    ASSERT_LT(reached, kLongFrames / 2 - 5);

    c.click(p);
    const int from = c.direction > 0 ? p.slider().value() : kLongFrames;
    EXPECT_GT(from, reached + 1);
    EXPECT_EQ(p.mm().mode(), mci_mode::kPlaying);
    EXPECT_GE(c.direction * (p.mm().position() - from), 0) << p.mm().position();
    EXPECT_LT(std::abs(p.mm().position() - from), 10) << p.mm().position();
    ASSERT_TRUE(p.waitForCompletions(1));
    std::vector<int> codes;
    for (const auto &e : p.endings())
        codes.push_back(e.code);
    EXPECT_EQ(codes, c.doneCodes);
    expectReachedEnd(p.completions()[0], c.direction, kLongFrames);
    EXPECT_EQ(p.completions()[0].mode, mci_mode::kStopped);

    clickTrackAt(p.slider(), 0.3);
    const int target = p.slider().value();
    EXPECT_TRUE(target > 0 && target < kLongFrames / 2) << target;
    ASSERT_TRUE(p.waitUntil([&] { return p.mm().mode() == mci_mode::kStopped; }));
    QCoreApplication::sendPostedEvents(p.mm().videoWindow(), QEvent::MetaCall);  // handed over before the seek ended
    EXPECT_EQ(p.shownFrame(), target);
    QSignalSpy updates(&p.mm(), &MMControlWidget::statusUpdate);
    ASSERT_TRUE(p.waitUntil([&] { return updates.count() >= 3; }));
    EXPECT_EQ(std::make_pair(p.slider().value(), p.mm().position()), std::make_pair(target, target));
    EXPECT_TRUE(p.boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, MidPlayClickTest,
    ::testing::Values(
        // The whole clip again, backwards from the end; the forward play was aborted.
        MidPlayCase{"Reverse", [](PlayerHarness &p) { p.click("Chkrev"); }, -1, {4, 1}},
        // On from the frame clicked, without ending the play.
        MidPlayCase{"Slider", [](PlayerHarness &p) { clickTrackAt(p.slider(), 0.75); }, +1, {1}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(OpenError, ABrokenFileIsReportedAndThePlayerGoesOn)
{
    PlayerHarness p;
    ASSERT_NO_FATAL_FAILURE(p.open(shortClip(), kShortFrames));
    const QString openedTitle = p.form().windowTitle();
    const auto notes = std::filesystem::path(test_clips::folder()) / "integration_notes_text.avi";
    std::ofstream(notes) << "These are notes about a holiday, not a video.\n";
    ASSERT_NO_FATAL_FAILURE(p.chooseInOpenDialog(QString::fromStdString(notes.string())));
    ASSERT_EQ(p.boxes().size(), 1u);
    EXPECT_EQ(std::make_pair(p.boxes()[0].title, p.boxes()[0].icon),
              std::make_pair(QString::fromUtf8(identity::kTitle), QMessageBox::Critical));
    EXPECT_TRUE(p.boxes()[0].text.contains("30296")) << p.boxes()[0].text.toStdString();
    EXPECT_TRUE(p.boxes()[0].text.contains(QString::fromStdString(mci::makeError(mci::kErrInvalidFile).text)));
    // The handler ended at "open": what it had done stays, the rest was never done.
    EXPECT_TRUE(p.form().isVisible());
    EXPECT_EQ(p.form().windowTitle(), openedTitle);
    EXPECT_EQ(p.child<QLabel>("Label3").text(), QString::number(kShortFrames));
    EXPECT_EQ(p.mm().mode(), mci_mode::kNotOpen) << "closed before the failed open";

    ASSERT_NO_FATAL_FAILURE(p.open(longClipWithTone(), kLongFrames));
    ASSERT_NO_FATAL_FAILURE(p.pressPlay());
    ASSERT_TRUE(p.waitForCompletions(1));
    expectReachedEnd(p.completions()[0], +1, kLongFrames);
    EXPECT_EQ(p.boxes().size(), 1u);
}

}  // namespace
