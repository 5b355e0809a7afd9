#include "app/form1.h"
#include "app/identity.h"
#include "platform/controls/common_dialog.h"
#include "platform/controls/slider_widget.h"
#include "platform/forms/runtime_error.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "platform/mci/widget/video_window.h"
#include "tests/doubles/recording_runtime.h"
#include "tests/support/test_clips.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace {

// The window as designed: pixels are the design's twips / 15. role: what assistive
// technology is told the control is (NoRole: the control's own business); tab: its
// place in the tab order, -1 if it takes no focus.
const struct {
    const char *name, *kind;
    const char *text;
    QRect geometry;
    QAccessible::Role role;
    int tab;
    bool checked = false;
} kControls[] = {
    {"Command4", "QPushButton", "Exit", {416, 56, 41, 17}, QAccessible::Button, 9},
    {"Command3", "QPushButton", "About", {416, 32, 41, 17}, QAccessible::Button, 8},
    {"Command2", "QPushButton", "Help!", {360, 56, 41, 17}, QAccessible::Button, 7},
    {"Command1", "QPushButton", "Open", {360, 32, 41, 17}, QAccessible::Button, 6},
    {"ChkLoopRev", "QCheckBox", "LoopRev", {88, 56, 65, 17}, QAccessible::CheckBox, 5},
    {"Chkrev", "QCheckBox", "Reverse", {88, 32, 73, 17}, QAccessible::CheckBox, 4},
    {"ChkLoop", "QCheckBox", "Loop", {8, 56, 57, 17}, QAccessible::CheckBox, 3},
    {"Check2", "QCheckBox", "Sound", {8, 32, 57, 17}, QAccessible::CheckBox, 2, true},
    {"Slider1", "SliderWidget", "", {8, 0, 441, 17}, QAccessible::Slider, 1},
    {"MMControl1", "MMControlWidget", "", {168, 32, 184, 41}, QAccessible::NoRole, 0},
    {"Label3", "QLabel", "", {408, 16, 41, 17}, QAccessible::StaticText, -1},
    {"Label2", "QLabel", "0", {12, 16, 9, 17}, QAccessible::StaticText, -1},
    {"Label1", "QLabel", identity::kCredits, {16, 88, 465, 17}, QAccessible::StaticText, -1},
};

// The room the control's style leaves for its text.
int textRoom(const QWidget *control)
{
    const auto *button = qobject_cast<const QAbstractButton *>(control);
    if (!button)
        return control->contentsRect().width();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const auto room =
        qobject_cast<const QCheckBox *>(button) ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents;
    return button->style()->subElementRect(room, &option, button).width();
}

QAccessibleInterface *accessible(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(iface, nullptr);
    return iface;
}

// What assistive technology reads of the slider: min, max, value.
std::vector<int> sliderSeen(QWidget *slider)
{
    QAccessibleValueInterface *value = accessible(slider)->valueInterface();
    if (!value)
        return {};
    return {value->minimumValue().toInt(), value->maximumValue().toInt(), value->currentValue().toInt()};
}

// The transport buttons as assistive technology reads them: "Name+" enabled, "Name-" not.
std::string transportSeen(QWidget *mm)
{
    std::string seen;
    QAccessibleInterface *bar = accessible(mm);
    for (int i = 0; i < bar->childCount(); ++i) {
        QAccessibleInterface *button = bar->child(i);
        EXPECT_EQ(button->role(), QAccessible::Button);
        seen += button->text(QAccessible::Name).toStdString() + (button->state().disabled ? "- " : "+ ");
    }
    return seen;
}

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

