#pragma once

#include <QApplication>

// The one Qt application of a widget test binary, made on first use. It is never
// destroyed: tearing Qt down during static destruction, after main, crashes.
inline QApplication &testApplication()
{
    static int argc = 1;
    static char name[] = "vidlark-test";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}
