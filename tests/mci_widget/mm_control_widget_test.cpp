#include "platform/forms/runtime_error.h"
#include "platform/mci/mci_error.h"
#include "tests/mci_widget/widget_test_support.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace widget_test;

// The transport buttons, left to right.
std::vector<QAbstractButton *> buttonsOf(MMControlWidget &control) {
    const auto list = control.findChildren<QAbstractButton *>();
    std::vector<QAbstractButton *> buttons(list.begin(), list.end());
    std::ranges::sort(buttons, {}, &QWidget::x);
    return buttons;
}

QString accessibleName(QAbstractButton *b) { return QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name); }

void click(MMControlWidget &control, const QString &name) {
    for (QAbstractButton *b : buttonsOf(control))
        if (accessibleName(b) == name) return QTest::mouseClick(b, Qt::LeftButton);
    ADD_FAILURE() << "no button " << name.toStdString();
}

// One tab stop of fixed size; nine buttons edge to edge that assistive tools see by name.
TEST(MMControlWidget, IsA184By41BarOfNineNamedButtons) {
    auto control = makeControl({}, false);
    EXPECT_EQ(control->size(), QSize(184, 41));
    EXPECT_EQ(control->minimumSize(), control->maximumSize());
    EXPECT_EQ(control->focusPolicy(), Qt::StrongFocus);
    QStringList names;
    int right = 0;
    for (QAbstractButton *b : buttonsOf(*control)) {
        EXPECT_EQ(b->geometry(), QRect(right, 0, b->width(), 41));
        EXPECT_GE(b->width(), 20);
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(b)->role(), QAccessible::Button);
        names << accessibleName(b);
        right += b->width();
    }
    EXPECT_EQ(names, QStringList({"Prev", "Next", "Play", "Pause", "Back", "Step", "Stop", "Record", "Eject"}));
    EXPECT_EQ(right, 184);
}

// The control enables its buttons by mode (Record and Eject never), and assistive tools
// see the same.
TEST(MMControlWidget, EnabledButtonsFollowTheMode) {
    struct Row {
        const char *name;
        QString (*clip)();
        bool open;
        QStringList presses;
        int mode;
        QStringList enabled;
    };
    const Row rows[] = {
        {"not open", nullptr, false, {}, mci_mode::kNotOpen, {}},
        {"no clip", nullptr, true, {}, mci_mode::kStopped, {}},
        {"stopped", testCard, true, {}, mci_mode::kStopped, {"Prev", "Next", "Play", "Back", "Step"}},
        {"playing", testCard, true, {"Play"}, mci_mode::kPlaying, {"Prev", "Next", "Pause", "Stop"}},
        {"paused", testCard, true, {"Play", "Pause"}, mci_mode::kPaused, {"Prev", "Next", "Play", "Back", "Step", "Stop"}},
        {"stopped again", testCard, true, {"Play", "Stop"}, mci_mode::kStopped, {"Prev", "Next", "Play", "Back", "Step"}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        auto control = makeControl(r.clip ? r.clip() : QString(), r.open);
        control->show();
        for (const QString &name : r.presses) click(*control, name);
        ASSERT_TRUE(waitUntil([&] { return control->mode() == r.mode; })) << control->mode();
        QCoreApplication::processEvents();
        QStringList enabled;
        for (QAbstractButton *b : buttonsOf(*control)) {
            EXPECT_EQ(QAccessible::queryAccessibleInterface(b)->state().disabled, !b->isEnabled());
            if (b->isEnabled()) enabled << accessibleName(b);
        }
        EXPECT_EQ(enabled, r.enabled);
    }
}

// Arrows and Home/End move over enabled buttons only, and the cursor follows Play to
// Pause; Space presses on release, as on a button, and Enter presses.
TEST(MMControlWidget, KeyboardMovesBetweenEnabledButtonsAndPresses) {
    auto control = makeControl(testCard());
    control->show();
    QSignalSpy back(control.get(), &MMControlWidget::backCompleted);
    QTest::keyPress(control.get(), Qt::Key_Space);  // Play is current at first
    EXPECT_TRUE(buttonsOf(*control)[2]->isDown());
    EXPECT_EQ(control->mode(), mci_mode::kStopped);
    QTest::keyRelease(control.get(), Qt::Key_Space);
    EXPECT_EQ(control->mode(), mci_mode::kPlaying);
    QTest::keyClick(control.get(), Qt::Key_Return);  // on Pause now
    EXPECT_EQ(control->mode(), mci_mode::kPaused);
    QTest::keyClick(control.get(), Qt::Key_Right);  // from Play, over the disabled Pause to Back
    QTest::keyClick(control.get(), Qt::Key_Space);
    EXPECT_TRUE(waitUntil([&] { return back.count() == 1; }));
    EXPECT_EQ(control->mode(), mci_mode::kStopped);
    // End is Step (never Record or Eject); Home is Prev, then on to Next and Play.
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_Home, Qt::Key_Right, Qt::Key_Right, Qt::Key_Enter})
        QTest::keyClick(control.get(), key);
    EXPECT_EQ(control->mode(), mci_mode::kPlaying);
}

