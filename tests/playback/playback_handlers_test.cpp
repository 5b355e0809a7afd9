#include "playback/playback_handlers.h"
#include "tests/doubles/recording_controls.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using H = PlaybackHandlers;

std::string n(int value) { return std::to_string(value); }

// The play ranges: the zero end first, the length read just before the other end.
Log forward(int len) { return {"MMControl1.From = 0", "MMControl1.Length -> " + n(len), "MMControl1.To = " + n(len)}; }
Log backward(int len) { return {"MMControl1.To = 0", "MMControl1.Length -> " + n(len), "MMControl1.From = " + n(len)}; }
const std::string kPlay = "MMControl1.Command = play";

// What the controls report when the event comes.
struct State {
    std::int16_t sound = 1, loop = 0, reverse = 0, loopRev = 0;
    std::int32_t mode = mci_mode::kPlaying, length = 900;
    std::deque<std::int32_t> positions = {0};  // successive Position reads; the last one stays
    std::int32_t slider = 0;
    bool accept = true;  // the user's answer to the open dialog
};

// Form1's playback controls over one log. The control stops on "stop" and plays on
// "play", so a mode read after the handler's own "stop" shows; "close" leaves no clip
// and "open" brings one of 12345 frames, so every length read shows its moment.
struct RecordingForm {
    explicit RecordingForm(const State &s)
    {
        Check2.Value.value = s.sound, ChkLoop.Value.value = s.loop, Chkrev.Value.value = s.reverse;
        ChkLoopRev.Value.value = s.loopRev, Slider1.Value.value = s.slider;
        MMControl1.Mode.value = s.mode, MMControl1.Length.value = s.length, MMControl1.positions = s.positions;
        CommonDialog1.accept = s.accept, CommonDialog1.FileName.value = "/clips/a b.avi";
        MMControl1.onCommand = [this](const QString &word) {
            if (word == "stop" || word == "play") MMControl1.Mode.value = word == "stop" ? mci_mode::kStopped : mci_mode::kPlaying;
            if (word == "close" || word == "open") MMControl1.Length.value = word == "open" ? 12345 : 0;
        };
    }

    CallLog log;
    RecordingMMControl MMControl1{log};
    RecordingSlider Slider1{log};
    RecordingOpenFileDialog CommonDialog1{log};
    RecordingCheckBox Check2{log, "Check2"}, ChkLoop{log, "ChkLoop"}, Chkrev{log, "Chkrev"}, ChkLoopRev{log, "ChkLoopRev"};
    RecordingLabel Label3{log, "Label3"};
    RecordingFormWindow Form1{log};
    H handlers{{MMControl1, Slider1, CommonDialog1, Check2, ChkLoop, Chkrev, ChkLoopRev, Label3, Form1}};
};

struct Case {
    const char *name;
    std::function<void(H &)> run;  // a handler, or a call of one
    State state;
    Log expected;  // every read, write and command, in order
};

void openNamed(H &h) { h.openFile("/clips/a b.avi"); }  // from the command line or a drop
// The event's argument is never changed.
template <std::int16_t Code>
void done(H &h) { std::int16_t code = Code; h.MMControl1_Done(code); EXPECT_EQ(code, Code); }
template <void (H::*Handler)(std::int32_t &), std::int32_t Code>
void completed(H &h) { std::int32_t code = Code; (h.*Handler)(code); EXPECT_EQ(code, Code); }

void check(const Case &c)
{
    SCOPED_TRACE(c.name);
    RecordingForm form(c.state);
    c.run(form.handlers);
    EXPECT_EQ(form.log.entries, c.expected);
}

const Log kDialog = {"CommonDialog1.Filter = AVI files (*.avi)|*.AVI|Tutti i file (*.*) |*.*",
                     "CommonDialog1.FilterIndex = 1", "CommonDialog1.ShowOpen -> OK", "MMControl1.Command = close",
                     "CommonDialog1.FileName -> /clips/a b.avi", "MMControl1.FileName = /clips/a b.avi"};
