#include "app/window_handlers.h"

#include "app/help_file_location.h"
#include "app/identity.h"
#include "app/number_text.h"
#include "platform/forms/runtime_error.h"

namespace {

constexpr int kCriticalStyle = 16;
constexpr int kWarningStyle = 48;
constexpr int kInformationStyle = 64;
constexpr int kNormalFocusWindow = 1;

QString startupErrorText(int number)
{
    switch (number) {
    case 30257: return QStringLiteral("ID di periferica non valido");
    case 30263: return QStringLiteral("Periferica chiusa o sconosciuta");
    case 30266: return QStringLiteral("Errore nel caricamento del driver della periferica multimediale");
    case 30274: return QStringLiteral("Operazione non prevista per questa periferica");
    default: return QStringLiteral("Unknown error (") + numberAsText(number) + QStringLiteral(")");
    }
}

}  // namespace

void WindowHandlers::Form_Load()
{
    c.MMControl1.setNotify(false);
    c.MMControl1.setWait(true);
    c.MMControl1.setShareable(false);
    c.MMControl1.setDeviceType(QStringLiteral("avivideo"));
    try {
        c.MMControl1.setCommand(QStringLiteral("open"));
        // Beside the program in its build folder; installed, it is in the data folder.
        if (c.App.appPath().endsWith(u'/'))
            c.App.setHelpFile(locateHelpFile(c.App.appPath() + QStringLiteral("vlrk10.hlp")));
        else
            c.App.setHelpFile(locateHelpFile(c.App.appPath() + QStringLiteral("/vlrk10.hlp")));
    } catch (const RuntimeError &error) {
        // Nothing is retried: the window closes before it was ever shown.
        c.App.logError(error.number(), startupErrorText(error.number()));
        c.App.msgBox(startupErrorText(error.number()), kCriticalStyle, c.App.title());
        c.Form1.unload();
    }
}

void WindowHandlers::Form_QueryUnload(std::int16_t &Cancel, std::int16_t &UnloadMode)
{
    // Closing is never refused, whatever closes the window.
    (void)Cancel;
    (void)UnloadMode;
}

void WindowHandlers::Form_Unload(std::int16_t &Cancel)
{
    (void)Cancel;
    c.MMControl1.setCommand(QStringLiteral("close"));
}

void WindowHandlers::Command2_Click()
{
    int number = 0;
    try {
        // Unquoted: the runtime hands everything after the blank to the viewer as is.
        const QString commandLine = QStringLiteral("winhelp ") + c.App.helpFile();
        c.App.shell(commandLine, kNormalFocusWindow);
    } catch (const RuntimeError &error) {
        number = error.number();
    }

    const QString title = QStringLiteral("Error");
    const auto show = [&](const QString &text) {
        c.App.logError(number, text);
        c.App.msgBox(text, kWarningStyle, title);
    };
    if (number == 53) {
        show(QStringLiteral("Winhelp not found"));
    } else if (number == 71) {
        show(QStringLiteral("Not ready disk"));
    } else if (number == 72) {
        show(QStringLiteral("Error reading from the disk"));
    } else if (number == 0) {
    } else {
        show(QStringLiteral("An error occurred - code:") + numberAsText(number) + QStringLiteral(" - Exiting"));
        c.Form1.unload();
    }
}

void WindowHandlers::Command3_Click()
{
    const QString text = QString::fromUtf8(identity::kTitle) + QStringLiteral("\r\r") + QString::fromUtf8(identity::kCredits);
    c.App.msgBox(text, kInformationStyle, QStringLiteral("About"));
}

void WindowHandlers::Command4_Click()
{
    c.Form1.unload();
}
