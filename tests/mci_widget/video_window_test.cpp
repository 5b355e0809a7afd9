#include "platform/mci/widget/video_window.h"

#include "tests/mci_widget/widget_test_support.h"

#include <QApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

using namespace widget_test;

// A window of its own, none with no clip, titled with the file name, below the main
// window at the clip's size with its first picture, never taking the focus. "close"
// hides it and drops its picture; the next clip keeps its place, at its display size.
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
}

}  // namespace
