#include "app/app_icon.h"
#include "app/form1.h"
#include "app/identity.h"
#include "platform/forms/qt_forms_runtime.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(identity::kTitle));
    QApplication::setApplicationVersion(QString::fromUtf8(identity::kVersion));
    QApplication::setDesktopFileName(QString::fromUtf8(identity::kDesktopId));
    QApplication::setWindowIcon(appIcon());
    // The window is laid out in pixels for an 8-point dialog font, 11 pixels high; the
    // desktop's own family is kept at that size, and the window narrows it where a
    // caption would not fit.
    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);
    // The program ends with Form1, whatever other window (the video) is open.
    QApplication::setQuitOnLastWindowClosed(false);

    QtFormsRuntime runtime(QString::fromUtf8(identity::kTitle));
    Form1 form(runtime);
    QObject::connect(&form, &Form1::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    form.load();
    if (form.isUnloaded())
        return 0;  // a start-up error: the window is never shown
    form.show();
    return app.exec();
}
