#include "platform/forms/program_starter.h"
#include "platform/forms/qt_forms_runtime.h"
#include "platform/forms/runtime_errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <csignal>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What argv_recorder reported: where it ran from and its argv.
struct Report {
    std::string exe;
    pid_t pid = 0;
    std::string inheritedFds;  // descriptors above 2, blank-separated
    std::vector<std::string> argv;
};

// The reading end of the FIFO the recorder writes into. Opened before the program
// starts, so whichever side comes first simply waits for the other.
class RecorderFifo {
public:
    explicit RecorderFifo(const QString &folder) : m_path((folder + "/argv.fifo").toStdString())
    {
        if (mkfifo(m_path.c_str(), 0600) != 0)
            throw std::runtime_error("mkfifo failed");
        m_fd = open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        setenv("VIDLARK_ARGV_FIFO", m_path.c_str(), 1);
    }
    ~RecorderFifo()
    {
        unsetenv("VIDLARK_ARGV_FIFO");
        if (m_fd >= 0)
            close(m_fd);
    }

    // Reads until the recorder closes its end. The poll limit only turns a recorder
    // that never came into a failure instead of a hung test.
    Report read()
    {
        std::string data;
        for (;;) {
            pollfd p{m_fd, POLLIN, 0};
            const int ready = poll(&p, 1, 60'000);
            if (ready == 0)
                throw std::runtime_error("the started program never reported");
            if (ready < 0 && errno == EINTR)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0)
                data.append(buffer, static_cast<std::size_t>(n));
            else if (n == 0)
                break;  // poll saw the recorder come, so this is its close
        }
        std::vector<std::string> fields;
        for (std::size_t start = 0, end; (end = data.find('\0', start)) != std::string::npos; start = end + 1)
            fields.push_back(data.substr(start, end - start));
        Report report;
        if (fields.size() < 3)
            return report;
        report.exe = fields[0].substr(4);
        report.pid = std::stoi(fields[1].substr(4));
        report.inheritedFds = fields[2].substr(4);
        report.argv.assign(fields.begin() + 3, fields.end());
        return report;
    }

private:
    std::string m_path;
    int m_fd = -1;
};

// Sets PATH for one test and puts it back.
class ScopedPath {
public:
    explicit ScopedPath(const QString &path) : m_old(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        setenv("PATH", path.toLocal8Bit().constData(), 1);
    }
    ~ScopedPath() { setenv("PATH", m_old.c_str(), 1); }

private:
    std::string m_old;
};

QString placeRecorder(const QString &folder, const QString &name)
{
    QDir().mkpath(folder);
    const QString target = folder + "/" + name;
    fs::copy_file(ARGV_RECORDER_PATH, target.toStdString(), fs::copy_options::overwrite_existing);
    return target;
}

void writeFile(const QString &path, const QByteArray &content, fs::perms perms)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    fs::permissions(path.toStdString(), perms);
}

int startErrorNumber(const ProgramStarter &starter, const QString &commandLine)
{
    try {
        starter.start(commandLine);
    } catch (const RuntimeError &error) {
        return error.number();
    }
    return 0;
}

class ProgramStarterTest : public ::testing::Test {
protected:
    QTemporaryDir m_temp;
    QString appFolder() const { return m_temp.path() + "/Video Player"; }
};

TEST_F(ProgramStarterTest, HandsTheWholeTailOverAsOneArgumentWithoutAShell)
{
    placeRecorder(appFolder(), "winhelp");
    RecorderFifo fifo(m_temp.path());
    const QString marker = m_temp.path() + "/shell-ran";
    const QString tail = m_temp.path() + "/My Help/it's \"quoted\"; $(touch " + marker + ") `touch " + marker
                         + "` & | > x/vlrk10.hlp";

    QtFormsRuntime runtime("Vidlark 1.0", appFolder());
    runtime.shell("winhelp " + tail, 1);
    const Report report = fifo.read();

    ASSERT_EQ(report.argv.size(), 2u);
    EXPECT_EQ(report.argv[0], "winhelp");
    EXPECT_EQ(report.argv[1], tail.toStdString());
    EXPECT_FALSE(QFile::exists(marker)) << "a shell interpreted the command line";
}

TEST_F(ProgramStarterTest, NothingAfterTheNameGivesNoArgument)
{
    placeRecorder(appFolder(), "winhelp");
    RecorderFifo fifo(m_temp.path());

    ProgramStarter(appFolder()).start("winhelp ");
    const Report report = fifo.read();

    EXPECT_EQ(report.argv, std::vector<std::string>{"winhelp"});
}

TEST_F(ProgramStarterTest, LooksInTheProgramsFolderBeforePath)
{
    const QString own = placeRecorder(appFolder(), "winhelp");
    const QString onPath = placeRecorder(m_temp.path() + "/bin", "winhelp");
    ScopedPath path(m_temp.path() + "/bin");
    RecorderFifo fifo(m_temp.path());

    ProgramStarter(appFolder()).start("winhelp x");

    EXPECT_EQ(fifo.read().exe, own.toStdString());
}

