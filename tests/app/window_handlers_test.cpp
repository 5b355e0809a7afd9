#include "app/form_unloader.h"
#include "app/identity.h"
#include "app/number_text.h"
#include "app/window_handlers.h"
#include "platform/forms/runtime_error.h"
#include "tests/doubles/recording_controls.h"
#include "tests/doubles/recording_runtime.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// The window's handlers over recording doubles; Form1's unload runs the real unload
// sequence, as the window does.
class WindowHandlersTest : public ::testing::Test {
protected:
    WindowHandlersTest()
    {
        form.onUnload = [this] { unloader.unload(FormUnloader::kFormCode); };
    }

    // Makes the control fail `word` with `number`.
    void failCommand(const QString &word, int number)
    {
        mm.onCommand = [=](const QString &w) {
            if (w == word)
                throw RuntimeError(number, "device error");
        };
    }

    CallLog log;
    RecordingRuntime app{log};
    RecordingMMControl mm{log};
    RecordingFormWindow form{log};
    WindowHandlers handlers{WindowControls{app, mm, form}};
    FormUnloader unloader{app, handlers};
};

const Log kLoadWrites = {
    "MMControl1.Notify = False",
    "MMControl1.Wait = True",
    "MMControl1.Shareable = False",
    "MMControl1.DeviceType = avivideo",
    "MMControl1.Command = open",
};

