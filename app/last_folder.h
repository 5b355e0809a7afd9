#pragma once

#include <QString>

// The folder of the last clip opened, kept across runs in the user's settings
// ($XDG_CONFIG_HOME/vidlark/vidlark.ini, else ~/.config), where the open-file dialog
// starts. A folder that has gone since reads as none.
namespace last_folder {
QString load();
void save(const QString &folder);
}  // namespace last_folder