TEST_F(ProgramStarterTest, FindsTheProgramOnPathWhenNotInItsFolder)
{
    QDir().mkpath(appFolder());
    const QString onPath = placeRecorder(m_temp.path() + "/bin", "winhelp");
    ScopedPath path(m_temp.path() + "/nowhere:" + m_temp.path() + "/bin");
    RecorderFifo fifo(m_temp.path());

    ProgramStarter(appFolder()).start("winhelp x");

    EXPECT_EQ(fifo.read().exe, onPath.toStdString());
}

TEST_F(ProgramStarterTest, ReturnsWhileTheProgramRunsAndLeavesNoChildBehind)
{
    placeRecorder(appFolder(), "winhelp");
    RecorderFifo fifo(m_temp.path());
    // The recorder stays alive until this FIFO's writing end is closed.
    const std::string hold = (m_temp.path() + "/hold.fifo").toStdString();
    ASSERT_EQ(mkfifo(hold.c_str(), 0600), 0);
    const int holdFd = open(hold.c_str(), O_RDWR | O_CLOEXEC);
    setenv("VIDLARK_ARGV_HOLD", hold.c_str(), 1);

    ProgramStarter(appFolder()).start("winhelp x");
    unsetenv("VIDLARK_ARGV_HOLD");
    const Report report = fifo.read();

    EXPECT_EQ(kill(report.pid, 0), 0) << "start() returned only after the program ended";
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD) << "the program or its launcher is still our child";
    close(holdFd);
}

TEST_F(ProgramStarterTest, TheProgramGetsNoneOfOurOpenFiles)
{
    placeRecorder(appFolder(), "winhelp");
    RecorderFifo fifo(m_temp.path());
    const int leaky = open("/dev/null", O_RDONLY);  // deliberately not close-on-exec

    ProgramStarter(appFolder()).start("winhelp x");
    const Report report = fifo.read();
    close(leaky);

    EXPECT_EQ(report.inheritedFds, "");
}

TEST_F(ProgramStarterTest, MissingProgramIsFileNotFound)
{
    QDir().mkpath(appFolder());
    ScopedPath path(m_temp.path() + "/bin");
    EXPECT_EQ(startErrorNumber(ProgramStarter(appFolder()), "winhelp /x/vlrk10.hlp"), runtime_errors::kFileNotFound);
    EXPECT_EQ(startErrorNumber(ProgramStarter(appFolder()), m_temp.path() + "/none/winhelp"), runtime_errors::kFileNotFound);
}

TEST_F(ProgramStarterTest, ProgramWithoutExecutePermissionIsPermissionDenied)
{
    QDir().mkpath(appFolder());
    ScopedPath path(m_temp.path() + "/bin");
    writeFile(appFolder() + "/winhelp", "not a program", fs::perms::owner_read | fs::perms::owner_write);
    if (access((appFolder() + "/winhelp").toLocal8Bit().constData(), X_OK) == 0)
        GTEST_SKIP() << "running as a user that may execute anything";
    EXPECT_EQ(startErrorNumber(ProgramStarter(appFolder()), "winhelp x"), runtime_errors::kPermissionDenied);
}

TEST_F(ProgramStarterTest, ExecutableTextIsNotHandedToAShell)
{
    QDir().mkpath(appFolder());
    ScopedPath path(m_temp.path() + "/bin");
    const QString marker = m_temp.path() + "/script-ran";
    writeFile(appFolder() + "/winhelp", "touch '" + marker.toLocal8Bit() + "'\n", fs::perms::owner_all);

    EXPECT_EQ(startErrorNumber(ProgramStarter(appFolder()), "winhelp x"), runtime_errors::kInvalidCall);
    EXPECT_FALSE(QFile::exists(marker));
}

TEST_F(ProgramStarterTest, EmptyCommandLineIsAnInvalidCall)
{
    EXPECT_EQ(startErrorNumber(ProgramStarter(appFolder()), ""), runtime_errors::kInvalidCall);
    EXPECT_EQ(startErrorNumber(ProgramStarter(appFolder()), " vlrk10.hlp"), runtime_errors::kInvalidCall);
}

TEST(ProgramStartErrors, MapErrnoToTheRuntimesNumbers)
{
    struct Case {
        const char *name;
        int errorCode;
        int number;
    };
    const Case cases[] = {
        {"not found", ENOENT, 53},     {"folder in the path is a file", ENOTDIR, 53},
        {"permission", EACCES, 70},    {"not permitted", EPERM, 70},
        {"no medium", ENOMEDIUM, 71},  {"no device", ENODEV, 71},
        {"device busy", EBUSY, 71},    {"read error", EIO, 72},
        {"not a program", ENOEXEC, 5}, {"out of memory", ENOMEM, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const RuntimeError error = ProgramStarter::startError(c.errorCode, "winhelp");
        EXPECT_EQ(error.number(), c.number);
        EXPECT_TRUE(error.description().contains("winhelp"));
    }
}

TEST(QtFormsRuntimeShell, RejectsAnUnknownWindowStyle)
{
    QtFormsRuntime runtime("Vidlark 1.0", "/nonexistent");
    for (int style : {-1, 5, 7}) {
        SCOPED_TRACE(style);
        try {
            runtime.shell("winhelp x", style);
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError &error) {
            EXPECT_EQ(error.number(), runtime_errors::kInvalidCall);
        }
    }
}

}  // namespace
