#include "platform/mci/widget/mm_control_widget.h"

#include "platform/forms/runtime_error.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/mci_error.h"
#include "tests/mci_widget/widget_test_support.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCoreApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

using widget_test::makeControl;
using widget_test::openControl;
using widget_test::waitUntil;

const QStringList kNames{"Prev", "Next", "Play", "Pause", "Back", "Step", "Stop", "Record", "Eject"};

// The transport buttons, left to right.
std::vector<QAbstractButton *> buttonsOf(MMControlWidget &control) {
    auto list = control.findChildren<QAbstractButton *>();
    std::vector<QAbstractButton *> buttons(list.begin(), list.end());
    std::sort(buttons.begin(), buttons.end(), [](auto *a, auto *b) { return a->x() < b->x(); });
    return buttons;
}

QAbstractButton *button(MMControlWidget &control, const QString &name) {
    for (QAbstractButton *b : buttonsOf(control))
        if (b->accessibleName() == name) return b;
    return nullptr;
}

std::set<QString> enabledNames(MMControlWidget &control) {
    std::set<QString> names;
    for (QAbstractButton *b : buttonsOf(control))
        if (b->isEnabled()) names.insert(b->accessibleName());
    return names;
}

void click(MMControlWidget &control, const QString &name) {
    QAbstractButton *b = button(control, name);
    ASSERT_NE(b, nullptr) << name.toStdString();
    QTest::mouseClick(b, Qt::LeftButton);
}

TEST(MMControlWidgetTest, IsA184By41BarOfNineNamedButtons) {
    auto control = makeControl();
    EXPECT_EQ(control->size(), QSize(184, 41));
    EXPECT_EQ(control->minimumSize(), QSize(184, 41));
    EXPECT_EQ(control->maximumSize(), QSize(184, 41));
    EXPECT_EQ(control->focusPolicy(), Qt::StrongFocus);

    const auto buttons = buttonsOf(*control);
    ASSERT_EQ(buttons.size(), 9u);
    int right = 0;
    for (int i = 0; i < 9; ++i) {
        const QAbstractButton *b = buttons[i];
        EXPECT_EQ(b->accessibleName(), kNames[i]);
        EXPECT_EQ(b->x(), right) << "gap or overlap before " << kNames[i].toStdString();
        EXPECT_EQ(b->height(), 41);
        EXPECT_GE(b->width(), 20);
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus) << "the control is one tab stop";
        right = b->x() + b->width();

        QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(const_cast<QAbstractButton *>(b));
        ASSERT_NE(a11y, nullptr);
        EXPECT_EQ(a11y->role(), QAccessible::Button);
        EXPECT_EQ(a11y->text(QAccessible::Name), kNames[i]);
        EXPECT_TRUE(a11y->state().disabled) << "nothing is open yet";
    }
    EXPECT_EQ(right, 184);
}

struct StateCase {
    const char *name;
    QString (*clip)();  // null: the device opened with no clip
    QStringList presses;
    int mode;
    std::set<QString> enabled;
};

class EnabledStateTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(EnabledStateTest, ButtonsFollowTheDevice) {
    const StateCase &c = GetParam();
    auto control = openControl(c.clip ? c.clip() : QString());
    control->show();
    for (const QString &name : c.presses) click(*control, name);
    ASSERT_TRUE(waitUntil([&] { return control->mode() == c.mode; })) << "mode " << control->mode();
    QCoreApplication::processEvents();
    EXPECT_EQ(enabledNames(*control), c.enabled);
    for (QAbstractButton *b : buttonsOf(*control))
        EXPECT_EQ(QAccessible::queryAccessibleInterface(b)->state().disabled, !b->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, EnabledStateTest,
    ::testing::Values(StateCase{"NoClip", nullptr, {}, mci_mode::kStopped, {}},
                      StateCase{"Stopped", widget_test::testCard, {}, mci_mode::kStopped,
                                {"Prev", "Next", "Play", "Back", "Step"}},
                      StateCase{"Playing", widget_test::testCard, {"Play"}, mci_mode::kPlaying,
                                {"Prev", "Next", "Pause", "Stop"}},
                      StateCase{"Paused", widget_test::testCard, {"Play", "Pause"}, mci_mode::kPaused,
                                {"Prev", "Next", "Play", "Back", "Step", "Stop"}},
                      StateCase{"StoppedAfterPlay", widget_test::testCard, {"Play", "Stop"}, mci_mode::kStopped,
                                {"Prev", "Next", "Play", "Back", "Step"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MMControlWidgetTest, AllButtonsDisabledBeforeTheDeviceIsOpen) {
    auto control = makeControl();
    EXPECT_EQ(control->mode(), mci_mode::kNotOpen);
    EXPECT_TRUE(enabledNames(*control).empty());
}

TEST(MMControlWidgetTest, KeyboardMovesBetweenEnabledButtonsAndPresses) {
    auto control = openControl(widget_test::testCard());
    control->show();
    QSignalSpy back(control.get(), &MMControlWidget::backCompleted);

    QTest::keyClick(control.get(), Qt::Key_Space);  // Play is current at first
    EXPECT_EQ(control->mode(), mci_mode::kPlaying);
    QTest::keyClick(control.get(), Qt::Key_Return);  // the cursor followed Play to Pause
    EXPECT_EQ(control->mode(), mci_mode::kPaused);
    QTest::keyClick(control.get(), Qt::Key_Right);  // over the disabled Pause to Back
    QTest::keyClick(control.get(), Qt::Key_Space);
    EXPECT_TRUE(waitUntil([&] { return back.count() == 1; }));
    EXPECT_EQ(control->mode(), mci_mode::kStopped) << "Back ends the paused play";

    QTest::keyClick(control.get(), Qt::Key_End);  // Step: Record and Eject never take the cursor
    QTest::keyClick(control.get(), Qt::Key_Home);  // Prev
    QTest::keyClick(control.get(), Qt::Key_Right);  // Next
    QTest::keyClick(control.get(), Qt::Key_Right);  // Play
    QTest::keyClick(control.get(), Qt::Key_Enter);
    EXPECT_EQ(control->mode(), mci_mode::kPlaying);
}

TEST(MMControlWidgetTest, SpaceIsAPressAndReleaseLikeAButton) {
    auto control = openControl(widget_test::testCard());
    control->show();
    QTest::keyPress(control.get(), Qt::Key_Space);
    EXPECT_TRUE(button(*control, "Play")->isDown());
    EXPECT_EQ(control->mode(), mci_mode::kStopped) << "pressed only when the key is released";
    QTest::keyRelease(control.get(), Qt::Key_Space);
    EXPECT_FALSE(button(*control, "Play")->isDown());
    EXPECT_EQ(control->mode(), mci_mode::kPlaying);
}

struct ErrorCase {
    const char *name;
    const char *deviceType;
    QString (*clip)();
    QStringList commands;  // the last one fails
    int number;
};

class CommandErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CommandErrorTest, ThrowsTheDevicesNumber) {
    const ErrorCase &c = GetParam();
    auto control = makeControl();
    control->setDeviceType(c.deviceType);
    if (c.clip) control->setFileName(c.clip());
    for (int i = 0; i + 1 < c.commands.size(); ++i) control->setCommand(c.commands[i]);
    try {
        control->setCommand(c.commands.back());
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), c.number);
        EXPECT_FALSE(e.description().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Words, CommandErrorTest,
    ::testing::Values(ErrorCase{"UnknownDeviceType", "cdaudio", nullptr, {"open"}, mci::kErrDeviceNotOpen},
                      ErrorCase{"UnknownWord", "avivideo", nullptr, {"open", "rewind"}, mci::kErrUnrecognizedCommand},
                      ErrorCase{"Record", "avivideo", nullptr, {"open", "record"}, mci::kErrUnsupportedFunction},
                      ErrorCase{"EjectWithAClip", "avivideo", widget_test::red, {"open", "eject"},
                                mci::kErrUnsupportedFunction},
                      ErrorCase{"MissingFile", "avivideo", [] { return QString("/nonexistent/clip.avi"); },
                                {"open"}, mci::kErrFileNotFound}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MMControlWidgetTest, DoneComesFromTheEventLoopNotFromTheCommand) {
    auto control = openControl(widget_test::testCard());
    QSignalSpy done(control.get(), &MMControlWidget::done);

    control->setCommand("play");
    control->setCommand("stop");  // ends the play: Done 4
    EXPECT_EQ(done.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return done.count() == 1; }));
    EXPECT_EQ(done.at(0).at(0).value<std::int16_t>(), 4);

    control->setCommand("next");
    control->setCommand("play");  // already at its end point
    EXPECT_EQ(done.count(), 1);
    ASSERT_TRUE(waitUntil([&] { return done.count() == 2; }));
    EXPECT_EQ(done.at(1).at(0).value<std::int16_t>(), 1);
}

struct CompletionCase {
    const char *button;
    void (MMControlWidget::*signal)(std::int32_t);
};

class CompletionTest : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(CompletionTest, ButtonRaisesItsCompletionLater) {
    auto control = openControl(widget_test::testCard());
    control->show();
    control->setCommand("step");  // off frame 0, so that Back and Prev have somewhere to go
    QSignalSpy completed(control.get(), GetParam().signal);
    QSignalSpy errors(control.get(), &MMControlWidget::buttonError);
    click(*control, GetParam().button);
    EXPECT_EQ(completed.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return completed.count() == 1; }));
    EXPECT_EQ(completed.at(0).at(0).toInt(), 0);
    EXPECT_EQ(errors.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Buttons, CompletionTest,
                         ::testing::Values(CompletionCase{"Back", &MMControlWidget::backCompleted},
                                           CompletionCase{"Next", &MMControlWidget::nextCompleted},
                                           CompletionCase{"Prev", &MMControlWidget::prevCompleted},
                                           CompletionCase{"Step", &MMControlWidget::stepCompleted}),
                         [](const auto &info) { return std::string(info.param.button); });

TEST(MMControlWidgetTest, AButtonsErrorIsReportedAsASignal) {
    auto control = openControl(widget_test::red());
    control->show();
    QSignalSpy errors(control.get(), &MMControlWidget::buttonError);
    control->setTo(100000);  // Play uses waiting ends: out of range
    click(*control, "Play");
    EXPECT_EQ(errors.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return errors.count() == 1; }));
    EXPECT_EQ(errors.at(0).at(0).toInt(), mci::kErrOutOfRange);
    EXPECT_FALSE(errors.at(0).at(1).toString().isEmpty());
}

