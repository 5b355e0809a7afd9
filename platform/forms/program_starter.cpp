#include "platform/forms/program_starter.h"

#include "platform/forms/command_line.h"
#include "platform/forms/runtime_errors.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/syscall.h>
#include <string>
#include <system_error>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

std::vector<QByteArray> candidatePaths(const QByteArray &program, const QStringList &firstFolders)
{
    if (program.contains('/'))
        return {program};
    std::vector<QByteArray> paths;
    auto add = [&](QByteArray folder) {
        if (folder.isEmpty())
            return;  // an empty PATH entry would mean the current folder: never searched
        if (!folder.endsWith('/'))
            folder += '/';
        paths.push_back(folder + program);
    };
    for (const QString &folder : firstFolders)
        add(QFile::encodeName(folder));
    const char *path = std::getenv("PATH");
    for (const QByteArray &folder : QByteArray(path ? path : "/usr/local/bin:/usr/bin:/bin").split(':'))
        add(folder);
    return paths;
}

// Runs in the grandchild, after fork: only async-signal-safe calls from here on.
[[noreturn]] void execFirstFound(const std::vector<char *> &paths, char *const argv[], int reportFd)
{
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGCHLD, SIG_DFL);
    // The viewer gets none of our files, sockets or pipes; the report pipe is already
    // close-on-exec. Kernels without close_range simply keep the old behaviour.
    syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);

    int failure = ENOENT;
    bool denied = false;
    for (char *path : paths) {
        execve(path, argv, environ);
        const int error = errno;
        // As execvp: not there, look on; not allowed, remember and look on; else stop.
        if (error == EACCES) {
            denied = true;
        } else if (error != ENOENT && error != ENOTDIR) {
            failure = error;
            denied = false;
            break;
        }
    }
    if (denied)
        failure = EACCES;
    ssize_t ignored = write(reportFd, &failure, sizeof failure);
    (void)ignored;
    _exit(127);
}

}  // namespace

ProgramStarter::ProgramStarter(QStringList firstFolders) : m_firstFolders(std::move(firstFolders)) {}

RuntimeError ProgramStarter::startError(int errorCode, const QString &program)
{
    using namespace runtime_errors;
    const QString detail = QStringLiteral(": ") + program;
    switch (errorCode) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return RuntimeError(kFileNotFound, QStringLiteral("File not found") + detail);
    case EACCES:
    case EPERM:
    case ETXTBSY:
        return RuntimeError(kPermissionDenied, QStringLiteral("Permission denied") + detail);
    // A removable medium missing or a device that cannot answer yet.
    case ENOMEDIUM:
    case ENODEV:
    case ENXIO:
    case EBUSY:
        return RuntimeError(kDiskNotReady, QStringLiteral("Disk not ready") + detail);
    case EIO:
        return RuntimeError(kDiskReadError, QStringLiteral("Disk read error") + detail);
    default:
        return RuntimeError(kInvalidCall, QStringLiteral("Cannot start ") + program + QStringLiteral(": ")
                                              + QString::fromStdString(std::generic_category().message(errorCode)));
    }
}

void ProgramStarter::start(const QString &commandLine) const
{
    const CommandLine line = CommandLine::split(commandLine);
    if (line.program.isEmpty())
        throw RuntimeError(runtime_errors::kInvalidCall, QStringLiteral("Invalid procedure call or argument"));

    // Everything the children touch is built here: after fork they may not allocate.
    const QByteArray program = QFile::encodeName(line.program);
    const std::vector<QByteArray> paths = candidatePaths(program, m_firstFolders);
    std::vector<char *> pathPointers;
    for (const QByteArray &path : paths)
        pathPointers.push_back(const_cast<char *>(path.constData()));
    const QByteArray argument = line.argument ? QFile::encodeName(*line.argument) : QByteArray();
    std::vector<char *> argv{const_cast<char *>(program.constData())};
    if (line.argument)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; a successful exec closes
    // it unwritten.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        throw startError(errno, line.program);

    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        setsid();  // the program keeps running when we end or get a terminal's signal
        const pid_t grandchild = fork();
        if (grandchild == 0)
            execFirstFound(pathPointers, argv.data(), report[1]);
        if (grandchild < 0) {
            const int error = errno;
            ssize_t ignored = write(report[1], &error, sizeof error);
            (void)ignored;
        }
        _exit(0);
    }
    const int forkError = errno;
    close(report[1]);
    if (child < 0) {
        close(report[0]);
        throw startError(forkError, line.program);
    }

    // The middle child exits at once; reaping it here leaves no zombie behind.
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}

    int failure = 0;
    ssize_t n;
    while ((n = read(report[0], &failure, sizeof failure)) < 0 && errno == EINTR) {}
    close(report[0]);
    if (n == static_cast<ssize_t>(sizeof failure))
        throw startError(failure, line.program);
}
