#include "app/help_file_location.h"

#include "app/install_layout.h"

#include <QDir>
#include <QFileInfo>

QString locateHelpFile(const QString &besideProgram)
{
    const QFileInfo beside(besideProgram);
    if (beside.isFile())
        return besideProgram;
    const QString installed = QDir::cleanPath(beside.absolutePath() + u'/' +
                                              QString::fromUtf8(install_layout::kDataFromProgram) + u'/' +
                                              beside.fileName());
    return QFileInfo(installed).isFile() ? installed : besideProgram;
}
