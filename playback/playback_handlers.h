#pragma once

#include "playback/form_controls.h"
#include "playback/mm_control.h"

#include <cstdint>

// The controls the playback handlers reach, by the names the window gives them.
struct PlaybackControls {
    MMControl &MMControl1;
    Slider &Slider1;
    OpenFileDialog &CommonDialog1;
    CheckBox &Check2;  // "Sound"
    CheckBox &ChkLoop;
    CheckBox &Chkrev;  // "Reverse"
    CheckBox &ChkLoopRev;
    Label &Label3;
    FormWindow &Form1;
};

// Form1's handlers that drive playback: opening, play options, end of play, position
// tracking and seeking. They keep no state: every value is read from the controls when
// it is needed. They trap nothing: a RuntimeError from a control leaves the handler at
// that step and goes to the caller.
class PlaybackHandlers {
public:
    explicit PlaybackHandlers(PlaybackControls controls) : c(controls) {}

    void Command1_Click();
    // What "Open" does once its dialog has closed, with `fileName` in place of the
    // dialog's: a file named on the command line or dropped on a window opens so.
    void openFile(const QString &fileName);
    void Check2_Click();
    void chkrev_Click();
    void chklooprev_Click();
    void MMControl1_Done(std::int16_t &NotifyCode);
    void MMControl1_StatusUpdate();
    void MMControl1_BackCompleted(std::int32_t &Errorcode);
    void MMControl1_NextCompleted(std::int32_t &Errorcode);
    void MMControl1_PrevCompleted(std::int32_t &Errorcode);
    void MMControl1_StepCompleted(std::int32_t &Errorcode);
    void Slider1_Click();
    void MMControl1_GotFocus();

private:
    void openClosed(const QString &fileName);  // "Open" from the file name on

    PlaybackControls c;
};
