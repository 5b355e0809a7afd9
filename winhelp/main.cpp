// winhelp: shows the help file named on its command line.
#include "winhelp/help_document.h"
#include "winhelp/help_viewer.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("winhelp"));

    HelpViewer viewer;
    viewer.display(HelpDocument::load(HelpDocument::pathFromArguments(QApplication::arguments())));
    viewer.show();
    return app.exec();
}