const Log kSoundOn = {"Check2.Value -> 1", "MMControl1.Silent = False"};
const Log kSoundOff = {"Check2.Value -> 0", "MMControl1.Silent = True"};
const std::string kOpen = "MMControl1.Command = open";
// The range is built between "close" and "open"; "open" consumes it, so with Reverse
// the new clip's backward range follows at once.
const Log kForward = Log{"Chkrev.Value -> 0"} + forward(0) + "Chkrev.Value -> 0" + kOpen + "Chkrev.Value -> 0";
const Log kBackward = Log{"Chkrev.Value -> 1", "Chkrev.Value -> 1"} + backward(0) + kOpen + "Chkrev.Value -> 1"
                      + backward(12345);
const std::string kSliderAt0 = "Slider1.Value = 0";
const Log kSpan = {"Slider1.Min = 0", "MMControl1.Length -> 12345", "Slider1.Max = 12345", "Slider1.Max -> 12345",
                   "Label3.Caption = 12345", "MMControl1.Frames = 1", "MMControl1.FileName -> /clips/a b.avi",
                   "Form1.Caption = Vidlark 1.0 - /clips/a b.avi"};

TEST(PlaybackHandlers, OpenVideo)
{
    const Case cases[] = {
        {"sound, forward", &H::Command1_Click, {}, kDialog + kSoundOn + kForward + kSliderAt0 + kSoundOn + kSpan},
        {"silent, reverse", &H::Command1_Click, {.sound = 0, .reverse = 1},
         kDialog + kSoundOff + kBackward + kSliderAt0 + kSoundOff + kSpan},
        {"cancelled: nothing closed, opened or renamed", &H::Command1_Click, {.accept = false},
         {kDialog[0], kDialog[1], "CommonDialog1.ShowOpen -> Cancel"}},
        {"named, reverse: the steps after the dialog", openNamed, {.reverse = 1},
         Log{kDialog[3], kDialog[5]} + kSoundOn + kBackward + kSliderAt0 + kSoundOn + kSpan},
    };
    for (const Case &c : cases) check(c);
}

TEST(PlaybackHandlers, PlayOptions)
{
    const auto stopAt = [](int mode) { return Log{"MMControl1.Mode -> " + n(mode), "MMControl1.Command = stop"}; };
    const Case cases[] = {
        {"Sound checked", &H::Check2_Click, {}, kSoundOn},
        {"Sound cleared", &H::Check2_Click, {.sound = 0}, kSoundOff},
        {"Reverse checked while playing", &H::chkrev_Click, {.reverse = 1},
         stopAt(526) + "Chkrev.Value -> 1" + "Chkrev.Value -> 1" + backward(900) + kPlay},
        {"Reverse cleared while playing", &H::chkrev_Click, {},
         stopAt(526) + "Chkrev.Value -> 0" + forward(900) + "Chkrev.Value -> 0" + kPlay},
        {"Reverse checked while paused", &H::chkrev_Click, {.reverse = 1, .mode = mci_mode::kPaused},
         stopAt(529) + "Chkrev.Value -> 1" + "Chkrev.Value -> 1" + backward(900)},
        {"LoopRev checked: Loop and Reverse disabled, then cleared", &H::chklooprev_Click,
         {.loop = 1, .reverse = 1, .loopRev = 1},
         {"ChkLoopRev.Value -> 1", "ChkLoop.Enabled = False", "Chkrev.Enabled = False", "ChkLoop.Value = 0",
          "Chkrev.Value = 0", "ChkLoopRev.Value -> 1"}},
        {"LoopRev cleared: both enabled, left unchecked", &H::chklooprev_Click, {},
         {"ChkLoopRev.Value -> 0", "ChkLoopRev.Value -> 0", "ChkLoop.Enabled = True", "Chkrev.Enabled = True"}},
    };
    for (const Case &c : cases) check(c);
}

// What the end-of-play handler reads for LoopRev: the box and Position before the
// forward play, then the box, Position and Length before the backward one.
Log beforeForward(int loopRev, int position) { return {"ChkLoopRev.Value -> " + n(loopRev), "MMControl1.Position -> " + n(position)}; }
Log beforeBackward(int loopRev, int position, int length = 900) { return beforeForward(loopRev, position) + ("MMControl1.Length -> " + n(length)); }

