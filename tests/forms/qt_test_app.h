#pragma once

#include <QApplication>

// The one QApplication of a test binary, made on first use (offscreen under CTest).
inline QApplication &qtTestApp()
{
    static int argc = 1;
    static char name[] = "vidlark-test";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}
