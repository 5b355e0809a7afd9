#include "winhelp/help_document.h"
#include "winhelp/help_viewer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

TEST(HelpViewer, MissingFileShowsAMessageNamingIt)
{
    HelpViewer viewer;
    viewer.display(HelpDocument::load("/nonexistent/My Videos/vlrk10.hlp"));

    EXPECT_FALSE(viewer.document().loaded);
    EXPECT_TRUE(viewer.shownText().contains("could not be opened"));
    EXPECT_TRUE(viewer.shownText().contains("/nonexistent/My Videos/vlrk10.hlp"));
    EXPECT_TRUE(viewer.shownText().contains("There is no such file."));
    EXPECT_EQ(viewer.windowTitle().toStdString(), "Help - vlrk10.hlp");
}

TEST(HelpViewer, NoFileOrAFolderOrAnUnreadableFileIsAMessageToo)
{
    QTemporaryDir temp;
    const QString unreadable = temp.path() + "/locked.hlp";
    writeFile(unreadable, "<html><body>secret</body></html>");
    QFile::setPermissions(unreadable, QFileDevice::Permissions());

    struct Case {
        const char *name;
        QString path;
        const char *says;
    };
    const Case cases[] = {
        {"no argument", QString(), "No help file was named"},
        {"a folder", temp.path(), "It is not a file."},
        {"a device", "/dev/zero", "It is not a file."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HelpViewer viewer;
        viewer.display(HelpDocument::load(c.path));
        EXPECT_FALSE(viewer.document().loaded);
        EXPECT_TRUE(viewer.shownText().contains(c.says)) << viewer.shownText().toStdString();
    }

    QFile probe(unreadable);
    if (probe.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running as a user who reads any file";
    HelpViewer viewer;
    viewer.display(HelpDocument::load(unreadable));
    EXPECT_FALSE(viewer.document().loaded);
    EXPECT_FALSE(viewer.shownText().contains("secret"));
}

TEST(HelpViewer, PathWithBlanksOpensWithItsTitle)
{
    QTemporaryDir temp;
    QDir(temp.path()).mkpath("My Videos/Vidlark 1.0");
    const QString path = temp.path() + "/My Videos/Vidlark 1.0/vlrk10.hlp";
    writeFile(path, "<html><head><title>Player &amp; Help</title></head><body><h1>Using it</h1>"
                    "<p>Press <b>Play</b>.</p></body></html>");

    HelpViewer viewer;
    viewer.display(HelpDocument::load(path));

    EXPECT_TRUE(viewer.document().loaded);
    EXPECT_EQ(viewer.windowTitle().toStdString(), "Player & Help");
    EXPECT_TRUE(viewer.shownText().contains("Press Play."));
}

TEST(HelpViewer, PlainTextIsShownAsText)
{
    QTemporaryDir temp;
    const QString path = temp.path() + "/notes.hlp";
    writeFile(path, "a < b and c > d\nsecond line");

    HelpViewer viewer;
    viewer.display(HelpDocument::load(path));

    EXPECT_TRUE(viewer.document().loaded);
    EXPECT_EQ(viewer.windowTitle().toStdString(), "Help - notes.hlp");
    EXPECT_TRUE(viewer.shownText().contains("a < b and c > d\nsecond line")) << viewer.shownText().toStdString();
}

TEST(HelpDocument, TheOneArgumentIsThePathAndASplitPathIsJoinedAgain)
{
    EXPECT_EQ(HelpDocument::pathFromArguments({"winhelp", "/opt/My Videos/vlrk10.hlp"}).toStdString(),
              "/opt/My Videos/vlrk10.hlp");
    EXPECT_EQ(HelpDocument::pathFromArguments({"winhelp", "/opt/My", "Videos/vlrk10.hlp"}).toStdString(),
              "/opt/My Videos/vlrk10.hlp");
    EXPECT_EQ(HelpDocument::pathFromArguments({"winhelp"}).toStdString(), "");
}

// The player's own help file: it opens and explains every control of the window.
TEST(PlayerHelp, CoversEveryControlAndTransportButton)
{
    const QString path = qEnvironmentVariable("VIDLARK_BIN_DIR") + "/vlrk10.hlp";
    HelpViewer viewer;
    viewer.display(HelpDocument::load(path));

    ASSERT_TRUE(viewer.document().loaded) << path.toStdString();
    EXPECT_EQ(viewer.windowTitle().toStdString(), "Vidlark 1.0 Help");
    const QString text = viewer.shownText();
    for (const char *word : {"Open", "Help!", "About", "Exit", "Sound", "Loop", "Reverse", "LoopRev", "slider",
                             "Prev", "Next", "Play", "Pause", "Back", "Step", "Stop", "Record", "Eject"}) {
        SCOPED_TRACE(word);
        EXPECT_TRUE(text.contains(QString::fromUtf8(word)));
    }
}

}  // namespace