TEST(MMControlWidgetTest, StatusUpdateRunsWhileAClipIsOpenAndStopsAtZero) {
    auto noClip = openControl(QString());
    QSignalSpy idle(noClip.get(), &MMControlWidget::statusUpdate);
    noClip->setUpdateInterval(10);

    auto control = openControl(widget_test::red());
    QSignalSpy updates(control.get(), &MMControlWidget::statusUpdate);
    EXPECT_EQ(control->updateInterval(), 250);
    control->setUpdateInterval(10);
    EXPECT_TRUE(waitUntil([&] { return updates.count() >= 3; }));

    control->setUpdateInterval(0);
    updates.clear();
    QTest::qWait(200);
    EXPECT_EQ(updates.count(), 0);
    EXPECT_EQ(idle.count(), 0) << "no clip, no status updates";

    control->setUpdateInterval(10);
    control->setCommand("close");
    updates.clear();
    QTest::qWait(100);
    EXPECT_EQ(updates.count(), 0) << "closed, no status updates";
}

TEST(MMControlWidgetTest, GotFocusArrivesAfterTheFocusChange) {
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *control = new MMControlWidget(mci::DeviceOptions{}, mci::makeNullAudioSink());
    auto *other = new QLineEdit;
    layout->addWidget(control);
    layout->addWidget(other);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QCoreApplication::processEvents();  // the focus the control had on showing
    QSignalSpy focus(control, &MMControlWidget::gotFocus);
    control->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(control->hasFocus());
    EXPECT_EQ(focus.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return focus.count() == 1; }));
}

}  // namespace
