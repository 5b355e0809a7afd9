#pragma once

#include "platform/forms/runtime_error.h"

#include <QString>
#include <QStringList>

// Starts a program from a command line without any shell. A name without '/' is looked
// for in the program's own folders first (its folder, then where an installed program
// keeps its helpers), then in each folder of PATH; a name with '/' is used as it is. start() returns once the program runs, without waiting for it; the
// program is not our child, so it leaves no zombie and outlives us.
class ProgramStarter {
public:
    explicit ProgramStarter(QStringList firstFolders);

    // Throws RuntimeError numbered as startError() says.
    void start(const QString &commandLine) const;

    // The runtime's error for a failed start with this errno.
    static RuntimeError startError(int errorCode, const QString &program);

private:
    QStringList m_firstFolders;
};
