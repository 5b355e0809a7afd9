#include "app/app_icon.h"

#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// The window's icon: 32 x 32, at most 16 colours.
TEST(Identity, IconIsA32By32SixteenColourPicture)
{
    const QImage icon = appIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(32, 32));
    QSet<QRgb> colours;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (qAlpha(icon.pixel(x, y)) != 0)
                colours.insert(icon.pixel(x, y));
    EXPECT_LE(colours.size(), 16);
    EXPECT_GE(colours.size(), 4) << "an icon of one or two colours is no camcorder";
}

}  // namespace
