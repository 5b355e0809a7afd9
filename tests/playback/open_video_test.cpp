#include "platform/forms/runtime_error.h"
#include "tests/playback/recording_form.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char *const kFilter = "CommonDialog1.Filter = AVI files (*.avi)|*.AVI|Tutti i file (*.*) |*.*";

// The old clip is 300 frames long; "close" leaves nothing open (length 0) and "open"
// brings in a clip of 12345 frames, so every logged length shows which clip it came from.
void scriptClipChange(RecordingForm &f)
{
    f.MMControl1.lengthValue = 300;
    f.MMControl1.onCommand = [&f](const QString &word) {
        if (word == "close")
            f.MMControl1.lengthValue = 0;
        if (word == "open")
            f.MMControl1.lengthValue = 12345;
    };
    f.CommonDialog1.fileNameField = "/clips/a b.avi";
}

struct OpenCase {
    const char *name;
    std::int16_t sound;
    std::int16_t reverse;
    Log expected;
};

class OpenSequence : public testing::TestWithParam<OpenCase> {};

TEST_P(OpenSequence, readsAndWritesInOrder)
{
    const OpenCase &row = GetParam();
    RecordingForm f;
    scriptClipChange(f);
    f.Check2.valueField = row.sound;
    f.Chkrev.valueField = row.reverse;

    f.handlers.Command1_Click();

    EXPECT_EQ(f.log.entries, row.expected);
}

const OpenCase kOpenCases[] = {
    {"soundForward", 1, 0,
     {kFilter, "CommonDialog1.FilterIndex = 1", "CommonDialog1.ShowOpen -> OK",
      "MMControl1.Command = close",
      "CommonDialog1.FileName -> /clips/a b.avi", "MMControl1.FileName = /clips/a b.avi",
      "Check2.Value -> 1", "MMControl1.Silent = False",
      "Chkrev.Value -> 0", "MMControl1.From = 0", "MMControl1.Length -> 0", "MMControl1.To = 0",
      "Chkrev.Value -> 0",
      "MMControl1.Command = open",
      "Chkrev.Value -> 0",
      "Slider1.Value = 0",
      "Check2.Value -> 1", "MMControl1.Silent = False",
      "Slider1.Min = 0", "MMControl1.Length -> 12345", "Slider1.Max = 12345",
      "Slider1.Max -> 12345", "Label3.Caption = 12345",
      "MMControl1.Frames = 1",
      "MMControl1.FileName -> /clips/a b.avi", "Form1.Caption = Vidlark 1.0 - /clips/a b.avi"}},
    {"silentForward", 0, 0,
     {kFilter, "CommonDialog1.FilterIndex = 1", "CommonDialog1.ShowOpen -> OK",
      "MMControl1.Command = close",
      "CommonDialog1.FileName -> /clips/a b.avi", "MMControl1.FileName = /clips/a b.avi",
      "Check2.Value -> 0", "MMControl1.Silent = True",
      "Chkrev.Value -> 0", "MMControl1.From = 0", "MMControl1.Length -> 0", "MMControl1.To = 0",
      "Chkrev.Value -> 0",
      "MMControl1.Command = open",
      "Chkrev.Value -> 0",
      "Slider1.Value = 0",
      "Check2.Value -> 0", "MMControl1.Silent = True",
      "Slider1.Min = 0", "MMControl1.Length -> 12345", "Slider1.Max = 12345",
      "Slider1.Max -> 12345", "Label3.Caption = 12345",
      "MMControl1.Frames = 1",
      "MMControl1.FileName -> /clips/a b.avi", "Form1.Caption = Vidlark 1.0 - /clips/a b.avi"}},
    // Reverse: the range written before "open" is consumed by it, so the new clip's
    // backward range follows the "open" at once.
    {"soundReverse", 1, 1,
     {kFilter, "CommonDialog1.FilterIndex = 1", "CommonDialog1.ShowOpen -> OK",
      "MMControl1.Command = close",
      "CommonDialog1.FileName -> /clips/a b.avi", "MMControl1.FileName = /clips/a b.avi",
      "Check2.Value -> 1", "MMControl1.Silent = False",
      "Chkrev.Value -> 1",
      "Chkrev.Value -> 1", "MMControl1.To = 0", "MMControl1.Length -> 0", "MMControl1.From = 0",
      "MMControl1.Command = open",
      "Chkrev.Value -> 1", "MMControl1.To = 0", "MMControl1.Length -> 12345", "MMControl1.From = 12345",
      "Slider1.Value = 0",
      "Check2.Value -> 1", "MMControl1.Silent = False",
      "Slider1.Min = 0", "MMControl1.Length -> 12345", "Slider1.Max = 12345",
      "Slider1.Max -> 12345", "Label3.Caption = 12345",
      "MMControl1.Frames = 1",
      "MMControl1.FileName -> /clips/a b.avi", "Form1.Caption = Vidlark 1.0 - /clips/a b.avi"}},
    {"silentReverse", 0, 1,
     {kFilter, "CommonDialog1.FilterIndex = 1", "CommonDialog1.ShowOpen -> OK",
      "MMControl1.Command = close",
      "CommonDialog1.FileName -> /clips/a b.avi", "MMControl1.FileName = /clips/a b.avi",
      "Check2.Value -> 0", "MMControl1.Silent = True",
      "Chkrev.Value -> 1",
      "Chkrev.Value -> 1", "MMControl1.To = 0", "MMControl1.Length -> 0", "MMControl1.From = 0",
      "MMControl1.Command = open",
      "Chkrev.Value -> 1", "MMControl1.To = 0", "MMControl1.Length -> 12345", "MMControl1.From = 12345",
      "Slider1.Value = 0",
      "Check2.Value -> 0", "MMControl1.Silent = True",
      "Slider1.Min = 0", "MMControl1.Length -> 12345", "Slider1.Max = 12345",
      "Slider1.Max -> 12345", "Label3.Caption = 12345",
      "MMControl1.Frames = 1",
      "MMControl1.FileName -> /clips/a b.avi", "Form1.Caption = Vidlark 1.0 - /clips/a b.avi"}},
};

