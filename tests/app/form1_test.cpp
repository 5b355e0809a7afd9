#include "app/form1.h"
#include "app/identity.h"
#include "platform/controls/slider_widget.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/forms/runtime_error.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "tests/doubles/recording_runtime.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

enum class Kind { Button, CheckBox, Slider, MultimediaControl, Label };

struct ControlRow {
    const char *name;
    Kind kind;
    const char *text;  // nullptr: the control shows no text of its own
    QRect geometry;
    bool checked;
};

// The window as designed: pixels are the design's twips / 15.
const ControlRow kControls[] = {
    {"Command4", Kind::Button, "Exit", {416, 56, 41, 17}, false},
    {"Command3", Kind::Button, "About", {416, 32, 41, 17}, false},
    {"Command2", Kind::Button, "Help!", {360, 56, 41, 17}, false},
    {"Command1", Kind::Button, "Open", {360, 32, 41, 17}, false},
    {"ChkLoopRev", Kind::CheckBox, "LoopRev", {88, 56, 65, 17}, false},
    {"Chkrev", Kind::CheckBox, "Reverse", {88, 32, 73, 17}, false},
    {"ChkLoop", Kind::CheckBox, "Loop", {8, 56, 57, 17}, false},
    {"Check2", Kind::CheckBox, "Sound", {8, 32, 57, 17}, true},
    {"Slider1", Kind::Slider, nullptr, {8, 0, 441, 17}, false},
    {"MMControl1", Kind::MultimediaControl, nullptr, {168, 32, 184, 41}, false},
    {"Label3", Kind::Label, "", {408, 16, 41, 17}, false},
    {"Label2", Kind::Label, "0", {12, 16, 9, 17}, false},
    {"Label1", Kind::Label, identity::kCredits, {16, 88, 465, 17}, false},
};

const char *const kTabOrder[] = {"MMControl1", "Slider1", "Check2",   "ChkLoop",  "Chkrev",
                                 "ChkLoopRev", "Command1", "Command2", "Command3", "Command4"};

class Form1Test : public ::testing::Test {
protected:
    Form1Test()
    {
        form = std::make_unique<Form1>(
            runtime, new MMControlWidget(mci::DeviceOptions{}, mci::makeNullAudioSink()));
    }

    template <typename T>
    T *control(const char *name) const
    {
        return form->findChild<T *>(QString::fromUtf8(name));
    }

    void showActive()
    {
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    MMControlWidget *mm() const { return control<MMControlWidget>("MMControl1"); }

    CallLog log;
    RecordingRuntime runtime{log};
    std::unique_ptr<Form1> form;
};

TEST_F(Form1Test, EveryControlHasItsKindPlaceTextAndState)
{
    for (const ControlRow &row : kControls) {
        SCOPED_TRACE(row.name);
        QWidget *widget = control<QWidget>(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), row.geometry);
        EXPECT_TRUE(widget->isEnabled());
        switch (row.kind) {
        case Kind::Button: {
            auto *button = qobject_cast<QPushButton *>(widget);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text().toStdString(), row.text);
            EXPECT_FALSE(button->isDefault());
            EXPECT_FALSE(button->autoDefault());
            break;
        }
        case Kind::CheckBox: {
            auto *box = qobject_cast<QCheckBox *>(widget);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text().toStdString(), row.text);
            EXPECT_EQ(box->isChecked(), row.checked);
            break;
        }
        case Kind::Label: {
            auto *label = qobject_cast<QLabel *>(widget);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text().toStdString(), row.text);
            EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
            break;
        }
        case Kind::Slider: {
            auto *slider = qobject_cast<SliderWidget *>(widget);
            ASSERT_NE(slider, nullptr);
            EXPECT_EQ(slider->min(), 0);
            EXPECT_EQ(slider->max(), 10);
            EXPECT_EQ(slider->value(), 0);
            EXPECT_EQ(slider->smallChange(), 1);
            EXPECT_EQ(slider->largeChange(), 5);
            break;
        }
        case Kind::MultimediaControl: {
            auto *control = qobject_cast<MMControlWidget *>(widget);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(control->deviceType().toStdString(), "");
            EXPECT_EQ(control->fileName().toStdString(), "");
            break;
        }
        }
    }
    // Thirteen in the window; the file dialog is the fourteenth and shows only when used.
    EXPECT_EQ(form->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(), 13);
}

TEST_F(Form1Test, WindowIsAFixedTitledClientAreaWithIconAndNoMenu)
{
    EXPECT_EQ(form->windowTitle().toStdString(), "Vidlark 1.0");
    EXPECT_EQ(form->size(), QSize(466, 101));
    EXPECT_EQ(form->minimumSize(), QSize(466, 101));
    EXPECT_EQ(form->maximumSize(), QSize(466, 101));
    EXPECT_EQ(form->findChild<QMenuBar *>(), nullptr);
    const QPixmap icon = form->windowIcon().pixmap(32, 32);
    EXPECT_EQ(icon.size(), QSize(32, 32));
    // The credits run past the right and bottom edges and are cut there.
    const QRect credits = control<QLabel>("Label1")->geometry();
    EXPECT_GT(credits.right(), form->width() - 1);
    EXPECT_GT(credits.bottom(), form->height() - 1);
}

