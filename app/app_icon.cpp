#include "app/app_icon.h"

#include <QPixmap>

namespace {
#include "app/vidlark_icon.xpm"
}

QIcon appIcon()
{
    return QIcon(QPixmap(vidlark_icon_xpm));
}
