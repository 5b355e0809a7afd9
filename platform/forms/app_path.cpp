#include "platform/forms/app_path.h"

#include <QFile>

#include <climits>
#include <unistd.h>

QString folderOfExecutable(const QString &executable)
{
    const qsizetype slash = executable.lastIndexOf(u'/');
    if (slash <= 0)
        return QStringLiteral("/");
    return executable.left(slash);
}

QString runningProgramFolder()
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || n == static_cast<ssize_t>(sizeof buffer)) {
        // Without /proc the current folder is the best guess left.
        char *cwd = getcwd(buffer, sizeof buffer);
        return cwd ? QFile::decodeName(cwd) : QStringLiteral("/");
    }
    QString exe = QFile::decodeName(QByteArray(buffer, n));
    // A program rebuilt while it runs still lives in the same folder.
    const QString deleted = QStringLiteral(" (deleted)");
    if (exe.endsWith(deleted))
        exe.chop(deleted.size());
    return folderOfExecutable(exe);
}
