#include "platform/mci/widget/video_window.h"

#include "tests/mci_widget/widget_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

using namespace widget_test;

// The main window with the control in it, active and focused, as the player has it.
struct Player {
    QApplication &app = testApplication();
    QWidget main;
    MMControlWidget *control = makeControl({}, false).release();

    Player() {
        control->setParent(&main);
        main.setGeometry(101, 114, 466, 101);
        main.show();
        main.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&main));
        control->setFocus();
    }
    VideoWindow &video() { return *control->videoWindow(); }
    void open(const QString &clip) {
        control->setFileName(clip);
        control->setCommand("open");
        ASSERT_TRUE(waitUntil([&] { return video().isVisible(); })) << "never shown";
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&video()));
    }
    // Showing the video window may have been an activation that was handed back.
    bool keptFocus() {
        return waitUntil([&] { return QApplication::activeWindow() == &main && control->hasFocus(); });
    }
};

// A window of its own, titled with the file name, below the main window at the clip's
// size, showing its first picture, without taking the focus; none with no clip.
TEST(VideoWindow, OpensBelowTheMainWindowAtTheClipsSizeWithItsFirstPicture) {
    Player player;
    player.control->setCommand("open");
    EXPECT_FALSE(player.video().isVisible());
    player.control->setCommand("close");
    const QString clip = testCard();
    player.open(clip);
    VideoWindow &video = player.video();
    EXPECT_TRUE(video.isWindow());
    EXPECT_EQ(video.windowTitle(), QFileInfo(clip).fileName());
    EXPECT_EQ(video.size(), QSize(160, 120));
    EXPECT_GE(video.frameGeometry().top(), player.main.frameGeometry().bottom());
    EXPECT_TRUE(player.keptFocus());

    EXPECT_TRUE(near(video.grab().toImage().pixelColor(80, 60), video.picture().pixelColor(80, 60)));
    EXPECT_FALSE(video.picture().isNull());
}

// Closing it hides it; only a play, by command or by the Play button, shows it again.
// "close" hides it and drops its picture. The next clip keeps its place and is shown at
// its display size, sample aspect applied.
TEST(VideoWindow, ClosingHidesItPlayShowsItAndTheNextClipKeepsItsPlace) {
    Player player;
    player.open(testCard());
    VideoWindow &video = player.video();
    video.close();
    player.control->setCommand("step");
    EXPECT_FALSE(video.isVisible());
    player.control->setCommand("play");
    EXPECT_TRUE(video.isVisible());
    EXPECT_TRUE(player.keptFocus());
    player.control->setCommand("stop");
    video.close();
    for (QAbstractButton *b : player.control->findChildren<QAbstractButton *>())
        if (b->accessibleName() == "Play") QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(player.control->mode(), mci_mode::kPlaying);
    EXPECT_TRUE(video.isVisible());

    player.control->setCommand("close");  // returns at once; the picture goes once the device lets go
    EXPECT_TRUE(waitUntil([&] { return video.picture().isNull(); }));
    EXPECT_FALSE(video.isVisible());  // a picture still on its way must not bring it back
    const QPoint moved = video.pos() + QPoint(30, 40);
    video.move(moved);
    player.open(clip("widget_red_sar2.avi", "color=c=red:s=160x120:r=25:d=1", "setsar=2"));
    EXPECT_EQ(video.pos(), moved);
    EXPECT_EQ(video.size(), QSize(320, 120));
    const QImage shown = video.grab().toImage();  // the picture stretched to its display width
    EXPECT_TRUE(near(shown.pixelColor(2, 60), Qt::red) && near(shown.pixelColor(317, 60), Qt::red));
}

}  // namespace
