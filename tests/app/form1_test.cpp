#include "app/form1.h"
#include "app/identity.h"
#include "app/last_folder.h"
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
#include <QSettings>
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

QAccessibleInterface *accessible(QObject *object) { return QAccessible::queryAccessibleInterface(object); }

// The transport buttons as assistive technology reads them: "Name+" enabled, "Name-" not.
std::string transportSeen(QWidget *mm)
{
    std::string seen;
    for (int i = 0; i < accessible(mm)->childCount(); ++i) {
        QAccessibleInterface *button = accessible(mm)->child(i);
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

// Tab goes round from the multimedia control, which has the focus at start, with and
// without a clip (the video window, shown, takes the activation); the slider's keys
// move the clip.
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
        // Whole in its box, at the window's font; the credits are cut at the window's edge by design.
        if (widget->objectName() != "Label1") {
            EXPECT_LE(widget->fontMetrics().horizontalAdvance(QString::fromUtf8(row.text)), textRoom(widget));
        }
        QAccessibleInterface *iface = accessible(widget);
        EXPECT_TRUE(row.role == QAccessible::NoRole || iface->role() == row.role);
        EXPECT_EQ(iface->text(QAccessible::Name).toStdString(), row.text);
        EXPECT_EQ(std::make_pair(iface->state().checked, iface->state().focusable),
                  std::make_pair(quint64(row.checked), quint64(row.tab >= 0)));
        if (row.tab >= 0)
            tabOrder[row.tab] = row.name;
    }
    auto *slider = control<SliderWidget>("Slider1");
    const auto walkTabOrder = [&](Qt::Key sliderKey, int position) {
        EXPECT_EQ(QApplication::focusWidget(), mm());
        for (std::size_t step = 1; step <= tabOrder.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ASSERT_NE(QApplication::focusWidget(), nullptr);
            EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), tabOrder[step % tabOrder.size()]);
            if (QApplication::focusWidget() == slider) {
                QTest::keyClick(slider, sliderKey);
                EXPECT_EQ(std::make_pair(accessible(slider)->valueInterface()->currentValue().toInt(), mm()->position()),
                          std::make_pair(position, position));
            }
        }
    };
    form->load();
    showActive();
    walkTabOrder(Qt::Key_Home, 0);
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
    EXPECT_EQ(transportSeen(mm()), "Prev+ Next+ Play+ Pause- Back+ Step+ Stop- Record- Eject- ");
    EXPECT_EQ(accessible(mm()->videoWindow())->text(QAccessible::Name).toStdString(), "form1 red [*] 25 frames.avi");
    QCoreApplication::sendPostedEvents(mm()->videoWindow(), QEvent::MetaCall);
    showActive();
    mm()->setFocus(Qt::TabFocusReason);
    walkTabOrder(Qt::Key_End, 25);
}

// Enter and Esc click no button (a wrong click must not open a dialog); Space does.
TEST_F(Form1Test, EnterAndEscClickNoButton)
{
    showActive();
    int clicks = 0;
    for (auto *button : form->findChildren<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly)) {
        QObject::disconnect(button, nullptr, form.get(), nullptr);
        QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });
    }
    for (const auto &row : kControls)
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space})
            if (row.tab > 0) {
                control(row.name)->setFocus();
                QTest::keyClick(control(row.name), key);
                EXPECT_EQ(clicks, key == Qt::Key_Space && row.kind != std::string("SliderWidget")) << row.name << key;
                clicks = 0;
            }
    EXPECT_TRUE(form->isVisible());
}

// Every click goes through the runtime's error report; the handler's own writes to the
// boxes raise no Click.
TEST_F(Form1Test, ClicksReachTheirHandlersAndUntrappedErrorsAreReported)
{
    form->load();
    showActive();
    auto *loop = control<QCheckBox>("ChkLoop"), *reverse = control<QCheckBox>("Chkrev");
    loop->setChecked(true);
    reverse->setChecked(true);
    QSignalSpy reverseClicked(reverse, &QCheckBox::clicked);
    QTest::mouseClick(control("ChkLoopRev"), Qt::LeftButton);
    EXPECT_FALSE(loop->isEnabled() || reverse->isEnabled() || loop->isChecked() || reverse->isChecked());
    EXPECT_EQ(reverseClicked.count(), 0);

    log.clear();
    runtime.onMsgBox = [&] {
        if (log.entries.size() == 1)
            throw RuntimeError(7, "Out of memory");
    };
    QTest::mouseClick(control("Command3"), Qt::LeftButton);
    ASSERT_EQ(log.entries.size(), 3u);
    EXPECT_EQ(log.entries[2], errorBox(7, "Out of memory"));
    EXPECT_TRUE(form->isVisible());

    runtime.onShell = [] { throw RuntimeError(70, "Permission denied"); };
    QTest::mouseClick(control("Command2"), Qt::LeftButton);
    EXPECT_TRUE(form->isUnloaded());
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
    {
        // An earlier run's folder would hide a folder never remembered.
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, "vidlark", "vidlark");
        settings.clear();
    }

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

    EXPECT_EQ(last_folder::load(), QFileInfo(clip).absolutePath());  // as the next run reads it
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
