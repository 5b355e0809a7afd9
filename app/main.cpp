#include "app/app_icon.h"
#include "app/form1.h"
#include "app/identity.h"
#include "app/install_layout.h"
#include "app/start_options.h"
#include "platform/forms/app_path.h"
#include "platform/forms/qt_forms_runtime.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QTimer>

#include <cstdio>

namespace {

void nameTheApplication()
{
    QCoreApplication::setApplicationName(QString::fromUtf8(identity::kTitle));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(identity::kVersion));
}

}  // namespace

int main(int argc, char *argv[])
{
    {
        // --help and --version answer before any window system is reached, so that
        // they work without a display.
        QCoreApplication early(argc, argv);
        nameTheApplication();
        const StartOptions asked = StartOptions::parse(QCoreApplication::arguments(), false);
        if (asked.action != StartOptions::Action::Run) {
            std::fputs(qPrintable(asked.text), stdout);
            return 0;
        }
    }

    QApplication app(argc, argv);
    nameTheApplication();
    const StartOptions options = StartOptions::parse(QApplication::arguments(), true);
    if (options.action == StartOptions::Action::Fail) {
        std::fprintf(stderr, "vidlark: %s\nTry 'vidlark --help'.\n", qPrintable(options.text));
        return 2;
    }
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

    // Installed, the help viewer is kept with the package's helpers, off the PATH.
    const QString programFolder = runningProgramFolder();
    const QString helpers =
        QDir::cleanPath(programFolder + u'/' + QString::fromUtf8(install_layout::kHelpersFromProgram));
    QtFormsRuntime runtime(QString::fromUtf8(identity::kTitle), programFolder, {helpers});
    Form1 form(runtime);
    QObject::connect(&form, &Form1::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    form.load();
    if (form.isUnloaded())
        return 0;  // a start-up error: the window is never shown
    form.show();
    // From the event loop, so that a failure's box and the video window find the window up.
    if (!options.file.isEmpty())
        QTimer::singleShot(0, &form, [&form, file = options.file] { form.openFile(file); });
    return app.exec();
}
