#pragma once

#include <QIcon>

// The program's 32 x 32, 16-colour camcorder: the window icon and the application icon.
QIcon appIcon();
