#include "app/form1.h"
#include "app/identity.h"
#include "platform/controls/slider_widget.h"
#include "platform/forms/runtime_error.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "tests/doubles/recording_runtime.h"

#include <QApplication>
#include <QCheckBox>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The window as designed: pixels are the design's twips / 15.
const struct {
    const char *name, *kind;
    const char *text;
    QRect geometry;
    bool checked = false;
} kControls[] = {
    {"Command4", "QPushButton", "Exit", {416, 56, 41, 17}},
    {"Command3", "QPushButton", "About", {416, 32, 41, 17}},
    {"Command2", "QPushButton", "Help!", {360, 56, 41, 17}},
    {"Command1", "QPushButton", "Open", {360, 32, 41, 17}},
    {"ChkLoopRev", "QCheckBox", "LoopRev", {88, 56, 65, 17}},
    {"Chkrev", "QCheckBox", "Reverse", {88, 32, 73, 17}},
    {"ChkLoop", "QCheckBox", "Loop", {8, 56, 57, 17}},
    {"Check2", "QCheckBox", "Sound", {8, 32, 57, 17}, true},
    {"Slider1", "SliderWidget", "", {8, 0, 441, 17}},
    {"MMControl1", "MMControlWidget", "", {168, 32, 184, 41}},
    {"Label3", "QLabel", "", {408, 16, 41, 17}},
    {"Label2", "QLabel", "0", {12, 16, 9, 17}},
    {"Label1", "QLabel", identity::kCredits, {16, 88, 465, 17}},
};

class Form1Test : public ::testing::Test {
protected:
    Form1Test() : form(std::make_unique<Form1>(runtime, new MMControlWidget({}, mci::makeNullAudioSink()))) {}

    template <typename T = QWidget>
    T *control(const char *name) const { return form->findChild<T *>(QString::fromUtf8(name)); }
    MMControlWidget *mm() const { return control<MMControlWidget>("MMControl1"); }
    void showActive()
    {
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    CallLog log;
    RecordingRuntime runtime{log};
    std::unique_ptr<Form1> form;
};

TEST_F(Form1Test, WindowAndEveryControlAsDesigned)
{
    EXPECT_EQ(form->windowTitle().toStdString(), "Vidlark 1.0");
    EXPECT_EQ(form->minimumSize(), QSize(466, 101));
    EXPECT_EQ(form->maximumSize(), QSize(466, 101));
    EXPECT_EQ(form->findChild<QMenuBar *>(), nullptr);
    // Thirteen in the window; the file dialog is the fourteenth and shows only when used.
    EXPECT_EQ(form->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(), 13);
    for (const auto &row : kControls) {
        SCOPED_TRACE(row.name);
        QWidget *widget = control(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), row.kind);
        EXPECT_EQ(widget->geometry(), row.geometry);
        EXPECT_TRUE(widget->isEnabled());
        EXPECT_EQ(widget->property("text").toString().toStdString(), row.text);
        EXPECT_EQ(widget->property("checked").toBool(), row.checked);
    }
    auto *slider = control<SliderWidget>("Slider1");
    EXPECT_EQ(std::vector<int>({slider->min(), slider->max(), slider->value(), slider->smallChange(),
                                slider->largeChange()}),
              std::vector<int>({0, 10, 0, 1, 5}));
    EXPECT_EQ(mm()->deviceType().toStdString(), "");
    EXPECT_EQ(mm()->fileName().toStdString(), "");
}

TEST_F(Form1Test, TabGoesThroughTheControlsInOrderFromTheMultimediaControl)
{
    showActive();
    const char *const order[] = {"MMControl1", "Slider1",  "Check2",   "ChkLoop",  "Chkrev",
                                 "ChkLoopRev", "Command1", "Command2", "Command3", "Command4", "MMControl1"};
    for (const char *expected : order) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), expected);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

