#include "winhelp/help_document.h"
#include "winhelp/help_viewer.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

// What cannot be opened is a message naming it; a path with blanks opens, as one argument
// or split by a shell, its text shown as it is.
TEST(HelpViewer, ShowsTheFileOrWhyItCannot)
{
    QTemporaryDir temp;
    QDir(temp.path()).mkpath("My Videos");
    const QString path = temp.path() + "/My Videos/vlrk10.hlp", missing = "/nonexistent/My Videos/vlrk10.hlp";
    std::ofstream(path.toStdString()) << "a < b and c > d\nsecond line";
    EXPECT_EQ(HelpDocument::pathFromArguments(QStringList{"winhelp"} + path.split(' ')), path);
    const struct {
        QString path;
        QStringList says;
    } cases[] = {
        {path, {"Help - vlrk10.hlp", "a < b and c > d\nsecond line"}},
        {missing, {"could not be opened", missing, "There is no such file."}},
        {QString(), {"No help file was named"}},
        {temp.path(), {"It is not a file."}},
        {"/dev/zero", {"It is not a file."}},  // read to its end, it would never end
    };
    for (const auto &c : cases) {
        HelpViewer viewer;
        viewer.display(HelpDocument::load(c.path));
        EXPECT_EQ(viewer.document().loaded, c.path == path);
        for (const QString &text : c.says)
            EXPECT_TRUE((viewer.windowTitle() + viewer.shownText()).contains(text)) << viewer.shownText().toStdString();
    }
}

}  // namespace
