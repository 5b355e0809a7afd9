// Run on two offscreen screens side by side (two_screens.json): 1920x1080, then 1366x768.
#include "platform/mci/widget/video_window.h"

#include "tests/mci_widget/widget_test_support.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

using namespace widget_test;

// The main window on the second screen: the video window goes on that screen, fitted to
// the room left there, not to the first screen's.
TEST(VideoWindowScreens, GoesOnTheMainWindowsScreen) {
    QScreen *laptop = QGuiApplication::screenAt({1920, 0});
    ASSERT_TRUE(laptop && laptop->geometry() == QRect(1920, 0, 1366, 768));
    QWidget main;
    MMControlWidget *control = makeControl({}, false).release();
    control->setParent(&main);
    main.setGeometry(laptop->geometry().left() + 101, 114, 466, 101);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    ASSERT_EQ(main.screen(), laptop);
    VideoWindow &video = *control->videoWindow();
    control->setFileName(clip("widget_red_1280x720.avi", "color=c=red:s=1280x720:r=25:d=0.2"));
    control->setCommand("open");
    ASSERT_TRUE(waitUntil([&] { return video.isVisible(); }));
    // Below the main window's frame, its own frame of 2 pixels counted in.
    EXPECT_EQ(std::make_pair(video.frameGeometry(), video.size()),
              std::make_pair(QRect(2019, 217, 976, 551), QSize(972, 547)));
    EXPECT_EQ(video.screen(), laptop);
}

}  // namespace