Log operator+(Log a, const Log &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(WindowHandlersTest, LoadConfiguresOpensAndSetsTheHelpFile)
{
    app.appPathValue = "/home/me/Video Player/bin";
    handlers.Form_Load();

    const Log expected = kLoadWrites + Log{"App.Path -> /home/me/Video Player/bin",
                                           "App.Path -> /home/me/Video Player/bin",
                                           "App.HelpFile = /home/me/Video Player/bin/vlrk10.hlp"};
    EXPECT_EQ(log.entries, expected);
    EXPECT_FALSE(unloader.isUnloaded());
}

TEST_F(WindowHandlersTest, ProgramAtTheRootGetsOneSlashInTheHelpFile)
{
    app.appPathValue = "/";
    handlers.Form_Load();

    const Log expected = kLoadWrites + Log{"App.Path -> /", "App.Path -> /", "App.HelpFile = /vlrk10.hlp"};
    EXPECT_EQ(log.entries, expected);
}

TEST_F(WindowHandlersTest, StartUpErrorShowsItsMessageClosesOnceAndNeverSetsTheHelpFile)
{
    struct Case {
        int number;
        const char *text;
    };
    const Case cases[] = {
        {30257, "ID di periferica non valido"},
        {30263, "Periferica chiusa o sconosciuta"},
        {30266, "Errore nel caricamento del driver della periferica multimediale"},
        {30274, "Operazione non prevista per questa periferica"},
        {30260, "Unknown error ( 30260)"},
        {30258, "Unknown error ( 30258)"},
        {0, "Unknown error ( 0)"},
        {-5, "Unknown error (-5)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.number);
        CallLog caseLog;
        RecordingRuntime caseApp(caseLog);
        RecordingMMControl caseMm(caseLog);
        RecordingFormWindow caseForm(caseLog);
        WindowHandlers caseHandlers(WindowControls{caseApp, caseMm, caseForm});
        FormUnloader caseUnloader(caseApp, caseHandlers);
        caseForm.onUnload = [&] { caseUnloader.unload(FormUnloader::kFormCode); };
        caseMm.onCommand = [&](const QString &w) {
            if (w == "open")
                throw RuntimeError(c.number, "device error");
        };

        caseHandlers.Form_Load();
        // The user's close box, or anything else, cannot close it a second time.
        EXPECT_TRUE(caseUnloader.unload(FormUnloader::kFormControlMenu));

        const Log expected = kLoadWrites + Log{"App.Title -> Vidlark 1.0",
                                               RecordingRuntime::msgBoxEntry(c.text, 16, "Vidlark 1.0"),
                                               "Form1.Unload", "MMControl1.Command = close"};
        EXPECT_EQ(caseLog.entries, expected);
        EXPECT_TRUE(caseUnloader.isUnloaded());
    }
}

TEST_F(WindowHandlersTest, ExitSendsCloseExactlyOnce)
{
    handlers.Command4_Click();
    EXPECT_TRUE(unloader.unload(FormUnloader::kFormControlMenu));
    EXPECT_TRUE(unloader.unload(FormUnloader::kAppWindows));

    EXPECT_EQ(log.entries, (Log{"Form1.Unload", "MMControl1.Command = close"}));
}

TEST_F(WindowHandlersTest, CloseBoxSendsCloseExactlyOnce)
{
    EXPECT_TRUE(unloader.unload(FormUnloader::kFormControlMenu));
    handlers.Command4_Click();  // a click queued before the window went

    EXPECT_EQ(log.entries, (Log{"MMControl1.Command = close", "Form1.Unload"}));
}

TEST_F(WindowHandlersTest, CloseThatFailsIsReportedAndTheWindowStillGoes)
{
    failCommand("close", 30263);
    EXPECT_TRUE(unloader.unload(FormUnloader::kFormControlMenu));
    EXPECT_TRUE(unloader.unload(FormUnloader::kFormControlMenu));

    EXPECT_EQ(log.entries, (Log{
                               "MMControl1.Command = close",
                               "App.Title -> Vidlark 1.0",
                               RecordingRuntime::msgBoxEntry("Run-time error '30263':\r\rdevice error", 16, "Vidlark 1.0"),
                           }));
}

TEST_F(WindowHandlersTest, HelpStartsTheViewerOnTheUnquotedHelpFile)
{
    app.helpFileValue = "/home/me/My Videos/vlrk10.hlp";
    handlers.Command2_Click();

    EXPECT_EQ(log.entries, (Log{
                               "App.HelpFile -> /home/me/My Videos/vlrk10.hlp",
                               "Shell(winhelp /home/me/My Videos/vlrk10.hlp, 1)",
                           }));
}

TEST_F(WindowHandlersTest, HelpErrorsGetTheirMessageAndOnlyUnexpectedOnesClose)
{
    struct Case {
        std::optional<int> number;  // none: the viewer started
        const char *text;  // nullptr: no box
        bool closes;
    };
    const Case cases[] = {
        {53, "Winhelp not found", false},
        {71, "Not ready disk", false},
        {72, "Error reading from the disk", false},
        {std::nullopt, nullptr, false},
        {0, nullptr, false},
        {5, "An error occurred - code: 5 - Exiting", true},
        {70, "An error occurred - code: 70 - Exiting", true},
        {-5, "An error occurred - code:-5 - Exiting", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.number.value_or(-1000));
        CallLog caseLog;
        RecordingRuntime caseApp(caseLog);
        RecordingMMControl caseMm(caseLog);
        RecordingFormWindow caseForm(caseLog);
        WindowHandlers caseHandlers(WindowControls{caseApp, caseMm, caseForm});
        FormUnloader caseUnloader(caseApp, caseHandlers);
        caseForm.onUnload = [&] { caseUnloader.unload(FormUnloader::kFormCode); };
        caseApp.helpFileValue = "/opt/vidlark/vlrk10.hlp";
        caseApp.onShell = [&](const QString &) {
            if (c.number)
                throw RuntimeError(*c.number, "cannot start");
        };

        caseHandlers.Command2_Click();

        Log expected{"App.HelpFile -> /opt/vidlark/vlrk10.hlp", "Shell(winhelp /opt/vidlark/vlrk10.hlp, 1)"};
        if (c.text)
            expected.push_back(RecordingRuntime::msgBoxEntry(c.text, 48, "Error"));
        if (c.closes)
            expected = expected + Log{"Form1.Unload", "MMControl1.Command = close"};
        EXPECT_EQ(caseLog.entries, expected);
        EXPECT_EQ(caseUnloader.isUnloaded(), c.closes);
    }
}

TEST_F(WindowHandlersTest, AboutShowsNameEmptyLineAndCredits)
{
    handlers.Command3_Click();

    const std::string credits = identity::kCredits;
    EXPECT_EQ(log.entries, (Log{RecordingRuntime::msgBoxEntry(
                               QString::fromStdString("Vidlark 1.0\r\r" + credits), 64, "About")}));
    // One line of its own: no break of any kind inside the credits.
    EXPECT_FALSE(credits.empty());
    EXPECT_EQ(credits.find_first_of("\r\n"), std::string::npos);
}

TEST(NumberAsText, LeadingBlankOrMinus)
{
    EXPECT_EQ(numberAsText(0).toStdString(), " 0");
    EXPECT_EQ(numberAsText(5).toStdString(), " 5");
    EXPECT_EQ(numberAsText(30260).toStdString(), " 30260");
    EXPECT_EQ(numberAsText(-5).toStdString(), "-5");
    EXPECT_EQ(numberAsText(INT32_MIN).toStdString(), "-2147483648");
}

}  // namespace
