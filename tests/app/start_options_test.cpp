#include "app/start_options.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using Action = StartOptions::Action;

TEST(StartOptions, HelpVersionAndOneFileElseWhyNot)
{
    const QString here = QDir::currentPath();
    const struct {
        QStringList arguments;
        bool strict;
        Action action;
        QString file;
    } cases[] = {
        {{}, true, Action::Run, {}},
        {{"clip one.avi"}, true, Action::Run, here + "/clip one.avi"},
        {{"/clips/../a.avi"}, true, Action::Run, "/a.avi"},
        {{"--", "-odd.avi"}, true, Action::Run, here + "/-odd.avi"},
        {{"--help", "a.avi"}, true, Action::Help, {}},
        {{"-v"}, false, Action::Version, {}},
        {{"--bogus"}, true, Action::Fail, {}},
        {{"--bogus"}, false, Action::Run, {}},  // QApplication's own options are still in
        {{"a.avi", "b.avi"}, true, Action::Fail, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE((c.arguments.join(' ') + (c.strict ? " strict" : "")).toStdString());
        const StartOptions options = StartOptions::parse(QStringList{"vidlark"} + c.arguments, c.strict);
        EXPECT_EQ(options.action, c.action);
        EXPECT_EQ(options.file, c.file);
        EXPECT_EQ(options.text.isEmpty(), c.action == Action::Run) << options.text.toStdString();
    }
}

}  // namespace
