#include "platform/forms/qt_forms_runtime.h"
#include "platform/forms/unhandled_error.h"
#include "tests/doubles/recording_runtime.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(QtFormsRuntime, BoxStyleGivesItsIconAndOneOkAndCarriageReturnsBreakLines)
{
    const struct {
        int style;
        QMessageBox::Icon icon;
        const char *text, *shown;
    } cases[] = {
        {16, QMessageBox::Critical, "Run-time error '5':\r\rx", "Run-time error '5':\n\nx"},
        {48, QMessageBox::Warning, "Winhelp not found", "Winhelp not found"},
        // Markup in a text (a file name, say) stays text.
        {64, QMessageBox::Information, "Vidlark 1.0\r\r<b>credits</b>\r\nend", "Vidlark 1.0\n\n<b>credits</b>\nend"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.style);
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->windowTitle().toStdString(), "Error");
            EXPECT_EQ(box->text().toStdString(), c.shown);
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            ASSERT_EQ(box->buttons().size(), 1);
            EXPECT_EQ(box->standardButton(box->buttons()[0]), QMessageBox::Ok);
            box->buttons()[0]->click();
        });
        QtFormsRuntime("Vidlark 1.0", "/opt").msgBox(c.text, c.style, "Error");
        EXPECT_TRUE(seen);
    }
}

// Each error a handler does not trap gets one critical box; the program goes on.
TEST(UnhandledError, IsReportedOnceInACriticalBox)
{
    CallLog log;
    RecordingRuntime runtime(log);
    EXPECT_FALSE(runHandler(runtime, [] { throw RuntimeError(-5, "Odd"); }));
    EXPECT_TRUE(runHandler(runtime, [] {}));
    EXPECT_FALSE(runHandler(runtime, [] { throw std::logic_error("broken"); }));

    EXPECT_EQ(log.entries, (std::vector<std::string>{
                               "App.Title -> Vidlark 1.0",
                               "MsgBox(Run-time error '-5':\r\rOdd, 16, Vidlark 1.0)",
                               "App.Title -> Vidlark 1.0",
                               "MsgBox(Run-time error '51':\r\rInternal error: broken, 16, Vidlark 1.0)",
                           }));
    EXPECT_EQ(runtime.errorLines, (std::vector<std::string>{"-5 Odd", "51 Internal error: broken"}));
}

// Standard error gets one line per error, whatever a file name in the text holds.
TEST(QtFormsRuntime, ErrorLineIsOneLineOfNumberAndText)
{
    const struct {
        int number;
        const char *text, *line;
    } cases[] = {
        {30296, "The file is not a playable AVI video.", "vidlark: error 30296: The file is not a playable AVI video."},
        {-5, "a\r\rb", "vidlark: error -5: a  b"},
        {53, "clip\n\x1b[2Jname\u2028.avi", "vidlark: error 53: clip  [2Jname .avi"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(QtFormsRuntime::errorLine(c.number, QString::fromUtf8(c.text)).toStdString(), c.line);
}

}  // namespace
