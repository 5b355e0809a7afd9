#include "app/form_unloader.h"
#include "app/window_handlers.h"
#include "platform/forms/runtime_error.h"
#include "tests/doubles/recording_controls.h"
#include "tests/doubles/recording_runtime.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// The window's handlers over recording doubles; Form1.unload() runs the real unload
// sequence, as the window does.
struct Window {
    Window() { Form1.onUnload = [this] { unloader.unload(FormUnloader::kFormCode); }; }

    void fail(const char *word, int number)
    {
        MMControl1.onCommand = [=](const QString &w) { if (w == QLatin1String(word)) throw RuntimeError(number, "device error"); };
    }

    CallLog log;
    RecordingRuntime App{log};
    RecordingMMControl MMControl1{log};
    RecordingFormWindow Form1{log};
    WindowHandlers handlers{WindowControls{App, MMControl1, Form1}};
    FormUnloader unloader{App, handlers};
};

const Log kLoadWrites = {"MMControl1.Notify = False", "MMControl1.Wait = True", "MMControl1.Shareable = False",
                         "MMControl1.DeviceType = avivideo", "MMControl1.Command = open"};
const Log kClose = {"Form1.Unload", "MMControl1.Command = close"};

// The trap shows the number's text, then unloads: "close" goes out, the help file is
// never set, and nothing is retried.
Log trapped(const char *text)
{
    return {"App.Title -> Vidlark 1.0", std::string("MsgBox(") + text + ", 16, Vidlark 1.0)", "Form1.Unload",
            "MMControl1.Command = close"};
}

TEST(WindowHandlers, LoadOpensTheDeviceAndSetsTheHelpFileOrReportsWhyNot)
{
    const struct {
        const char *appPath;
        std::optional<int> error;  // raised by "open"
        Log then;
        Log errorLines;  // on standard error
    } cases[] = {
        {"/", {}, {"App.Path -> /", "App.Path -> /", "App.HelpFile = /vlrk10.hlp"}, {}},
        {"/home/me/Video Player", {},
         {"App.Path -> /home/me/Video Player", "App.Path -> /home/me/Video Player",
          "App.HelpFile = /home/me/Video Player/vlrk10.hlp"}, {}},
        {"/", 30263, trapped("Periferica chiusa o sconosciuta"), {"30263 Periferica chiusa o sconosciuta"}},
        {"/", 30260, trapped("Unknown error ( 30260)"), {"30260 Unknown error ( 30260)"}},
        {"/", -5, trapped("Unknown error (-5)"), {"-5 Unknown error (-5)"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.then[1]);
        Window w;
        w.App.appPathValue = c.appPath;
        if (c.error) w.fail("open", *c.error);
        w.handlers.Form_Load();
        EXPECT_EQ(w.log.entries, (kLoadWrites + c.then));
        EXPECT_EQ(w.App.errorLines, c.errorLines);
    }
}

TEST(WindowHandlers, EveryWayOfClosingSendsCloseOnce)
{
    Window exit;
    exit.handlers.Command4_Click();
    exit.unloader.unload(FormUnloader::kFormControlMenu);
    exit.unloader.unload(FormUnloader::kAppWindows);
    EXPECT_EQ(exit.log.entries, kClose);

    Window closeBox;
    closeBox.unloader.unload(FormUnloader::kFormControlMenu);
    closeBox.handlers.Command4_Click();  // queued before the window went
    EXPECT_EQ(closeBox.log.entries, (Log{kClose[1], kClose[0]}));

    // A device that cannot close is reported and does not keep the window.
    Window failing;
    failing.fail("close", 30263);
    EXPECT_TRUE(failing.unloader.unload(FormUnloader::kFormControlMenu));
    EXPECT_TRUE(failing.unloader.unload(FormUnloader::kFormControlMenu));
    EXPECT_EQ(failing.log.entries, (Log{kClose[1], "App.Title -> Vidlark 1.0", "MsgBox(Run-time error '30263':\r\rdevice error, 16, Vidlark 1.0)"}));
}

TEST(WindowHandlers, HelpStartsTheViewerAndReportsWhyItCouldNot)
{
    const struct {
        int number;  // 0: the viewer started
        Log then;
        Log errorLines;  // on standard error
    } cases[] = {
        {0, {}, {}},
        {53, {"MsgBox(Winhelp not found, 48, Error)"}, {"53 Winhelp not found"}},
        {5, Log{"MsgBox(An error occurred - code: 5 - Exiting, 48, Error)"} + kClose,
         {"5 An error occurred - code: 5 - Exiting"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.number);
        Window w;
        w.App.helpFileValue = "/home/me/My Videos/vlrk10.hlp";
        w.App.onShell = [&] { if (c.number != 0) throw RuntimeError(c.number, "cannot start"); };
        w.handlers.Command2_Click();
        // Unquoted: the one blank after "winhelp" separates the path.
        EXPECT_EQ(w.log.entries, (Log{"App.HelpFile -> /home/me/My Videos/vlrk10.hlp",
                                      "Shell(winhelp /home/me/My Videos/vlrk10.hlp, 1)"} + c.then));
        EXPECT_EQ(w.App.errorLines, c.errorLines);
    }
}

}  // namespace
