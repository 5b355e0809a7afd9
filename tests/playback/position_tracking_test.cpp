#include "platform/forms/runtime_error.h"
#include "tests/playback/recording_form.h"

#include <gtest/gtest.h>

namespace {

TEST(PositionTracking, statusUpdateCopiesThePositionOnlyWhilePlaying)
{
    struct Row {
        std::int32_t mode;
        Log expected;
    };
    const Row rows[] = {
        {mci_mode::kPlaying, {"MMControl1.Mode -> 526", "MMControl1.Position -> 1234", "Slider1.Value = 1234"}},
        {mci_mode::kStopped, {"MMControl1.Mode -> 525"}},
        {mci_mode::kPaused, {"MMControl1.Mode -> 529"}},
        {mci_mode::kSeeking, {"MMControl1.Mode -> 528"}},
        {mci_mode::kNotOpen, {"MMControl1.Mode -> 524"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.mode);
        RecordingForm f;
        f.MMControl1.modeValue = row.mode;
        f.MMControl1.positionValue = 1234;
        f.Slider1.valueField = 7;
        f.handlers.MMControl1_StatusUpdate();
        EXPECT_EQ(f.log.entries, row.expected);
    }
}

// The four completions move the slider in any mode, whatever the error code says.
TEST(PositionTracking, buttonCompletionsCopyThePositionWhateverTheErrorCode)
{
    using Handler = void (PlaybackHandlers::*)(std::int32_t &);
    const struct {
        const char *name;
        Handler handler;
    } events[] = {
        {"BackCompleted", &PlaybackHandlers::MMControl1_BackCompleted},
        {"NextCompleted", &PlaybackHandlers::MMControl1_NextCompleted},
        {"PrevCompleted", &PlaybackHandlers::MMControl1_PrevCompleted},
        {"StepCompleted", &PlaybackHandlers::MMControl1_StepCompleted},
    };
    for (const auto &event : events) {
        for (std::int32_t errorCode : {0, 30282}) {
            SCOPED_TRACE(std::string(event.name) + " " + std::to_string(errorCode));
            RecordingForm f;
            f.MMControl1.modeValue = mci_mode::kPaused;
            f.MMControl1.positionValue = 77;
            std::int32_t code = errorCode;
            (f.handlers.*event.handler)(code);
            EXPECT_EQ(f.log.entries, (Log{"MMControl1.Position -> 77", "Slider1.Value = 77"}));
            EXPECT_EQ(code, errorCode);
        }
    }
}

TEST(PositionTracking, sliderClickSeeksToTheSliderValue)
{
    RecordingForm f;
    f.Slider1.valueField = 500;
    f.MMControl1.modeValue = mci_mode::kPlaying;

    f.handlers.Slider1_Click();

    EXPECT_EQ(f.log.entries, (Log{"Slider1.Value -> 500", "MMControl1.To = 500", "MMControl1.Command = seek"}));
    EXPECT_EQ(f.Slider1.valueField, 500);
}

TEST(PositionTracking, rejectedSeekLeavesTheHandlerAfterTheCommand)
{
    RecordingForm f;
    f.Slider1.valueField = 500;
    f.MMControl1.onCommand = [](const QString &) { throw RuntimeError(30282, "out of range"); };

    EXPECT_THROW(f.handlers.Slider1_Click(), RuntimeError);
    EXPECT_EQ(f.log.entries, (Log{"Slider1.Value -> 500", "MMControl1.To = 500", "MMControl1.Command = seek"}));
}

TEST(PositionTracking, gotFocusTouchesNothing)
{
    RecordingForm f;
    f.handlers.MMControl1_GotFocus();
    EXPECT_TRUE(f.log.entries.empty());
}

}  // namespace
