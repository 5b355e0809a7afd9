#include "platform/mci/widget/video_window.h"

#include "platform/mci/widget/mm_control_widget.h"
#include "tests/mci_widget/widget_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using widget_test::near;
using widget_test::waitUntil;

// The main window with the control in it, active and focused, as the player has it.
struct Player {
    QWidget main;
    MMControlWidget *control = nullptr;
    bool active = false;

    Player() {
        auto owned = widget_test::makeControl();
        control = owned.release();
        control->setParent(&main);
        control->move(168, 32);
        main.resize(466, 101);
        main.move(101, 114);
        main.show();
        main.activateWindow();
        active = QTest::qWaitForWindowActive(&main);
        control->setFocus();
    }

    VideoWindow &video() { return *control->videoWindow(); }

    void open(const QString &clip) {
        ASSERT_TRUE(active);
        control->setFileName(clip);
        control->setCommand("open");
        ASSERT_TRUE(waitUntil([&] { return video().isVisible(); })) << "video window never shown";
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&video()));
    }

    // Showing the video window may have been an activation that was handed back.
    bool keptFocus() {
        return waitUntil([&] { return QApplication::activeWindow() == &main && control->hasFocus(); });
    }
};

TEST(VideoWindowTest, OpensBelowTheMainWindowAtTheClipsSizeWithItsFirstFrame) {
    Player player;
    player.control->setCommand("open");  // no clip: no window
    EXPECT_FALSE(player.video().isVisible());
    player.control->setCommand("close");

    const QString clip = widget_test::testCard();
    player.open(clip);
    VideoWindow &video = player.video();
    EXPECT_TRUE(video.isWindow());
    EXPECT_EQ(video.windowTitle(), QFileInfo(clip).fileName());
    EXPECT_EQ(video.size(), QSize(160, 120));
    EXPECT_GE(video.frameGeometry().top(), player.main.frameGeometry().bottom());
    EXPECT_TRUE(player.keptFocus()) << "opening took the focus from the main window";

    ASSERT_FALSE(video.picture().isNull()) << "shown before its first picture";
    const QImage expected = widget_test::firstFrame(clip);
    ASSERT_FALSE(expected.isNull());
    const QImage shown = video.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(160, 120));
    for (const QPoint at : {QPoint(5, 5), QPoint(40, 30), QPoint(80, 60), QPoint(120, 90), QPoint(150, 110),
                            QPoint(20, 100), QPoint(140, 15)}) {
        EXPECT_TRUE(near(shown.pixelColor(at), expected.pixelColor(at)))
            << "at " << at.x() << "," << at.y() << ": " << shown.pixelColor(at).name().toStdString() << " vs "
            << expected.pixelColor(at).name().toStdString();
    }
}

TEST(VideoWindowTest, ClosingHidesItAndTheNextPlayShowsIt) {
    Player player;
    player.open(widget_test::testCard());
    VideoWindow &video = player.video();

    video.close();
    EXPECT_FALSE(video.isVisible());
    player.control->setCommand("step");
    EXPECT_FALSE(video.isVisible()) << "only a play brings it back";
    player.control->setCommand("play");
    EXPECT_TRUE(video.isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&video));
    EXPECT_TRUE(player.keptFocus());

    player.control->setCommand("stop");
    video.close();
    for (QAbstractButton *b : player.control->findChildren<QAbstractButton *>())
        if (b->accessibleName() == "Play") QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(player.control->mode(), 526);
    EXPECT_TRUE(video.isVisible()) << "the Play button shows it too";
}

TEST(VideoWindowTest, CloseCommandHidesAndClearsIt) {
    Player player;
    player.open(widget_test::red());
    const QPoint placed = player.video().pos();
    player.control->setCommand("close");
    EXPECT_FALSE(player.video().isVisible());
    EXPECT_TRUE(player.video().picture().isNull());
    QCoreApplication::processEvents();
    EXPECT_TRUE(player.video().picture().isNull());

    player.video().move(placed + QPoint(30, 40));
    player.open(widget_test::red());
    EXPECT_EQ(player.video().pos(), placed + QPoint(30, 40)) << "placed only the first time";
}

TEST(VideoWindowTest, ResizingKeepsTheAspectRatioInBlackBars) {
    Player player;
    player.open(widget_test::red());
    VideoWindow &video = player.video();
    video.resize(320, 120);  // twice as wide: bars left and right
    const QImage wide = video.grab().toImage();
    EXPECT_EQ(wide.pixelColor(10, 60), QColor(Qt::black));
    EXPECT_EQ(wide.pixelColor(310, 60), QColor(Qt::black));
    EXPECT_TRUE(near(wide.pixelColor(160, 5), QColor(Qt::red)));
    EXPECT_TRUE(near(wide.pixelColor(85, 60), QColor(Qt::red)));

    video.resize(160, 240);  // twice as tall: bars above and below
    const QImage tall = video.grab().toImage();
    EXPECT_EQ(tall.pixelColor(80, 10), QColor(Qt::black));
    EXPECT_EQ(tall.pixelColor(80, 230), QColor(Qt::black));
    EXPECT_TRUE(near(tall.pixelColor(2, 120), QColor(Qt::red)));
}

TEST(VideoWindowTest, NonSquarePixelsGiveTheDisplaySize) {
    Player player;
    player.open(widget_test::wide());
    EXPECT_EQ(player.video().size(), QSize(320, 120));
    const QImage shown = player.video().grab().toImage();
    EXPECT_TRUE(near(shown.pixelColor(2, 60), QColor(Qt::red)));
    EXPECT_TRUE(near(shown.pixelColor(317, 60), QColor(Qt::red)));
}

}  // namespace
