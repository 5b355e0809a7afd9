#include "platform/forms/qt_forms_runtime.h"
#include "platform/forms/unhandled_error.h"
#include "tests/doubles/recording_runtime.h"

#include <gtest/gtest.h>

namespace {

// Each error a handler does not trap gets one critical box; the program goes on.
TEST(UnhandledError, IsReportedOnceInACriticalBox)
{
    CallLog log;
    RecordingRuntime runtime(log);
    EXPECT_FALSE(runHandler(runtime, [] { throw RuntimeError(-5, "Odd"); }));
    EXPECT_TRUE(runHandler(runtime, [] {}));
    EXPECT_FALSE(runHandler(runtime, [] { throw std::logic_error("broken"); }));
    EXPECT_EQ(log.entries, (std::vector<std::string>{
                               "App.Title -> Vidlark 1.0", "MsgBox(Run-time error '-5':\r\rOdd, 16, Vidlark 1.0)",
                               "App.Title -> Vidlark 1.0",
                               "MsgBox(Run-time error '51':\r\rInternal error: broken, 16, Vidlark 1.0)",
                           }));
    EXPECT_EQ(runtime.errorLines, (std::vector<std::string>{"-5 Odd", "51 Internal error: broken"}));
}

// Standard error gets one line per error, whatever a file name in the text holds.
TEST(QtFormsRuntime, ErrorLineIsOneLineOfNumberAndText)
{
    const std::tuple<int, const char *, const char *> cases[] = {
        {30296, "The file is not a playable AVI video.", "vidlark: error 30296: The file is not a playable AVI video."},
        {-5, "a\r\rb", "vidlark: error -5: a  b"},
        {53, "clip\n\x1b[2Jname\u2028.avi", "vidlark: error 53: clip  [2Jname .avi"},
    };
    for (const auto &[number, text, line] : cases)
        EXPECT_EQ(QtFormsRuntime::errorLine(number, QString::fromUtf8(text)).toStdString(), line);
}

}  // namespace