TEST(PlaybackHandlers, EndOfPlay)
{
    const State all = {.loop = 1, .reverse = 1, .loopRev = 1};
    const Log loopOn = {"ChkLoop.Value -> 1"}, loopOff = {"ChkLoop.Value -> 0"};
    const Log prevPlay = {"MMControl1.Command = prev", kPlay};
    const Case cases[] = {
        {"code 0", done<0>, all, {}}, {"code 2", done<2>, all, {}}, {"code 4", done<4>, all, {}},
        {"code 8", done<8>, all, {}}, {"code -1", done<-1>, all, {}},
        {"nothing checked: Reverse is not read", done<1>, {.reverse = 1, .positions = {450}},
         loopOff + beforeForward(0, 450) + beforeBackward(0, 450)},
        {"Loop", done<1>, {.loop = 1, .positions = {900}},
         loopOn + "Chkrev.Value -> 0" + prevPlay + "Chkrev.Value -> 0" + beforeForward(0, 900)
             + beforeBackward(0, 900)},
        {"Loop and Reverse", done<1>, {.loop = 1, .reverse = 1},
         loopOn + "Chkrev.Value -> 1" + "Chkrev.Value -> 1" + backward(900) + kPlay + beforeForward(0, 0)
             + beforeBackward(0, 0)},
        {"Loop, Reverse neither 0 nor 1", done<1>, {.loop = 1, .reverse = 2, .positions = {450}},
         loopOn + "Chkrev.Value -> 2" + "Chkrev.Value -> 2" + beforeForward(0, 450) + beforeBackward(0, 450)},
        {"LoopRev at 0", done<1>, {.loopRev = 1},
         loopOff + beforeForward(1, 0) + forward(900) + kPlay + beforeBackward(1, 0)},
        {"LoopRev at 0, then the control reports the end", done<1>, {.loopRev = 1, .positions = {0, 900}},
         loopOff + beforeForward(1, 0) + forward(900) + kPlay + beforeBackward(1, 900) + backward(900) + kPlay},
        {"LoopRev at the end", done<1>, {.loopRev = 1, .positions = {900}},
         loopOff + beforeForward(1, 900) + beforeBackward(1, 900) + backward(900) + kPlay},
        {"LoopRev midway", done<1>, {.loopRev = 1, .positions = {450}},
         loopOff + beforeForward(1, 450) + beforeBackward(1, 450)},
        {"LoopRev on an empty clip plays twice", done<1>, {.loopRev = 1, .length = 0},
         loopOff + beforeForward(1, 0) + forward(0) + kPlay + beforeBackward(1, 0, 0) + backward(0) + kPlay},
        {"Loop and LoopRev: both, on fresh readings", done<1>, {.loop = 1, .loopRev = 1},
         loopOn + "Chkrev.Value -> 0" + prevPlay + "Chkrev.Value -> 0" + beforeForward(1, 0) + forward(900) + kPlay
             + beforeBackward(1, 0)},
    };
    for (const Case &c : cases) check(c);
}

TEST(PlaybackHandlers, TrackingAndSeeking)
{
    const State paused77 = {.mode = mci_mode::kPaused, .positions = {77}};
    const Log copied77 = {"MMControl1.Position -> 77", "Slider1.Value = 77"};
    const Case cases[] = {
        {"StatusUpdate playing", &H::MMControl1_StatusUpdate, {.positions = {1234}},
         {"MMControl1.Mode -> 526", "MMControl1.Position -> 1234", "Slider1.Value = 1234"}},
        {"StatusUpdate paused", &H::MMControl1_StatusUpdate, {.mode = mci_mode::kPaused}, {"MMControl1.Mode -> 529"}},
        {"Back, error 30282", completed<&H::MMControl1_BackCompleted, 30282>, paused77, copied77},
        {"Next, error 0", completed<&H::MMControl1_NextCompleted, 0>, paused77, copied77},
        {"Prev, error 5", completed<&H::MMControl1_PrevCompleted, 5>, paused77, copied77},
        {"Step, error -1", completed<&H::MMControl1_StepCompleted, -1>, paused77, copied77},
        {"slider click during a play", &H::Slider1_Click, {.slider = 500},
         {"Slider1.Value -> 500", "MMControl1.To = 500", "MMControl1.Command = seek"}},
    };
    for (const Case &c : cases) check(c);
}

}  // namespace
