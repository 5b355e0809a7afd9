#pragma once

#include <QString>

// App.Path: the folder holding `executable`, with no closing '/' except for the root.
QString folderOfExecutable(const QString &executable);

// The folder of the running program, read from /proc/self/exe.
QString runningProgramFolder();
