#pragma once

#include "app/form1.h"
#include "platform/forms/qt_forms_runtime.h"
#include "platform/mci/audio_interfaces.h"
#include "tests/integration/message_box_answerer.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QLabel;

// The real player window over the real multimedia control and AVI device, shown
// offscreen, with a recorder on the control's events. Every box the program shows is
// answered with OK and kept.
//
// The recorder hears Done and StatusUpdate twice: before the window's own handler
// runs and after it, so that a test sees both what ended a play and what the handler
// did about it. Plays are told apart by segments: a new one starts at each open(),
// at each Done(1) and at each restart() a test makes.
class PlayerHarness {
public:
    struct Sample {  // one StatusUpdate
        int segment;
        int modeBefore;
        int positionBefore;  // just before the handler
        int mode;
        int position;  // just after it
        int slider;
        int shown;  // frame number of the picture in the video window, -1 none
        bool fresh;  // that picture came after the segment began
    };
    struct Ending {  // one Done
        int code;
        int modeBefore;
        int positionBefore;
        int shownBefore;
        int mode;  // after the handler
        int position;
    };

    explicit PlayerHarness(std::unique_ptr<mci::AudioSink> audio = nullptr);  // null: no sound device
    ~PlayerHarness();
    PlayerHarness(const PlayerHarness &) = delete;
    PlayerHarness &operator=(const PlayerHarness &) = delete;

    Form1 &form() const { return *m_form; }
    MMControlWidget &mm() const { return *m_mm; }
    SliderWidget &slider() const;
    QCheckBox &box(const char *name) const;
    QLabel &label(const char *name) const;
    int shownFrame() const;  // what the video window shows now, -1 nothing of ours
    const std::vector<MessageBoxAnswerer::Box> &boxes() const { return m_answerer.boxes(); }

    // "Open", choosing `path` in the dialog as a user would; returns when the handler has.
    void chooseInOpenDialog(const QString &path);
    // ... and checks that it was opened: stopped at frame 0 showing it, the slider over
    // 0..Length, Label3 with the length, the caption naming the file.
    void open(const QString &path, int expectedLength);
    void pressPlay();
    void click(const char *boxName);
    // Runs `action` (which must restart the play) and starts a new segment after it.
    // Until the new play's pictures arrive, the old play may still deliver pictures up to
    // one past where it stood: those are left out of the picture checks.
    void restart(const std::function<void()> &action);

    // Runs the event loop until `done` holds; false after a minute.
    static bool waitUntil(const std::function<bool()> &done);
    // Until `count` plays have ended with Done(1); false at once if the control
    // stopped for good before that.
    bool waitForCompletions(int count);

    const std::vector<Sample> &samples() const { return m_samples; }
    const std::vector<Ending> &endings() const { return m_endings; }
    std::vector<Ending> completions() const;  // the endings with code 1
    int segment() const { return m_segment; }

    // Called after the window's Done handler, for each Done(1).
    std::function<void(const Ending &)> onCompletion;

    // Checks one segment as a play in `direction` (+1 forward, -1 backward): positions
    // only move that way; each StatusUpdate during the play left the slider at a
    // position the control had then; the pictures shown are frames of the clip, move
    // the same way and are never ahead of the position by more than the one in flight.
    // Returns how many pictures it checked.
    int expectPlayed(int segment, int direction) const;

private:
    void beginSegment(int leftoverUpTo);

    struct Segment {
        qint64 staleKey;  // the picture shown when it began
        int leftoverUpTo;  // pictures of the old play reach at most this frame; -1 none
    };

    MessageBoxAnswerer m_answerer;
    QtFormsRuntime m_runtime;
    MMControlWidget *m_mm;  // owned by the form
    std::unique_ptr<Form1> m_form;
    std::vector<Sample> m_samples;
    std::vector<Ending> m_endings;
    std::vector<Segment> m_segments;
    int m_segment = 0;
    bool m_startedSinceEnding = false;  // the test started a play after the last Done
    Sample m_pendingSample{};
    Ending m_pendingEnding{};
};
