#include "platform/forms/app_path.h"
#include "platform/forms/command_line.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char *name;
    const char *text;
    const char *program;
    const char *argument;  // nullptr: no argument at all
};

const SplitCase kSplitCases[] = {
    {"program and path", "winhelp /opt/vidlark/vlrk10.hlp", "winhelp", "/opt/vidlark/vlrk10.hlp"},
    {"blanks stay in the argument", "winhelp /home/me/My Videos/vlrk10.hlp", "winhelp", "/home/me/My Videos/vlrk10.hlp"},
    {"quotes and shell characters stay", "winhelp \"a b\";$(x) `y`", "winhelp", "\"a b\";$(x) `y`"},
    {"only the first blank separates", "winhelp  two", "winhelp", " two"},
    {"program alone", "winhelp", "winhelp", nullptr},
    {"nothing after the blank", "winhelp ", "winhelp", nullptr},
    {"empty line", "", "", nullptr},
};

TEST(CommandLine, SplitsAtTheFirstBlankOnly)
{
    for (const SplitCase &c : kSplitCases) {
        SCOPED_TRACE(c.name);
        const CommandLine line = CommandLine::split(QString::fromUtf8(c.text));
        EXPECT_EQ(line.program.toStdString(), c.program);
        ASSERT_EQ(line.argument.has_value(), c.argument != nullptr);
        if (c.argument) {
            EXPECT_EQ(line.argument->toStdString(), c.argument);
        }
    }
}

TEST(AppPath, IsTheProgramsFolderWithASlashOnlyAtTheRoot)
{
    EXPECT_EQ(folderOfExecutable("/vidlark").toStdString(), "/");
    EXPECT_EQ(folderOfExecutable("/opt/vidlark").toStdString(), "/opt");
    EXPECT_EQ(folderOfExecutable("/home/me/Video Player/bin/vidlark").toStdString(), "/home/me/Video Player/bin");
}

TEST(AppPath, OfThisProgramIsTheFolderItRunsFrom)
{
    // The build says where it put this test program.
    const QString bin = QDir(QStringLiteral(TEST_PROGRAM_DIR)).canonicalPath();
    EXPECT_EQ(runningProgramFolder().toStdString(), bin.toStdString());
}

}  // namespace
