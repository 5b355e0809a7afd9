#pragma once

#include <QString>
#include <QStringList>

// A help file read for the viewer. The viewer never fails on a file: what cannot be
// read becomes a document that says so.
struct HelpDocument {
    bool loaded = false;  // false: `body` explains why the file could not be shown
    QString title;  // the window title
    QString body;  // HTML
    QString path;  // as given

    static HelpDocument load(const QString &path);
    // The help file named on the viewer's command line: its one argument, or, when a
    // shell split an unquoted path, the arguments joined again by single blanks.
    static QString pathFromArguments(const QStringList &arguments);
};
