#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for: vidlark [--help] [--version] [FILE].
//
// main() parses it twice: first loosely, before the window system is reached, so that
// --help and --version answer without a display; then strictly, once QApplication has
// taken its own options (-platform, -display, ...) out of the arguments. Both need a
// QCoreApplication, whose name the help text shows.
struct StartOptions {
    enum class Action { Run, Help, Version, Fail };

    Action action = Action::Run;
    QString file;  // Run: the clip to open at start, absolute; empty for none
    QString text;  // Help, Version: for standard output; Fail: why, for standard error

    // `strict`: a wrong option or a second FILE fails; else only --help and --version
    // are looked at.
    static StartOptions parse(const QStringList &arguments, bool strict);
};
