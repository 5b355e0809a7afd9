#include "winhelp/help_document.h"
#include "winhelp/help_viewer.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(HelpViewer, WhatCannotBeOpenedIsAMessageNamingIt)
{
    QTemporaryDir temp;
    const QString missing = "/nonexistent/My Videos/vlrk10.hlp";
    const struct {
        QString path;
        QStringList says;
    } cases[] = {
        {missing, {"could not be opened", missing, "There is no such file."}},
        {QString(), {"No help file was named"}},
        {temp.path(), {"It is not a file."}},
        {"/dev/zero", {"It is not a file."}},  // read to its end, it would never end
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        HelpViewer viewer;
        viewer.display(HelpDocument::load(c.path));
        EXPECT_FALSE(viewer.document().loaded);
        for (const QString &text : c.says)
            EXPECT_TRUE(viewer.shownText().contains(text)) << viewer.shownText().toStdString();
    }
}

// A path with blanks, as one argument or split by a shell; the text shown as it is.
TEST(HelpViewer, PathWithBlanksOpens)
{
    QTemporaryDir temp;
    QDir(temp.path()).mkpath("My Videos/Vidlark 1.0");
    const QString path = temp.path() + "/My Videos/Vidlark 1.0/vlrk10.hlp";
    std::ofstream(path.toStdString()) << "a < b and c > d\nsecond line";
    EXPECT_EQ(HelpDocument::pathFromArguments({"winhelp", path}), path);
    EXPECT_EQ(HelpDocument::pathFromArguments(QStringList{"winhelp"} + path.split(' ')), path);

    HelpViewer viewer;
    viewer.display(HelpDocument::load(path));
    EXPECT_TRUE(viewer.document().loaded);
    EXPECT_EQ(viewer.windowTitle().toStdString(), "Help - vlrk10.hlp");
    EXPECT_TRUE(viewer.shownText().contains("a < b and c > d\nsecond line")) << viewer.shownText().toStdString();
}

}  // namespace
