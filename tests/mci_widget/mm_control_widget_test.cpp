#include "platform/mci/mci_error.h"
#include "tests/mci_widget/widget_test_support.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace widget_test;

QList<QAbstractButton *> buttonsOf(MMControlWidget &control) {  // left to right
    auto buttons = control.findChildren<QAbstractButton *>();
    std::ranges::sort(buttons, {}, &QWidget::x);
    return buttons;
}

// The enabled buttons, once they have caught up with the mode; assistive tools see the same.
QStringList enabled(MMControlWidget &control) {
    QCoreApplication::processEvents();
    QStringList names;
    for (QAbstractButton *b : buttonsOf(control)) {
        QAccessibleInterface *seen = QAccessible::queryAccessibleInterface(b);
        EXPECT_EQ(seen->state().disabled, !b->isEnabled());
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
        if (b->isEnabled()) names << seen->text(QAccessible::Name);
    }
    return names;
}

// The keyboard takes the control through its modes, and the buttons are enabled by mode
// (Record and Eject never; none without a clip). Buttons take no focus: the bar is one
// tab stop. Arrows and Home/End move over enabled buttons only, the cursor follows Play
// to Pause, Space presses on release as a button does, Enter presses.
TEST(MMControlWidget, KeyboardDrivesTheModesAndTheButtonsFollow) {
    const QStringList stopped{"Prev", "Next", "Play", "Back", "Step"}, playing{"Prev", "Next", "Pause", "Stop"},
        paused{"Prev", "Next", "Play", "Back", "Step", "Stop"};
    EXPECT_EQ(enabled(*makeControl()), QStringList());  // no clip
    auto control = makeControl(testCard());
    control->show();
    EXPECT_EQ(control->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(enabled(*control), stopped);
    QSignalSpy back(control.get(), &MMControlWidget::backCompleted);
    QTest::keyPress(control.get(), Qt::Key_Space);  // Play is current at first
    EXPECT_EQ(std::make_pair(buttonsOf(*control)[2]->isDown(), control->mode()), std::make_pair(true, int(mci_mode::kStopped)));
    QTest::keyRelease(control.get(), Qt::Key_Space);
    EXPECT_EQ(std::make_pair(control->mode(), enabled(*control)), std::make_pair(int(mci_mode::kPlaying), playing));
    QTest::keyClick(control.get(), Qt::Key_Return);  // on Pause now
    EXPECT_EQ(std::make_pair(control->mode(), enabled(*control)), std::make_pair(int(mci_mode::kPaused), paused));
    QTest::keyClick(control.get(), Qt::Key_Right);  // from Play, over the disabled Pause to Back
    QTest::keyClick(control.get(), Qt::Key_Space);
    EXPECT_TRUE(waitUntil([&] { return back.count() == 1; }));
    EXPECT_EQ(std::make_pair(control->mode(), enabled(*control)), std::make_pair(int(mci_mode::kStopped), stopped));
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_Home, Qt::Key_Right, Qt::Key_Right, Qt::Key_Enter})
        QTest::keyClick(control.get(), key);  // Step (never Record or Eject), Prev, Next, Play
    EXPECT_EQ(control->mode(), mci_mode::kPlaying);
}

// Done and a button's error come later from the event loop, never from inside the
// command or the click.
TEST(MMControlWidget, EventsComeFromTheEventLoop) {
    auto control = makeControl(testCard());
    control->show();
    QSignalSpy done(control.get(), &MMControlWidget::done);
    QSignalSpy errors(control.get(), &MMControlWidget::buttonError);
    for (const char *word : {"play", "stop", "next", "play"}) control->setCommand(word);  // the last at its end point
    EXPECT_EQ(done.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return done.count() == 2; }));
    EXPECT_EQ(done[1][0].value<std::int16_t>(), 1);  // reached its end

    control->setTo(100000);  // Play uses the waiting end: out of range
    QTest::mouseClick(buttonsOf(*control)[2], Qt::LeftButton);  // Play
    EXPECT_EQ(errors.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return errors.count() == 1; }));
    EXPECT_EQ(errors[0][0].toInt(), mci::kErrOutOfRange);
}

}  // namespace