TEST_F(Form1Test, EnterAndEscClickNoButton)
{
    showActive();
    int clicks = 0;
    for (auto *button : form->findChildren<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly)) {
        QObject::disconnect(button, nullptr, form.get(), nullptr);  // a wrong click must not open a dialog
        QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });
    }

    for (const char *name : {"Command1", "Command2", "Command3", "Command4", "Check2", "ChkLoop", "Chkrev",
                             "ChkLoopRev", "Slider1"}) {
        control(name)->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(control(name), key);
    }
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(form->isVisible());

    // Space does click the focused button: the keys above did reach the controls.
    control("Command3")->setFocus();
    QTest::keyClick(control("Command3"), Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
}

TEST_F(Form1Test, LoadOpensTheDeviceAndExitOrTheCloseBoxUnloadsOnce)
{
    for (bool byExit : {true, false}) {
        SCOPED_TRACE(byExit ? "Exit" : "close box");
        form = std::make_unique<Form1>(runtime, new MMControlWidget({}, mci::makeNullAudioSink()));
        runtime.appPathValue = "/opt/Video Player";
        form->load();
        EXPECT_EQ(mm()->deviceType().toStdString(), "avivideo");
        EXPECT_EQ(mm()->mode(), mci_mode::kStopped);
        EXPECT_EQ(runtime.helpFileValue.toStdString(), "/opt/Video Player/vlrk10.hlp");
        showActive();
        QSignalSpy unloaded(form.get(), &Form1::unloaded);

        if (byExit)
            QTest::mouseClick(control("Command4"), Qt::LeftButton);
        else
            EXPECT_TRUE(form->close());
        EXPECT_EQ(unloaded.count(), 1);
        EXPECT_EQ(mm()->mode(), mci_mode::kNotOpen);
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(form->close());  // the session ending later closes nothing twice
        EXPECT_EQ(unloaded.count(), 1);
    }
}

TEST_F(Form1Test, ClicksReachTheirHandlersAndUntrappedErrorsAreReported)
{
    form->load();
    showActive();
    QSignalSpy unloaded(form.get(), &Form1::unloaded);
    log.clear();
    QTest::mouseClick(control("Command3"), Qt::LeftButton);
    QTest::mouseClick(control("Command2"), Qt::LeftButton);
    EXPECT_EQ(log.entries, (std::vector<std::string>{
                               "MsgBox(Vidlark 1.0\r\r" + std::string(identity::kCredits) + ", 64, About)",
                               "App.HelpFile -> /opt/vidlark/vlrk10.hlp",
                               "Shell(winhelp /opt/vidlark/vlrk10.hlp, 1)",
                           }));

    // "LoopRev"'s handler runs on the user's click; its own clearing of "Reverse" raises
    // no Click of "Reverse".
    auto *loop = control<QCheckBox>("ChkLoop");
    auto *reverse = control<QCheckBox>("Chkrev");
    loop->setChecked(true);
    reverse->setChecked(true);
    QSignalSpy reverseClicked(reverse, &QCheckBox::clicked);
    QTest::mouseClick(control("ChkLoopRev"), Qt::LeftButton);
    EXPECT_FALSE(loop->isEnabled() || reverse->isEnabled() || loop->isChecked() || reverse->isChecked());
    EXPECT_EQ(reverseClicked.count(), 0);

    log.clear();
    bool failed = false;
    runtime.onMsgBox = [&] {
        if (!std::exchange(failed, true))
            throw RuntimeError(7, "Out of memory");
    };
    QTest::mouseClick(control("Command3"), Qt::LeftButton);
    ASSERT_EQ(log.entries.size(), 3u);
    EXPECT_EQ(log.entries[2], "MsgBox(Run-time error '7':\r\rOut of memory, 16, Vidlark 1.0)");
    EXPECT_TRUE(form->isVisible());

    runtime.onShell = [] { throw RuntimeError(70, "Permission denied"); };
    QTest::mouseClick(control("Command2"), Qt::LeftButton);
    EXPECT_TRUE(form->isUnloaded());
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(mm()->mode(), mci_mode::kNotOpen);
    const std::size_t entries = log.entries.size();
    control<QPushButton>("Command3")->click();  // the window is gone: no handler runs
    EXPECT_EQ(log.entries.size(), entries);
}

}  // namespace
