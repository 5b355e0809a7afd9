#include "platform/mci/mci_error.h"
#include "platform/mci/widget/button_cursor.h"
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
    EXPECT_EQ(enabled(*makeControl({}, false)), QStringList());
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

// Where the cursor goes when a change of state disables its button.
TEST(MMControlWidget, DisabledCursorGoesToItsCounterpartElseRightElseLeft) {
    enum { Prev, Next, Play, Pause, Back, Step, Stop, Record, Eject };
    const std::tuple<int, std::string, int> rows[] = {  // from, enabled (a letter a button, Prev .. Eject), to
        {Play, "110100000", Pause}, {Pause, "111000100", Play}, {Stop, "111000001", Play},
        {Pause, "110011100", Back}, {Play, "110010000", Back}, {Back, "111000000", Play},
        {Stop, "100000000", Prev},  {Step, "000000000", Step}, {Next, "010000000", Next},
    };
    for (const auto &[from, letters, to] : rows) {
        ButtonCursor::Enabled enabled{};
        for (int i = 0; i < ButtonCursor::kButtonCount; ++i) enabled[i] = letters[i] == '1';
        ButtonCursor cursor(from);
        const bool moved = cursor.follow(enabled);
        EXPECT_EQ(std::make_pair(moved, cursor.current()), std::make_pair(to != from, to)) << from << " " << letters;
    }
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

// StatusUpdate comes every UpdateInterval ms (250 at first) while a clip is open, until
// it is set to 0. A control left ticking is the clock.
TEST(MMControlWidget, StatusUpdateRunsUntilTheIntervalIsZero) {
    auto ticking = makeControl(red()), stopped = makeControl(red());
    EXPECT_EQ(ticking->updateInterval(), 250);
    QSignalSpy ticks(ticking.get(), &MMControlWidget::statusUpdate), stoppedTicks(stopped.get(), &MMControlWidget::statusUpdate);
    for (auto *control : {ticking.get(), stopped.get()}) control->setUpdateInterval(10);
    ASSERT_TRUE(waitUntil([&] { return stoppedTicks.count() > 0; }));
    stopped->setUpdateInterval(0);
    stoppedTicks.clear();
    ticks.clear();
    ASSERT_TRUE(waitUntil([&] { return ticks.count() >= 10; }));
    EXPECT_EQ(stoppedTicks.count(), 0);
}

}  // namespace
