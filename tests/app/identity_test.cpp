#include "app/app_icon.h"
#include "app/identity.h"
#include "tests/support/test_clips.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace {

QString binFile(const char *name)
{
    return qEnvironmentVariable("VIDLARK_BIN_DIR") + "/" + name;
}

std::map<std::string, std::string> desktopEntry(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    std::map<std::string, std::string> keys;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            keys[line.left(eq).toStdString()] = line.mid(eq + 1).toStdString();
    }
    return keys;
}

const std::string kTitle = identity::kTitle;
const std::string kComment = kTitle + " - " + identity::kCredits;

TEST(Identity, DesktopEntryNamesTheProgramItsVersionAndIcon)
{
    auto keys = desktopEntry(binFile("org.vidlark.Vidlark.desktop"));
    EXPECT_EQ(keys["Name"], "Vidlark 1.0");
    EXPECT_EQ(keys["Comment"], kComment);
    EXPECT_EQ(keys["Exec"], "vidlark");
    EXPECT_EQ(keys["Icon"], "vidlark");
    EXPECT_EQ(keys["X-Vidlark-Version"], "1.0.0.0");
    EXPECT_EQ(keys["X-Vidlark-VersionText"], "1.00");
    EXPECT_EQ(keys["X-Vidlark-InternalName"], "vlrkENG");
}

TEST(Identity, MetainfoCarriesTheSameValuesAndValidates)
{
    QFile file(binFile("org.vidlark.Vidlark.metainfo.xml"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::map<std::string, std::string> found;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const std::string name = xml.name().toString().toStdString();
        if (name == "release")
            found["release"] = xml.attributes().value("version").toString().toStdString();
        else if (name == "id" || name == "name" || name == "summary" || name == "icon")
            found[name] = xml.readElementText().toStdString();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(found["id"], "org.vidlark.Vidlark");
    EXPECT_EQ(found["name"], "Vidlark 1.0");
    EXPECT_EQ(found["summary"], identity::kCredits);
    EXPECT_EQ(found["icon"], "vidlark");
    EXPECT_EQ(found["release"], "1.0.0.0");

    if (std::system("command -v appstreamcli >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "appstreamcli is not installed";
    EXPECT_NO_THROW(test_clips::run({"appstreamcli", "validate", "--no-net", "--strict",
                                     binFile("org.vidlark.Vidlark.metainfo.xml").toStdString()}));
}

// 32 x 32 and at most 16 colours, as the original's icon; the copy beside the
// program is the same picture as the window's.
TEST(Identity, IconIsA32By32SixteenColourPicture)
{
    const QImage icon = appIcon().pixmap(32, 32).toImage();
    ASSERT_EQ(icon.size(), QSize(32, 32));
    QSet<QRgb> colours;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            if (qAlpha(icon.pixel(x, y)) != 0)
                colours.insert(icon.pixel(x, y));
    EXPECT_LE(colours.size(), 16);
    EXPECT_GE(colours.size(), 4) << "an icon of one or two colours is no camcorder";

    const QImage installed(binFile("vidlark.xpm"));
    ASSERT_FALSE(installed.isNull());
    EXPECT_EQ(installed.convertToFormat(QImage::Format_ARGB32), icon.convertToFormat(QImage::Format_ARGB32));
}

}  // namespace
