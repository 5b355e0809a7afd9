#include "app/form1.h"
#include "platform/controls/common_dialog.h"
#include "platform/controls/slider_widget.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "platform/mci/widget/video_window.h"
#include "tests/doubles/recording_runtime.h"
#include "tests/support/test_clips.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// The window as designed: pixels are the design's twips / 15; tab: the control's place
// in the tab order, -1 if it takes no focus.
const struct {
    const char *name;
    QRect geometry;
    int tab;
} kControls[] = {
    {"MMControl1", {168, 32, 184, 41}, 0}, {"Slider1", {8, 0, 441, 17}, 1}, {"Check2", {8, 32, 57, 17}, 2},
    {"ChkLoop", {8, 56, 57, 17}, 3}, {"Chkrev", {88, 32, 73, 17}, 4}, {"ChkLoopRev", {88, 56, 65, 17}, 5},
    {"Command1", {360, 32, 41, 17}, 6}, {"Command2", {360, 56, 41, 17}, 7}, {"Command3", {416, 32, 41, 17}, 8},
    {"Command4", {416, 56, 41, 17}, 9}, {"Label3", {408, 16, 41, 17}, -1}, {"Label2", {12, 16, 9, 17}, -1},
    {"Label1", {16, 88, 465, 17}, -1},
};

QString makeClip(const char *name)
{
    return QString::fromStdString(test_clips::make(name, {"-f", "lavfi", "-i", "color=c=red:s=160x120:r=25:d=1", "-c:v", "mpeg4"}));
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

// Tab goes round from the multimedia control, which has the focus at start, with and
// without a clip (the video window, shown, takes the activation); the slider's keys
// move the clip.
TEST_F(Form1Test, ControlsWhereDesignedAndWalkedByTabWithAndWithoutAClip)
{
    EXPECT_EQ(std::make_pair(form->minimumSize(), form->maximumSize()),
              std::make_pair(QSize(466, 101), QSize(466, 101)));
    EXPECT_EQ(form->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(), 13);
    for (const auto &row : kControls) {
        ASSERT_NE(control(row.name), nullptr) << row.name;
        EXPECT_EQ(control(row.name)->geometry(), row.geometry) << row.name;
    }
    constexpr std::size_t kStops = 10;  // the first rows, in tab order
    auto *slider = control<SliderWidget>("Slider1");
    const auto walkTabOrder = [&](Qt::Key sliderKey, int position) {
        EXPECT_EQ(QApplication::focusWidget(), mm());
        for (std::size_t step = 1; step <= kStops; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ASSERT_NE(QApplication::focusWidget(), nullptr);
            EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), kControls[step % kStops].name);
            if (QApplication::focusWidget() == slider) {
                QTest::keyClick(slider, sliderKey);
                EXPECT_EQ(std::make_pair(slider->value(), mm()->position()), std::make_pair(position, position));
            }
        }
    };
    form->load();
    showActive();
    walkTabOrder(Qt::Key_Home, 0);
    form->openFile(makeClip("form1 red [*] 25 frames.avi"));
    ASSERT_EQ(mm()->length(), 25);
    QCoreApplication::sendPostedEvents(mm()->videoWindow(), QEvent::MetaCall);
    showActive();
    mm()->setFocus(Qt::TabFocusReason);
    walkTabOrder(Qt::Key_End, 25);
}

// A file dropped on either window, or named on the command line, opens as "Open"
// opens it; a failure is reported and the window goes on. The next run's dialog starts
// in the folder of the last file that opened.
TEST_F(Form1Test, DroppedOrNamedFilesOpenAndTheNextRunsDialogStartsInTheLastFolder)
{
    const QString clip = makeClip("form1 dropped.avi");
    QTemporaryDir elsewhere;
    const QString bad = elsewhere.filePath("not a clip.avi");
    {
        QFile junk(bad);
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write("RIFF, but nothing more") > 0);
    }
    // An earlier run's folder would hide a folder never remembered.
    QSettings(QSettings::IniFormat, QSettings::UserScope, "vidlark", "vidlark").clear();

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
    ASSERT_TRUE(drop(form.get(), {QUrl::fromLocalFile(clip)}));
    EXPECT_EQ(form->windowTitle(), opened);
    EXPECT_EQ(mm()->length(), 25);

    ASSERT_TRUE(drop(mm()->videoWindow(), {QUrl::fromLocalFile(bad)}));
    EXPECT_EQ(runtime.errorLines.size(), 1u);
    EXPECT_EQ(form->windowTitle(), opened);  // an open that failed renames nothing
    EXPECT_TRUE(form->isVisible());

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
