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

// Its own window, titled with the file name, below the main window at the clip's size,
// showing ffmpeg's own first picture, without taking the focus.
TEST(VideoWindow, OpensBelowTheMainWindowAtTheClipsSizeWithItsFirstPicture) {
    Player player;
    player.control->setCommand("open");  // no clip: no window
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

    const std::string rgb = test_clips::run({"ffmpeg", "-v", "error", "-nostdin", "-i", clip.toStdString(), "-frames:v",
                                             "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    ASSERT_EQ(rgb.size(), 160u * 120u * 3u);
    const QImage expected(reinterpret_cast<const uchar *>(rgb.data()), 160, 120, 160 * 3, QImage::Format_RGB888);
    const QImage shown = video.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(160, 120));
    for (const QPoint at : {QPoint(5, 5), QPoint(40, 30), QPoint(80, 60), QPoint(120, 90), QPoint(150, 110)})
        EXPECT_TRUE(near(shown.pixelColor(at), expected.pixelColor(at))) << at.x() << "," << at.y();
}

// Closing it hides it; only a play, by command or by the Play button, shows it again.
// "close" hides it and drops its picture. It is placed only the first time.
TEST(VideoWindow, ClosingHidesItAndPlayShowsItAgain) {
    Player player;
    player.open(testCard());
    VideoWindow &video = player.video();
    video.close();
    EXPECT_FALSE(video.isVisible());
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

    player.control->setCommand("close");
    QCoreApplication::processEvents();  // a picture still on its way must not bring it back
    EXPECT_FALSE(video.isVisible());
    EXPECT_TRUE(video.picture().isNull());
    const QPoint moved = video.pos() + QPoint(30, 40);
    video.move(moved);
    player.open(red());
    EXPECT_EQ(video.pos(), moved);
}

// Non-square pixels give the display size; resized, the picture keeps its shape between
// black bars.
TEST(VideoWindow, KeepsThePicturesShape) {
    Player player;
    player.open(clip("widget_red_sar2.avi", "color=c=red:s=160x120:r=25:d=1", {"-vf", "setsar=2"}));
    VideoWindow &video = player.video();
    EXPECT_EQ(video.size(), QSize(320, 120));
    struct Row {
        QSize size;
        QPoint bars[2], picture[2];
    };
    const Row rows[] = {{{320, 120}, {}, {{2, 60}, {317, 60}}},
                        {{320, 240}, {{160, 10}, {160, 230}}, {{2, 120}, {317, 120}}},
                        {{960, 120}, {{10, 60}, {950, 60}}, {{330, 60}, {630, 60}}}};
    for (const Row &r : rows) {
        video.resize(r.size);
        const QImage shown = video.grab().toImage();
        for (const QPoint at : r.bars) EXPECT_TRUE(at.isNull() || shown.pixelColor(at) == Qt::black) << at.x() << "," << at.y();
        for (const QPoint at : r.picture) EXPECT_TRUE(near(shown.pixelColor(at), Qt::red)) << at.x() << "," << at.y();
    }
}

}  // namespace
