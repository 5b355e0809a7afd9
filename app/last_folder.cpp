#include "app/last_folder.h"

#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace {

const QString kKey = QStringLiteral("OpenDialog/lastFolder");

std::unique_ptr<QSettings> userSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vidlark"),
                                       QStringLiteral("vidlark"));
}

}  // namespace

namespace last_folder {

QString load()
{
    const QString folder = userSettings()->value(kKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void save(const QString &folder)
{
    userSettings()->setValue(kKey, folder);  // written out as the settings object goes
}

}  // namespace last_folder
