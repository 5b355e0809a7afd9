#include "app/app_icon.h"
#include "app/identity.h"

#include <QFile>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

namespace {

QString binFile(const char *name) { return qEnvironmentVariable("VIDLARK_BIN_DIR") + "/" + name; }

QString textOf(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

TEST(Identity, DesktopEntryAndMetainfoCarryNameVersionCommentAndIcon)
{
    const QString credits = identity::kCredits;
    const QString desktop = textOf(binFile("org.vidlark.Vidlark.desktop"));
    const QStringList lines = {"Name=Vidlark 1.0", "Comment=Vidlark 1.0 - " + credits, "Exec=vidlark %f",
                               "Icon=org.vidlark.Vidlark", "X-Vidlark-Version=1.0.0.0", "X-Vidlark-VersionText=1.00",
                               "X-Vidlark-InternalName=vlrkENG"};
    for (const QString &line : lines)
        EXPECT_TRUE(desktop.contains("\n" + line + "\n")) << line.toStdString();

    const QString metainfo = textOf(binFile("org.vidlark.Vidlark.metainfo.xml"));
    const QStringList elements = {"<id>org.vidlark.Vidlark</id>", "<name>Vidlark 1.0</name>",
                                  ">org.vidlark.Vidlark</icon>", "<release version=\"1.0\"", "(1.0.0.0, vlrkENG)"};
    for (const QString &element : elements)
        EXPECT_TRUE(metainfo.contains(element)) << element.toStdString();
}

// The window's icon, also installed beside the program: 32 x 32, at most 16 colours.
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
    EXPECT_EQ(QImage(binFile("vidlark.xpm")).convertToFormat(QImage::Format_ARGB32), icon);
}

}  // namespace
