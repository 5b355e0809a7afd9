#include "platform/forms/program_starter.h"
#include "platform/forms/qt_forms_runtime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// What argv_recorder reported; all empty when it never ran.
struct Report {
    int error = 0;  // the runtime's number for a failed start
    std::string inheritedFds;
    std::vector<std::string> argv;
};

// Programs start from a folder with a blank in its name, PATH holding folders of ours.
class ProgramStart : public ::testing::Test {
protected:
    void SetUp() override { setenv("PATH", (m_temp.path() + "/none:" + bin()).toLocal8Bit().constData(), 1); }
    void TearDown() override { setenv("PATH", m_path.c_str(), 1); }

    QString folder() const { return m_temp.path() + "/Video Player"; }
    QString bin() const { return m_temp.path() + "/bin"; }
    void placeRecorder() const
    {
        QDir().mkpath(folder());
        fs::copy_file(ARGV_RECORDER_PATH, (folder() + "/winhelp").toStdString(), fs::copy_options::overwrite_existing);
    }

    // Starts the command line with the program's stdout and stdin on pipes of ours and
    // reads its report. The program then waits for its stdin to end: it must still run,
    // and not as our child. Our saved stdout and stdin are inheritable: it must not get them.
    Report start(const QString &commandLine) const
    {
        int out[2], in[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC) | pipe2(in, O_CLOEXEC), 0);
        std::fflush(nullptr);
        const int savedOut = dup(1), savedIn = dup(0);
        dup2(out[1], 1);
        dup2(in[0], 0);
        Report report;
        try {
            QtFormsRuntime("Vidlark 1.0", folder()).shell(commandLine, 1);
        } catch (const RuntimeError &error) {
            report.error = error.number();
        }
        dup2(savedOut, 1);
        dup2(savedIn, 0);
        for (int fd : {savedOut, savedIn, out[1], in[0]}) close(fd);
        std::string data;
        char buffer[4096];
        for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) data.append(buffer, static_cast<std::size_t>(n));
        close(out[0]);
        std::vector<std::string> fields;
        for (std::size_t begin = 0, end; (end = data.find('\0', begin)) != std::string::npos; begin = end + 1)
            fields.push_back(data.substr(begin, end - begin));
        if (fields.size() >= 2) {
            report.inheritedFds = fields[1];
            report.argv.assign(fields.begin() + 2, fields.end());
            EXPECT_EQ(kill(std::stoi(fields[0]), 0), 0) << "start() returned only after the program ended";
            errno = 0;
            EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
            EXPECT_EQ(errno, ECHILD) << "the program or its launcher is still our child";
        }
        close(in[1]);
        return report;
    }

    QTemporaryDir m_temp;
    std::string m_path = std::getenv("PATH") ? std::getenv("PATH") : "";
};

// Everything after the first blank is one argument, and no shell reads it.
TEST_F(ProgramStart, HandsEverythingAfterTheFirstBlankOverAsOneArgumentWithoutAShell)
{
    placeRecorder();
    const QString marker = m_temp.path() + "/shell-ran";
    const QString hostile = m_temp.path() + "/My Help/it's \"quoted\"; $(touch " + marker + ") `touch " + marker
                            + "` & | > x/vlrk10.hlp";
    const std::pair<QString, std::vector<std::string>> cases[] = {
        {"winhelp " + hostile, {"winhelp", hostile.toStdString()}}, {"winhelp  two", {"winhelp", " two"}}, {"winhelp ", {"winhelp"}}};
    for (const auto &[line, argv] : cases) {
        const Report report = start(line);
        EXPECT_EQ(std::make_pair(report.argv, report.inheritedFds), std::make_pair(argv, std::string())) << line.toStdString();
    }
    EXPECT_FALSE(QFile::exists(marker)) << "a shell interpreted the command line";
}

TEST_F(ProgramStart, FailuresGetTheRuntimesNumbers)
{
    QDir().mkpath(folder());
    const std::string program = (folder() + "/winhelp").toStdString();
    const QString marker = m_temp.path() + "/script-ran";
    const struct {
        std::string content;  // empty: no program file
        fs::perms perms;
        QString line;
        int number;
    } cases[] = {
        {{}, {}, "winhelp /x/vlrk10.hlp", 53},
        {{}, {}, m_temp.path() + "/none/winhelp", 53},
        {"x", fs::perms::owner_read | fs::perms::owner_write, "winhelp x", 70},
        // Text with no #! is not handed to a shell, as execvp would.
        {"touch '" + marker.toStdString() + "'\n", fs::perms::owner_all, "winhelp x", 5},
        {{}, {}, " vlrk10.hlp", 5},
    };
    for (const auto &c : cases) {
        fs::remove(program);
        if (!c.content.empty()) {
            std::ofstream(program) << c.content;
            fs::permissions(program, c.perms);
        }
        EXPECT_EQ(start(c.line).error, c.number) << c.line.toStdString() << " " << c.content;
    }
    EXPECT_FALSE(QFile::exists(marker));
}

}  // namespace
