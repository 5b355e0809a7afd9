// A file the device cannot play, chosen in the open dialog: the numbered error is
// reported in a box, and the player goes on to open and play another file.

#include "app/identity.h"
#include "platform/controls/slider_widget.h"
#include "platform/mci/mci_error.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "tests/integration/numbered_clips.h"
#include "tests/integration/player_harness.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

using numbered_clips::kLongFrames;
using numbered_clips::kShortFrames;

TEST(OpenError, ABrokenFileIsReportedAndThePlayerGoesOn)
{
    PlayerHarness p;
    ASSERT_NO_FATAL_FAILURE(p.open(numbered_clips::shortClip(), kShortFrames));
    const QString openedTitle = p.form().windowTitle();

    ASSERT_NO_FATAL_FAILURE(p.chooseInOpenDialog(numbered_clips::textFileNamedAvi()));
    ASSERT_EQ(p.boxes().size(), 1u);
    const MessageBoxAnswerer::Box &box = p.boxes()[0];
    EXPECT_EQ(box.title, QString::fromUtf8(identity::kTitle));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.text, QStringLiteral("Run-time error '30296':\n\n") +
                            QString::fromStdString(mci::makeError(mci::kErrInvalidFile).text));

    // The handler ended at "open": what it had done stays, the rest was never done.
    EXPECT_FALSE(p.form().isUnloaded());
    EXPECT_TRUE(p.form().isVisible());
    EXPECT_EQ(p.form().windowTitle(), openedTitle);
    EXPECT_EQ(p.label("Label3").text(), QString::number(kShortFrames));
    EXPECT_EQ(p.slider().max(), kShortFrames);
    EXPECT_EQ(p.mm().mode(), mci_mode::kNotOpen) << "closed before the failed open";

    ASSERT_NO_FATAL_FAILURE(p.open(numbered_clips::longClipWithTone(), kLongFrames));
    const int segment = p.segment();
    ASSERT_NO_FATAL_FAILURE(p.pressPlay());
    ASSERT_TRUE(p.waitForCompletions(1));
    const auto ended = p.completions();
    EXPECT_EQ(ended[0].positionBefore, kLongFrames);
    EXPECT_EQ(ended[0].shownBefore, kLongFrames - 1);
    EXPECT_GT(p.expectPlayed(segment, +1), 0);
    EXPECT_EQ(p.boxes().size(), 1u);
}

}  // namespace
