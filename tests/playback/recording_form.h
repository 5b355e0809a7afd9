#pragma once

#include "playback/playback_handlers.h"
#include "tests/doubles/recording_controls.h"

#include <string>
#include <vector>

// Form1's playback controls as recording doubles, all logging into one CallLog, in the
// state the window starts in ("Sound" checked, the other boxes clear, slider 0..10).
struct RecordingForm {
    CallLog log;
    RecordingMMControl MMControl1{log};
    RecordingSlider Slider1{log};
    RecordingOpenFileDialog CommonDialog1{log};
    RecordingCheckBox Check2{log, "Check2", 1};
    RecordingCheckBox ChkLoop{log, "ChkLoop"};
    RecordingCheckBox Chkrev{log, "Chkrev"};
    RecordingCheckBox ChkLoopRev{log, "ChkLoopRev"};
    RecordingLabel Label3{log, "Label3"};
    RecordingFormWindow Form1{log};
    PlaybackHandlers handlers{{MMControl1, Slider1, CommonDialog1, Check2, ChkLoop, Chkrev, ChkLoopRev, Label3, Form1}};
};

using Log = std::vector<std::string>;
