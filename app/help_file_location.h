#pragma once

#include <QString>

// The help file as the program finds it: `besideProgram` (App.Path and its name) when
// that file is there, as in the build folder; else the same name in the installed data
// folder reached from the program's folder (../share/vidlark beside ../bin), so that an
// installed tree can be moved whole. When neither is there, `besideProgram`, so that
// the viewer names the file it was looking for.
QString locateHelpFile(const QString &besideProgram);
