#pragma once

#include <QString>

// The forms runtime as the window's handlers reach it: the application object, message
// boxes and starting programs. Called on the GUI thread only.
class FormsRuntime {
public:
    virtual ~FormsRuntime() = default;

    virtual QString title() const = 0;  // App.Title; the title of unhandled-error boxes
    virtual QString appPath() const = 0;  // the program's folder; ends in '/' only at the root
    virtual QString helpFile() const = 0;  // empty until set
    virtual void setHelpFile(const QString &path) = 0;

    // Modal; returns when the user has dismissed the box. `style`: 16 critical,
    // 48 warning, 64 information, each with one OK button. A carriage return breaks
    // the line.
    virtual void msgBox(const QString &text, int style, const QString &title) = 0;

    // Every error shown in a box is also told here, for whoever reads the program's
    // standard error (a terminal, a session log): one line, number and text.
    virtual void logError(int number, const QString &text) = 0;

    // Starts the program named by the text up to the first blank, with the rest as its
    // one argument, and returns once it runs without waiting for it. Throws RuntimeError
    // (53 not found, 70 permission denied, 71 disk not ready, 72 read error, 5 other).
    virtual void shell(const QString &commandLine, int windowStyle) = 0;
};
