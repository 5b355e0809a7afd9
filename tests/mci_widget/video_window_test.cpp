#include "platform/mci/widget/video_window.h"

#include "tests/mci_widget/widget_test_support.h"

#include <QApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

using namespace widget_test;

// A window of its own, none with no clip, titled with the file name, below the main
// window at the clip's size with its first picture, never taking the focus. "close"
// hides it and drops its picture; the next clip keeps its place, at its display size,
// unless it would cover the main window there: then it goes below it again, fitted to
// the room, frames counted (the offscreen screen is 800x800, a window's frame 2 pixels).
TEST(VideoWindow, OpensBelowTheMainWindowAtTheClipsSizeWithoutTakingTheFocus) {
    QWidget main;
    MMControlWidget *control = makeControl({}, false).release();
    control->setParent(&main);
    main.setGeometry(101, 114, 466, 101);
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    control->setFocus();
    VideoWindow &video = *control->videoWindow();
    // Showing the video window may have been an activation that was handed back.
    const auto keptFocus = [&] { return waitUntil([&] { return QApplication::activeWindow() == &main && control->hasFocus(); }); };
    const auto open = [&](const QString &clip) {
        control->setFileName(clip);
        control->setCommand("open");
        ASSERT_TRUE(waitUntil([&] { return video.isVisible(); })) << "never shown";
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&video));
    };
    control->setCommand("open");
    EXPECT_FALSE(video.isVisible());
    control->setCommand("close");
    ASSERT_NO_FATAL_FAILURE(open(testCard()));
    EXPECT_EQ(video.windowTitle(), QFileInfo(testCard()).fileName());
    EXPECT_EQ(video.size(), QSize(160, 120));
    EXPECT_GE(video.frameGeometry().top(), main.frameGeometry().bottom());
    EXPECT_TRUE(keptFocus());
    EXPECT_FALSE(video.picture().isNull());


    control->setCommand("close");  // returns at once; the picture goes once the device lets go
    EXPECT_TRUE(waitUntil([&] { return video.picture().isNull(); }));
    EXPECT_FALSE(video.isVisible());  // a picture still on its way must not bring it back
    const QPoint moved = video.pos() + QPoint(30, 40);
    video.move(moved);
    ASSERT_NO_FATAL_FAILURE(open(clip("widget_red_sar2.avi", "color=c=red:s=160x120:r=25:d=1", "setsar=2")));
    EXPECT_EQ(std::make_pair(video.pos(), video.size()), std::make_pair(moved, QSize(320, 120)));
    const QImage shown = video.grab().toImage();  // the picture stretched to its display width
    EXPECT_TRUE(near(shown.pixelColor(2, 60), Qt::red) && near(shown.pixelColor(317, 60), Qt::red));

    control->setCommand("close");
    video.move(main.pos());
    ASSERT_NO_FATAL_FAILURE(open(clip("widget_red_1280x720.avi", "color=c=red:s=1280x720:r=25:d=0.2")));
    EXPECT_EQ(std::make_pair(video.frameGeometry(), video.size()),
              std::make_pair(QRect(0, 217, 800, 451), QSize(796, 447)));
    EXPECT_TRUE(keptFocus());
}

// On a screen of twice the density a picture at the window's size is scaled to twice
// as many pixels, smoothly: one-pixel stripes come out grey, not in doubled stripes.
TEST(VideoWindow, ScalesThePictureSmoothlyToTheScreensPixels) {
    QImage stripes(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x) stripes.setPixel(x, y, x % 2 ? 0xffffffff : 0xff000000);
    VideoWindow video;
    video.resize(stripes.size());
    video.setPicture(stripes, stripes.size());
    QImage shown(stripes.size() * 2, QImage::Format_RGB32);
    shown.setDevicePixelRatio(2);
    video.render(&shown);
    int grey = 0;
    for (int x = 0; x < shown.width(); ++x) grey += std::abs(qGray(shown.pixel(x, 120)) - 128) < 96;
    EXPECT_GT(grey, shown.width() / 2);
}

}  // namespace
