#include "playback/playback_handlers.h"

namespace {

const QString kTitle = QStringLiteral("Vidlark 1.0");
const QString kOpenFilter = QStringLiteral("AVI files (*.avi)|*.AVI|Tutti i file (*.*) |*.*");

// The zero end goes first and the length is read just before the other end is
// written: a length read earlier in the same handler is never reused.
void setForwardRange(MMControl &mm)
{
    mm.setFrom(0);
    mm.setTo(mm.length());
}

void setBackwardRange(MMControl &mm)
{
    mm.setTo(0);
    mm.setFrom(mm.length());
}

void copyPositionToSlider(MMControl &mm, Slider &slider)
{
    slider.setValue(mm.position());
}

}  // namespace

void PlaybackHandlers::Command1_Click()
{
    c.CommonDialog1.setFilter(kOpenFilter);
    c.CommonDialog1.setFilterIndex(1);
    // A cancelled dialog leaves the clip, the slider and the title as they were.
    if (!c.CommonDialog1.showOpen())
        return;
    c.MMControl1.setCommand(QStringLiteral("close"));
    // The dialog's name is read only once the old clip is closed.
    openClosed(c.CommonDialog1.fileName());
}

void PlaybackHandlers::openFile(const QString &fileName)
{
    c.MMControl1.setCommand(QStringLiteral("close"));
    openClosed(fileName);
}

void PlaybackHandlers::openClosed(const QString &fileName)
{
    c.MMControl1.setFileName(fileName);
    c.MMControl1.setSilent(c.Check2.value() == 0);
    if (c.Chkrev.value() == 0)
        setForwardRange(c.MMControl1);
    if (c.Chkrev.value() == 1)
        setBackwardRange(c.MMControl1);
    c.MMControl1.setCommand(QStringLiteral("open"));
    // "open" consumed the range above, which was built from the closed clip's length.
    // Set the backward range of the new clip at once, so that Play goes backwards as
    // the box says; nothing sent below is a command, so the range waits for the play.
    if (c.Chkrev.value() == 1)
        setBackwardRange(c.MMControl1);
    c.Slider1.setValue(0);
    c.MMControl1.setSilent(c.Check2.value() != 1);
    c.Slider1.setMin(0);
    c.Slider1.setMax(c.MMControl1.length());
    c.Label3.setCaption(QString::number(c.Slider1.max()));
    c.MMControl1.setFrames(1);
    c.Form1.setCaption(kTitle + QStringLiteral(" - ") + c.MMControl1.fileName());
}

void PlaybackHandlers::Check2_Click()
{
    c.MMControl1.setSilent(c.Check2.value() == 0);
}

void PlaybackHandlers::chkrev_Click()
{
    // The mode of the moment of the click decides whether to play again after the stop.
    const std::int32_t mode = c.MMControl1.mode();
    c.MMControl1.setCommand(QStringLiteral("stop"));
    if (c.Chkrev.value() == 0)
        setForwardRange(c.MMControl1);
    if (c.Chkrev.value() == 1)
        setBackwardRange(c.MMControl1);
    if (mode == mci_mode::kPlaying)
        c.MMControl1.setCommand(QStringLiteral("play"));
}

void PlaybackHandlers::chklooprev_Click()
{
    if (c.ChkLoopRev.value() == 1) {
        c.ChkLoop.setEnabled(false);
        c.Chkrev.setEnabled(false);
        c.ChkLoop.setValue(0);
        c.Chkrev.setValue(0);
    }
    if (c.ChkLoopRev.value() == 0) {
        c.ChkLoop.setEnabled(true);
        c.Chkrev.setEnabled(true);
    }
}

void PlaybackHandlers::MMControl1_Done(std::int16_t &NotifyCode)
{
    if (NotifyCode != 1)
        return;

    if (c.ChkLoop.value() == 1) {
        if (c.Chkrev.value() == 0) {
            c.MMControl1.setCommand(QStringLiteral("prev"));
            c.MMControl1.setCommand(QStringLiteral("play"));
        }
        if (c.Chkrev.value() == 1) {
            setBackwardRange(c.MMControl1);
            c.MMControl1.setCommand(QStringLiteral("play"));
        }
    }

    // Both operands are read before each test, and the second block sees what the
    // control reports after the first one's commands: both may fire in one event.
    {
        const std::int16_t loopRev = c.ChkLoopRev.value();
        const std::int32_t position = c.MMControl1.position();
        if (position == 0 && loopRev == 1) {
            setForwardRange(c.MMControl1);
            c.MMControl1.setCommand(QStringLiteral("play"));
        }
    }
    {
        const std::int16_t loopRev = c.ChkLoopRev.value();
        const std::int32_t position = c.MMControl1.position();
        const std::int32_t length = c.MMControl1.length();
        if (position == length && loopRev == 1) {
            setBackwardRange(c.MMControl1);
            c.MMControl1.setCommand(QStringLiteral("play"));
        }
    }
}

void PlaybackHandlers::MMControl1_StatusUpdate()
{
    if (c.MMControl1.mode() == mci_mode::kPlaying)
        copyPositionToSlider(c.MMControl1, c.Slider1);
}

// The four button completions move the slider whatever the mode and the error code.
void PlaybackHandlers::MMControl1_BackCompleted(std::int32_t &)
{
    copyPositionToSlider(c.MMControl1, c.Slider1);
}

void PlaybackHandlers::MMControl1_NextCompleted(std::int32_t &)
{
    copyPositionToSlider(c.MMControl1, c.Slider1);
}

void PlaybackHandlers::MMControl1_PrevCompleted(std::int32_t &)
{
    copyPositionToSlider(c.MMControl1, c.Slider1);
}

void PlaybackHandlers::MMControl1_StepCompleted(std::int32_t &)
{
    copyPositionToSlider(c.MMControl1, c.Slider1);
}

void PlaybackHandlers::Slider1_Click()
{
    c.MMControl1.setTo(c.Slider1.value());
    c.MMControl1.setCommand(QStringLiteral("seek"));
}

void PlaybackHandlers::MMControl1_GotFocus()
{
}
