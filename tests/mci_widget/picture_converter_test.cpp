#include "platform/mci/widget/picture_converter.h"

#include "tests/mci_widget/widget_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

struct ConvertCase {
    const char *name;
    AVPixelFormat format;
    int width, height;
    AVColorRange range;
    std::function<void(AVFrame &)> fill;
    QColor expected;
};

void fillPlanes(AVFrame &frame, int y, int u, int v) {
    for (int row = 0; row < frame.height; ++row) std::memset(frame.data[0] + row * frame.linesize[0], y, frame.width);
    const int chromaRows = (frame.height + 1) / 2, chromaWidth = (frame.width + 1) / 2;
    for (int row = 0; row < chromaRows; ++row) {
        std::memset(frame.data[1] + row * frame.linesize[1], u, chromaWidth);
        std::memset(frame.data[2] + row * frame.linesize[2], v, chromaWidth);
    }
}

void fillPaletteIndex1Green(AVFrame &frame) {
    for (int row = 0; row < frame.height; ++row) std::memset(frame.data[0] + row * frame.linesize[0], 1, frame.width);
    auto *palette = reinterpret_cast<uint32_t *>(frame.data[1]);
    palette[0] = 0xff000000;
    palette[1] = 0xff00ff00;
}

class PictureConverterTest : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(PictureConverterTest, GivesTheColourOfTheFrame) {
    const ConvertCase &c = GetParam();
    mci::FramePtr frame = mci::makeFrame();
    frame->format = c.format;
    frame->width = c.width;
    frame->height = c.height;
    frame->color_range = c.range;
    ASSERT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    c.fill(*frame);

    PictureConverter converter;
    const QImage image = converter.convert(*frame);
    ASSERT_EQ(image.size(), QSize(c.width, c.height));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    for (const QPoint at : {QPoint(0, 0), QPoint(c.width - 1, c.height - 1), QPoint(c.width / 2, c.height / 2)}) {
        const QColor got = image.pixelColor(at);
        EXPECT_TRUE(widget_test::near(got, c.expected, 4))
            << "at " << at.x() << "," << at.y() << " got " << got.name().toStdString() << " expected "
            << c.expected.name().toStdString();
        EXPECT_EQ(qAlpha(image.pixel(at)), 255);
    }
}

// The same Y'CbCr triple is pure red in studio range and a darker red in full range:
// a converter that ignores the frame's range gets one of the two rows wrong.
INSTANTIATE_TEST_SUITE_P(
    Formats, PictureConverterTest,
    ::testing::Values(
        ConvertCase{"StudioRangeRed", AV_PIX_FMT_YUV420P, 160, 120, AVCOL_RANGE_MPEG,
                    [](AVFrame &f) { fillPlanes(f, 81, 90, 240); }, QColor(255, 0, 0)},
        ConvertCase{"FullRangeSameSamples", AV_PIX_FMT_YUV420P, 160, 120, AVCOL_RANGE_JPEG,
                    [](AVFrame &f) { fillPlanes(f, 81, 90, 240); }, QColor(238, 14, 14)},
        ConvertCase{"UnstatedRangeIsStudio", AV_PIX_FMT_YUV420P, 160, 120, AVCOL_RANGE_UNSPECIFIED,
                    [](AVFrame &f) { fillPlanes(f, 81, 90, 240); }, QColor(255, 0, 0)},
        ConvertCase{"OddSize", AV_PIX_FMT_YUV420P, 161, 121, AVCOL_RANGE_MPEG,
                    [](AVFrame &f) { fillPlanes(f, 145, 54, 34); }, QColor(0, 255, 0)},
        ConvertCase{"Palette", AV_PIX_FMT_PAL8, 64, 48, AVCOL_RANGE_UNSPECIFIED, fillPaletteIndex1Green,
                    QColor(0, 255, 0)}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