TEST_F(Form1Test, TabGoesThroughTheControlsInOrderFromTheMultimediaControl)
{
    showActive();
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), "MMControl1");

    for (std::size_t i = 1; i <= std::size(kTabOrder); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const char *expected = kTabOrder[i % std::size(kTabOrder)];
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), expected);
    }
}

TEST_F(Form1Test, EnterAndEscClickNoButton)
{
    showActive();
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const char *name : {"Command1", "Command2", "Command3", "Command4"})
        spies.push_back(std::make_unique<QSignalSpy>(control<QPushButton>(name), &QPushButton::clicked));
    for (const char *name : {"Check2", "ChkLoop", "Chkrev", "ChkLoopRev"})
        spies.push_back(std::make_unique<QSignalSpy>(control<QCheckBox>(name), &QCheckBox::clicked));

    for (const char *name : {"Command1", "Command2", "Command3", "Command4", "Check2", "ChkLoop", "Chkrev",
                             "ChkLoopRev", "Slider1"}) {
        SCOPED_TRACE(name);
        QWidget *widget = control<QWidget>(name);
        widget->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(widget, key);
    }

    for (const auto &spy : spies)
        EXPECT_EQ(spy->count(), 0);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isUnloaded());

    // Space does click the focused button: the keys above did reach the controls.
    control<QPushButton>("Command3")->setFocus();
    QTest::keyClick(control<QPushButton>("Command3"), Qt::Key_Space);
    EXPECT_EQ(spies[2]->count(), 1);
}

TEST_F(Form1Test, LoadOpensTheDeviceAndSetsTheHelpFile)
{
    runtime.appPathValue = "/opt/Video Player";
    form->load();

    EXPECT_FALSE(form->isUnloaded());
    EXPECT_EQ(mm()->deviceType().toStdString(), "avivideo");
    EXPECT_EQ(mm()->mode(), mci_mode::kStopped);
    EXPECT_EQ(runtime.helpFileValue.toStdString(), "/opt/Video Player/vlrk10.hlp");
}

TEST_F(Form1Test, ExitClosesTheDeviceAndUnloadsOnce)
{
    form->load();
    showActive();
    QSignalSpy unloaded(form.get(), &Form1::unloaded);

    QTest::mouseClick(control<QPushButton>("Command4"), Qt::LeftButton);
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(mm()->mode(), mci_mode::kNotOpen);
    EXPECT_FALSE(form->isVisible());

    EXPECT_TRUE(form->close());  // the session ending later closes nothing twice
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(log.entries.size(), 3u) << "only Form_Load's reads and write";
}

TEST_F(Form1Test, CloseBoxDoesWhatExitDoes)
{
    form->load();
    showActive();
    QSignalSpy unloaded(form.get(), &Form1::unloaded);

    EXPECT_TRUE(form->close());
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(mm()->mode(), mci_mode::kNotOpen);
    EXPECT_TRUE(form->isUnloaded());
}

TEST_F(Form1Test, ButtonsAndBoxesReachTheirHandlers)
{
    runtime.appPathValue = "/opt/vidlark";
    form->load();
    showActive();
    log.clear();

    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(log.entries, (std::vector<std::string>{
                               RecordingRuntime::msgBoxEntry(QStringLiteral("Vidlark 1.0\r\r") + identity::kCredits,
                                                             64, "About"),
                               "App.HelpFile -> /opt/vidlark/vlrk10.hlp",
                               "Shell(winhelp /opt/vidlark/vlrk10.hlp, 1)",
                           }));

    // "LoopRev" locks "Loop" and "Reverse": its handler ran on the user's click.
    control<QCheckBox>("ChkLoop")->setChecked(true);
    QTest::mouseClick(control<QCheckBox>("ChkLoopRev"), Qt::LeftButton);
    EXPECT_TRUE(control<QCheckBox>("ChkLoopRev")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("ChkLoop")->isEnabled());
    EXPECT_FALSE(control<QCheckBox>("Chkrev")->isEnabled());
    EXPECT_FALSE(control<QCheckBox>("ChkLoop")->isChecked());
}

TEST_F(Form1Test, AnErrorNoHandlerTrapsIsReportedAndTheWindowStays)
{
    form->load();
    showActive();
    log.clear();
    bool failed = false;
    runtime.onMsgBox = [&] {
        if (!failed) {
            failed = true;
            throw RuntimeError(7, "Out of memory");
        }
    };

    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);

    ASSERT_EQ(log.entries.size(), 3u);
    EXPECT_EQ(log.entries[2], RecordingRuntime::msgBoxEntry("Run-time error '7':\r\rOut of memory", 16, "Vidlark 1.0"));
    EXPECT_FALSE(form->isUnloaded());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Form1Test, AfterAnUnexpectedHelpErrorTheWindowIsGoneAndTakesNoMoreClicks)
{
    form->load();
    showActive();
    QSignalSpy unloaded(form.get(), &Form1::unloaded);
    runtime.onShell = [](const QString &) { throw RuntimeError(70, "Permission denied"); };

    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_TRUE(form->isUnloaded());
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(mm()->mode(), mci_mode::kNotOpen);

    const std::size_t entries = log.entries.size();
    control<QPushButton>("Command3")->click();
    EXPECT_EQ(log.entries.size(), entries);
}

}  // namespace
