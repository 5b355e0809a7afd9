#include "platform/mci/widget/picture_converter.h"

#include "tests/mci_widget/widget_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The same Y'CbCr triple is pure red in studio range and a darker red in full range: a
// converter that ignores the frame's range, or keeps the last frame's, gets one wrong.
TEST(PictureConverter, GivesTheColourOfTheFrame) {
    struct Row {
        const char *name;
        AVPixelFormat format;
        int width, height;
        AVColorRange range;
        int y, u, v;  // for the palette: index 1, whose colour is green
        QColor expected;
    };
    const Row rows[] = {
        {"studio range", AV_PIX_FMT_YUV420P, 160, 120, AVCOL_RANGE_MPEG, 81, 90, 240, QColor(255, 0, 0)},
        {"full range", AV_PIX_FMT_YUV420P, 160, 120, AVCOL_RANGE_JPEG, 81, 90, 240, QColor(238, 14, 14)},
        {"unstated range is studio", AV_PIX_FMT_YUV420P, 160, 120, AVCOL_RANGE_UNSPECIFIED, 81, 90, 240, Qt::red},
        {"odd size", AV_PIX_FMT_YUV420P, 161, 121, AVCOL_RANGE_MPEG, 145, 54, 34, QColor(0, 255, 0)},
        {"palette", AV_PIX_FMT_PAL8, 64, 48, AVCOL_RANGE_UNSPECIFIED, 1, 0, 0, QColor(0, 255, 0)}};
    PictureConverter converter;  // one for all rows, as it keeps its scaler between frames
    for (const Row &r : rows) {
        mci::FramePtr frame = mci::makeFrame();
        frame->format = r.format;
        frame->width = r.width;
        frame->height = r.height;
        frame->color_range = r.range;
        ASSERT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
        const int chroma = r.format == AV_PIX_FMT_YUV420P ? (r.height + 1) / 2 : 0;
        for (int row = 0; row < r.height; ++row) std::memset(frame->data[0] + row * frame->linesize[0], r.y, r.width);
        for (int row = 0; row < chroma; ++row) {
            std::memset(frame->data[1] + row * frame->linesize[1], r.u, (r.width + 1) / 2);
            std::memset(frame->data[2] + row * frame->linesize[2], r.v, (r.width + 1) / 2);
        }
        if (r.format == AV_PIX_FMT_PAL8) reinterpret_cast<std::uint32_t *>(frame->data[1])[1] = 0xff00ff00;
        const QImage image = converter.convert(*frame);
        ASSERT_EQ(image.size(), QSize(r.width, r.height)) << r.name;
        for (const QPoint at : {QPoint(0, 0), QPoint(r.width - 1, r.height - 1), QPoint(r.width / 2, r.height / 2)})
            EXPECT_TRUE(widget_test::near(image.pixelColor(at), r.expected, 4))
                << r.name << " at " << at.x() << "," << at.y() << ": " << image.pixelColor(at).name().toStdString();
    }
}

}  // namespace