TEST(MMControlWidget, FailedCommandsThrowTheirNumbers) {
    struct Row {
        const char *deviceType;
        QString file;
        QStringList words;  // the last one fails
        int number;
    };
    const Row rows[] = {{"cdaudio", {}, {"open"}, mci::kErrDeviceNotOpen},
                        {"avivideo", "/nonexistent/clip.avi", {"open"}, mci::kErrFileNotFound},
                        {"avivideo", {}, {"open", "rewind"}, mci::kErrUnrecognizedCommand},
                        {"avivideo", red(), {"open", "eject"}, mci::kErrUnsupportedFunction}};
    for (const Row &r : rows) {
        auto control = makeControl(r.file, false);
        control->setDeviceType(r.deviceType);
        try {
            for (const QString &word : r.words) control->setCommand(word);
            ADD_FAILURE() << "no error from " << r.words.join(", ").toStdString();
        } catch (const RuntimeError &e) {
            EXPECT_EQ(e.number(), r.number);
            EXPECT_FALSE(e.description().isEmpty());
        }
    }
}

// Done, the buttons' completions and a button's error come later from the event loop,
// never from inside the command or the click.
TEST(MMControlWidget, EventsComeFromTheEventLoop) {
    auto control = makeControl(testCard());
    control->show();
    QSignalSpy done(control.get(), &MMControlWidget::done);
    QSignalSpy errors(control.get(), &MMControlWidget::buttonError);
    control->setCommand("play");
    control->setCommand("stop");
    control->setCommand("next");
    control->setCommand("play");  // already at its end point
    EXPECT_EQ(done.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return done.count() == 2; }));
    EXPECT_EQ(done[0][0].value<std::int16_t>(), 4);  // ended by stop
    EXPECT_EQ(done[1][0].value<std::int16_t>(), 1);  // reached its end

    using Completed = void (MMControlWidget::*)(std::int32_t);
    const std::pair<const char *, Completed> buttons[] = {{"Back", &MMControlWidget::backCompleted},
                                                          {"Next", &MMControlWidget::nextCompleted},
                                                          {"Prev", &MMControlWidget::prevCompleted},
                                                          {"Step", &MMControlWidget::stepCompleted}};
    for (const auto &[name, signal] : buttons) {
        QSignalSpy completed(control.get(), signal);
        click(*control, name);
        EXPECT_EQ(completed.count(), 0) << name;
        ASSERT_TRUE(waitUntil([&] { return completed.count() == 1; })) << name;
        EXPECT_EQ(completed[0][0].toInt(), 0) << name;
    }

    control->setTo(100000);  // Play uses the waiting end: out of range
    click(*control, "Play");
    EXPECT_EQ(errors.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return errors.count() == 1; }));
    EXPECT_EQ(errors[0][0].toInt(), mci::kErrOutOfRange);
}

// StatusUpdate comes every UpdateInterval ms (250 at first) while a clip is open; not
// with no clip, nor after 0 or "close". A control left ticking is the clock.
TEST(MMControlWidget, StatusUpdateRunsWhileAClipIsOpen) {
    auto ticking = makeControl(red()), zero = makeControl(red()), closed = makeControl(red()), noClip = makeControl();
    EXPECT_EQ(ticking->updateInterval(), 250);
    QSignalSpy ticks(ticking.get(), &MMControlWidget::statusUpdate), zeroTicks(zero.get(), &MMControlWidget::statusUpdate),
        closedTicks(closed.get(), &MMControlWidget::statusUpdate), noClipTicks(noClip.get(), &MMControlWidget::statusUpdate);
    for (MMControlWidget *c : {ticking.get(), zero.get(), closed.get(), noClip.get()}) c->setUpdateInterval(10);
    ASSERT_TRUE(waitUntil([&] { return zeroTicks.count() > 0 && closedTicks.count() > 0; }));
    zero->setUpdateInterval(0);
    closed->setCommand("close");
    zeroTicks.clear();
    closedTicks.clear();
    ticks.clear();
    ASSERT_TRUE(waitUntil([&] { return ticks.count() >= 10; }));
    EXPECT_EQ(zeroTicks.count(), 0);
    EXPECT_EQ(closedTicks.count(), 0);
    EXPECT_EQ(noClipTicks.count(), 0);
}

}  // namespace