INSTANTIATE_TEST_SUITE_P(SoundAndReverse, OpenSequence, testing::ValuesIn(kOpenCases),
                         [](const testing::TestParamInfo<OpenCase> &info) { return std::string(info.param.name); });

TEST(OpenVideo, cancelledDialogChangesNothing)
{
    RecordingForm f;
    scriptClipChange(f);
    f.CommonDialog1.accept = false;
    f.Slider1.maxField = 300;
    f.Slider1.valueField = 120;
    f.Label3.captionField = "300";
    f.Form1.captionField = "Vidlark 1.0 - /clips/old.avi";

    f.handlers.Command1_Click();

    EXPECT_EQ(f.log.entries, (Log{kFilter, "CommonDialog1.FilterIndex = 1", "CommonDialog1.ShowOpen -> Cancel"}));
    EXPECT_EQ(f.MMControl1.lengthValue, 300);  // no "close" reached the control
    EXPECT_EQ(f.Slider1.maxField, 300);
    EXPECT_EQ(f.Slider1.valueField, 120);
    EXPECT_EQ(f.Label3.captionField, "300");
    EXPECT_EQ(f.Form1.captionField, "Vidlark 1.0 - /clips/old.avi");
}

TEST(OpenVideo, failedOpenStopsBeforeTheSliderLabelAndTitle)
{
    RecordingForm f;
    scriptClipChange(f);
    f.MMControl1.onCommand = [](const QString &word) {
        if (word == "open")
            throw RuntimeError(30296, "not a playable AVI");
    };
    f.Slider1.maxField = 300;
    f.Slider1.valueField = 120;
    f.Label3.captionField = "300";
    f.Form1.captionField = "Vidlark 1.0 - /clips/old.avi";

    int number = 0;
    try {
        f.handlers.Command1_Click();
    } catch (const RuntimeError &e) {
        number = e.number();
    }

    EXPECT_EQ(number, 30296);
    ASSERT_FALSE(f.log.entries.empty());
    EXPECT_EQ(f.log.entries.back(), "MMControl1.Command = open");
    EXPECT_EQ(std::count(f.log.entries.begin(), f.log.entries.end(), "MMControl1.Command = close"), 1);
    EXPECT_EQ(f.Slider1.maxField, 300);
    EXPECT_EQ(f.Slider1.valueField, 120);
    EXPECT_EQ(f.Label3.captionField, "300");
    EXPECT_EQ(f.Form1.captionField, "Vidlark 1.0 - /clips/old.avi");
}

TEST(OpenVideo, titleNamesTheFileAsTheControlGivesItBack)
{
    RecordingForm f;
    scriptClipChange(f);
    f.CommonDialog1.fileNameField = "/clips/../clips/a.avi";
    f.MMControl1.onCommand = [&f](const QString &word) {
        if (word == "open")
            f.MMControl1.fileNameValue = "/clips/a.avi";
    };

    f.handlers.Command1_Click();

    EXPECT_EQ(f.Form1.captionField, "Vidlark 1.0 - /clips/a.avi");
}

}  // namespace
