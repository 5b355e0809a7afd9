// The slider over the real control: it follows a play, and a click on its track seeks
// the control to the exact frame under the thumb.

#include "platform/controls/slider_widget.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "platform/mci/widget/video_window.h"
#include "tests/integration/numbered_clips.h"
#include "tests/integration/player_harness.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using numbered_clips::kLongFrames;

void clickTrackAt(SliderWidget &slider, double fraction)
{
    const QPoint at(static_cast<int>(std::lround(fraction * slider.width())), slider.height() / 2);
    ASSERT_FALSE(slider.thumbRect().contains(at)) << "meant for the track, not the thumb";
    QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, at);
}

TEST(Seeking, SliderFollowsThePlayAndAClickSeeksToTheFrameUnderIt)
{
    PlayerHarness p;
    ASSERT_NO_FATAL_FAILURE(p.open(numbered_clips::longClipWithTone(), kLongFrames));
    const int playing = p.segment();
    ASSERT_NO_FATAL_FAILURE(p.pressPlay());
    ASSERT_TRUE(p.waitUntil([&] { return p.slider().value() >= 10; })) << "the slider did not follow the play";
    ASSERT_EQ(p.mm().mode(), mci_mode::kPlaying);
    const int reached = std::max(p.mm().position(), p.shownFrame());
    ASSERT_LT(reached, kLongFrames * 3 / 4 - 5);

    // During the play: the control goes there and plays on to the end.
    p.restart([&] { clickTrackAt(p.slider(), 0.75); });
    const int ahead = p.slider().value();
    EXPECT_GT(ahead, reached + 1);
    EXPECT_LT(ahead, kLongFrames);
    EXPECT_GE(p.mm().position(), ahead) << "the play did not move there";
    EXPECT_EQ(p.mm().mode(), mci_mode::kPlaying);
    ASSERT_TRUE(p.waitForCompletions(1));
    const auto ended = p.completions();
    EXPECT_EQ(ended[0].positionBefore, kLongFrames);
    EXPECT_EQ(ended[0].shownBefore, kLongFrames - 1);
    EXPECT_EQ(ended[0].mode, mci_mode::kStopped);
    EXPECT_EQ(p.endings().size(), 1u) << "the seek ended the play";

    EXPECT_GT(p.expectPlayed(playing, +1), 0);
    p.expectPlayed(playing + 1, +1);
    for (const PlayerHarness::Sample &s : p.samples()) {
        if (s.segment == playing + 1) {
            EXPECT_GE(s.positionBefore, ahead) << "the play went on from before the click";
        }
    }
    // A play that ends leaves the slider where the last update during it put it.
    const int lastTracked = p.slider().value();
    EXPECT_GE(lastTracked, ahead);
    EXPECT_LE(lastTracked, kLongFrames);

    // Stopped: the control shows exactly the frame clicked, and the slider stays there.
    clickTrackAt(p.slider(), 0.3);
    const int target = p.slider().value();
    EXPECT_GT(target, 0);
    EXPECT_LT(target, ahead);
    EXPECT_EQ(p.mm().position(), target);
    ASSERT_TRUE(p.waitUntil([&] { return p.mm().mode() == mci_mode::kStopped; }));
    // The picture was handed over before the seek was done.
    QCoreApplication::sendPostedEvents(p.mm().videoWindow(), QEvent::MetaCall);
    EXPECT_EQ(p.shownFrame(), target);
    const std::size_t updates = p.samples().size();
    ASSERT_TRUE(p.waitUntil([&] { return p.samples().size() >= updates + 3; }));
    EXPECT_EQ(p.slider().value(), target) << "an update moved the slider while stopped";
    EXPECT_EQ(p.mm().position(), target);
    EXPECT_TRUE(p.boxes().empty());
}

}  // namespace
