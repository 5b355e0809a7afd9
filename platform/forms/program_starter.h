#pragma once

#include "platform/forms/runtime_error.h"

#include <QString>

// Starts a program from a command line without any shell. A name without '/' is looked
// for in the program's own folder first, then in each folder of PATH; a name with '/'
// is used as it is. start() returns once the program runs, without waiting for it; the
// program is not our child, so it leaves no zombie and outlives us.
class ProgramStarter {
public:
    explicit ProgramStarter(QString firstFolder);

    // Throws RuntimeError numbered as startError() says.
    void start(const QString &commandLine) const;

    // The runtime's error for a failed start with this errno.
    static RuntimeError startError(int errorCode, const QString &program);

private:
    QString m_firstFolder;
};
