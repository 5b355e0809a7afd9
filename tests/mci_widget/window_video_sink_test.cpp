#include "platform/mci/widget/window_video_sink.h"

#include "platform/mci/widget/video_window.h"
#include "tests/mci_widget/widget_test_support.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

// A 32 x 16 picture of one colour, in the RGB32 layout the converter also reads.
mci::Picture solid(QRgb colour, AVRational sampleAspect = {1, 1}) {
    mci::FramePtr frame = mci::makeFrame();
    frame->format = AV_PIX_FMT_RGB32;
    frame->width = 32;
    frame->height = 16;
    av_frame_get_buffer(frame.get(), 0);
    for (int row = 0; row < frame->height; ++row) {
        auto *line = reinterpret_cast<QRgb *>(frame->data[0] + row * frame->linesize[0]);
        std::fill(line, line + frame->width, colour);
    }
    return mci::Picture{0, mci::shareFrame(std::move(frame)), sampleAspect};
}

TEST(WindowVideoSinkTest, TheNewestPictureWinsWhenTheWindowIsBehind) {
    VideoWindow window;
    WindowVideoSink sink(window);
    sink.present(solid(qRgb(255, 0, 0)));
    sink.present(solid(qRgb(0, 255, 0)));
    sink.present(solid(qRgb(0, 0, 255)));
    EXPECT_TRUE(window.picture().isNull()) << "delivered inside present()";
    QCoreApplication::processEvents();
    ASSERT_FALSE(window.picture().isNull());
    EXPECT_EQ(window.picture().pixel(5, 5), qRgb(0, 0, 255));
}

TEST(WindowVideoSinkTest, ClearAfterAPictureLeavesTheWindowEmpty) {
    VideoWindow window;
    WindowVideoSink sink(window);
    sink.present(solid(qRgb(255, 0, 0)));
    QCoreApplication::processEvents();
    ASSERT_FALSE(window.picture().isNull());
    sink.present(solid(qRgb(0, 255, 0)));
    sink.clear();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.picture().isNull());
}

TEST(WindowVideoSinkTest, PicturesFromAnotherThreadArriveOnTheGuiThread) {
    VideoWindow window;
    WindowVideoSink sink(window);
    std::thread presenter([&sink] {
        for (int i = 0; i < 50; ++i) sink.present(solid(qRgb(0, 0, i * 5)));
    });
    presenter.join();
    ASSERT_TRUE(widget_test::waitUntil([&] { return !window.picture().isNull(); }));
    EXPECT_EQ(window.picture().pixel(0, 0), qRgb(0, 0, 49 * 5));
}

TEST(WindowVideoSinkTest, NonSquarePixelsAreLetterboxedToTheirDisplayShape) {
    VideoWindow window;
    WindowVideoSink sink(window);
    sink.present(solid(qRgb(255, 0, 0), {2, 1}));  // 32 x 16 stored, 64 x 16 shown
    QCoreApplication::processEvents();
    window.resize(64, 64);
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(shot.pixelColor(32, 2), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(32, 32), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(1, 32), QColor(Qt::red)) << "picture not stretched to its display width";
    EXPECT_EQ(shot.pixelColor(32, 61), QColor(Qt::black));
}

}  // namespace
