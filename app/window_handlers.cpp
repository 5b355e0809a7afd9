#include "app/window_handlers.h"

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
        if (c.App.appPath().endsWith(u'/'))
            c.App.setHelpFile(c.App.appPath() + QStringLiteral("vlrk10.hlp"));
        else
            c.App.setHelpFile(c.App.appPath() + QStringLiteral("/vlrk10.hlp"));
    } catch (const RuntimeError &error) {
        // Nothing is retried: the window closes before it was ever shown.
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
    if (number == 53) {
        c.App.msgBox(QStringLiteral("Winhelp not found"), kWarningStyle, title);
    } else if (number == 71) {
        c.App.msgBox(QStringLiteral("Not ready disk"), kWarningStyle, title);
    } else if (number == 72) {
        c.App.msgBox(QStringLiteral("Error reading from the disk"), kWarningStyle, title);
    } else if (number == 0) {
    } else {
        c.App.msgBox(QStringLiteral("An error occurred - code:") + numberAsText(number) + QStringLiteral(" - Exiting"),
                     kWarningStyle, title);
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