TEST_F(Form1Test, WindowAsDesignedSeenByAssistiveTechnologyAndWalkedByTabWithAndWithoutAClip)
{
    EXPECT_EQ(form->windowTitle().toStdString(), "Vidlark 1.0");
    EXPECT_EQ(form->minimumSize(), QSize(466, 101));
    EXPECT_EQ(form->maximumSize(), QSize(466, 101));
    EXPECT_EQ(form->findChild<QMenuBar *>(), nullptr);
    // Thirteen in the window; the file dialog is the fourteenth and shows only when used.
    EXPECT_EQ(form->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(), 13);
    std::map<int, std::string> tabOrder;
    for (const auto &row : kControls) {
        SCOPED_TRACE(row.name);
        QWidget *widget = control(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), row.kind);
        EXPECT_EQ(widget->geometry(), row.geometry);
        EXPECT_TRUE(widget->isEnabled());
        EXPECT_EQ(widget->property("text").toString().toStdString(), row.text);
        // Whole in its box, at the window's font; the credits are cut at the window's edge by design.
        if (widget->objectName() != "Label1") {
            EXPECT_LE(widget->fontMetrics().horizontalAdvance(QString::fromUtf8(row.text)), textRoom(widget));
        }
        QAccessibleInterface *iface = accessible(widget);
        if (row.role != QAccessible::NoRole) {
            EXPECT_EQ(iface->role(), row.role);
        }
        EXPECT_EQ(iface->text(QAccessible::Name).toStdString(), row.text);
        EXPECT_EQ(iface->state().checked, row.checked);
        EXPECT_EQ(iface->state().focusable, row.tab >= 0);
        if (row.tab >= 0)
            tabOrder[row.tab] = row.name;
    }
    auto *slider = control<SliderWidget>("Slider1");
    EXPECT_EQ(std::vector<int>({slider->min(), slider->max(), slider->value(), slider->smallChange(),
                                slider->largeChange()}),
              std::vector<int>({0, 10, 0, 1, 5}));
    EXPECT_EQ(sliderSeen(slider), std::vector<int>({0, 10, 0}));
    EXPECT_EQ(mm()->deviceType().toStdString(), "");
    EXPECT_EQ(mm()->fileName().toStdString(), "");

    // Tab from the control that has the focus at start, the multimedia control, round
    // to it again; on the slider its keys move the clip, and assistive technology sees it.
    const auto walkTabOrder = [&](const std::vector<std::tuple<Qt::Key, int>> &sliderKeys) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), "MMControl1");
        for (std::size_t step = 1; step <= tabOrder.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ASSERT_NE(QApplication::focusWidget(), nullptr);
            EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), tabOrder[step % tabOrder.size()]);
            if (QApplication::focusWidget() != slider)
                continue;
            for (const auto &[key, position] : sliderKeys) {
                QTest::keyClick(slider, key);
                EXPECT_EQ(std::make_tuple(slider->value(), sliderSeen(slider).at(2), mm()->position()),
                          std::make_tuple(position, position, position))
                    << key;
            }
        }
    };
    form->load();
    showActive();
    walkTabOrder({});
    EXPECT_EQ(transportSeen(mm()), "Prev- Next- Play- Pause- Back- Step- Stop- Record- Eject- ");

    const QString clip = QString::fromStdString(
        test_clips::make("form1 red [*] 25 frames.avi", {"-f", "lavfi", "-i", "color=c=red:s=160x120:r=25:d=1",
                                                        "-c:v", "mpeg4"}));
    QObject::connect(
        form->findChild<CommonDialog *>(), &CommonDialog::aboutToShow, form.get(),
        [&](QFileDialog *dialog) {
            dialog->setDirectory(QFileInfo(clip).absolutePath());
            dialog->selectFile(clip);
            QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    ASSERT_EQ(mm()->length(), 25);
    EXPECT_EQ(sliderSeen(slider), std::vector<int>({0, 25, 0}));
    EXPECT_EQ(transportSeen(mm()), "Prev+ Next+ Play+ Pause- Back+ Step+ Stop- Record- Eject- ");
    EXPECT_EQ(accessible(mm()->videoWindow())->text(QAccessible::Name).toStdString(),
              "form1 red [*] 25 frames.avi");
    // The video window shows with its first picture. Offscreen, the closed dialog leaves
    // no window active and the video window takes the activation: give it back.
    QCoreApplication::sendPostedEvents(mm()->videoWindow(), QEvent::MetaCall);
    showActive();
    mm()->setFocus(Qt::TabFocusReason);
    walkTabOrder({{Qt::Key_PageUp, 5}, {Qt::Key_Right, 6}, {Qt::Key_End, 25}, {Qt::Key_Home, 0}});
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

// A file dropped on either window, or named on the command line, opens as "Open"
// opens it; a failure is reported, on standard error too, and the window goes on. The
// next run's dialog starts in the folder of the last file that opened.
TEST_F(Form1Test, DroppedOrNamedFilesOpenAndTheNextRunsDialogStartsInTheLastFolder)
{
    const QString clip = QString::fromStdString(
        test_clips::make("form1 dropped.avi", {"-f", "lavfi", "-i", "color=c=blue:s=160x120:r=25:d=1", "-c:v", "mpeg4"}));
    QTemporaryDir elsewhere;
    const QString bad = elsewhere.filePath("not a clip.avi");
    QFile junk(bad);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write("RIFF, but nothing more") > 0);
    junk.close();

    form->load();
    showActive();
    const auto drop = [&](QWidget *target, const QList<QUrl> &urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        QCoreApplication::sendPostedEvents(form.get(), QEvent::MetaCall);  // the queued opening
        return true;
    };
    const QString opened = "Vidlark 1.0 - " + clip;
    EXPECT_FALSE(drop(form.get(), {QUrl::fromLocalFile(clip), QUrl::fromLocalFile(bad)}));
    EXPECT_FALSE(drop(form.get(), {QUrl("https://example.org/clip.avi")}));
    ASSERT_TRUE(drop(form.get(), {QUrl::fromLocalFile(clip)}));
    EXPECT_EQ(form->windowTitle(), opened);
    EXPECT_EQ(mm()->length(), 25);

    log.clear();
    ASSERT_TRUE(drop(mm()->videoWindow(), {QUrl::fromLocalFile(bad)}));
    ASSERT_EQ(runtime.errorLines.size(), 1u);
    EXPECT_EQ(log.entries.size(), 2u);  // the title read, then the box
    EXPECT_NE(log.entries.back().find("MsgBox(Run-time error '" + runtime.errorLines[0].substr(0, 5)), std::string::npos)
        << log.entries.back();
    EXPECT_EQ(form->windowTitle(), opened);  // an open that failed renames nothing
    EXPECT_TRUE(form->isVisible());

    form->openFile(clip);
    EXPECT_EQ(mm()->length(), 25);
    form->openFile(bad);
    EXPECT_EQ(runtime.errorLines.size(), 2u);

    form = std::make_unique<Form1>(runtime, new MMControlWidget({}, mci::makeNullAudioSink()));
    QString startedIn;
    QObject::connect(form->findChild<CommonDialog *>(), &CommonDialog::aboutToShow, form.get(),
                     [&](QFileDialog *dialog) {
                         startedIn = dialog->directory().absolutePath();
                         QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
                     });
    form->load();
    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    EXPECT_EQ(startedIn, QFileInfo(clip).absolutePath());
}

}  // namespace
