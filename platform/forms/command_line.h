#pragma once

#include <QString>

#include <optional>

// A command line as the runtime starts it: the program is the text up to the first
// blank, and everything after that blank is its one argument, unsplit and unquoted,
// so a path with blanks, quotes or shell characters arrives exactly as written.
struct CommandLine {
    QString program;
    std::optional<QString> argument;  // none when nothing follows the blank

    static CommandLine split(const QString &text);
};
