#include "platform/mci/widget/picture_converter.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace {

// The yuvj formats are the plain ones at full range; the scaler wants them named so.
AVPixelFormat plainFormat(AVPixelFormat format, bool &fullRange) {
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: fullRange = true; return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: fullRange = true; return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: fullRange = true; return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: fullRange = true; return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: fullRange = true; return AV_PIX_FMT_YUV411P;
    default: return format;
    }
}

}  // namespace

bool PictureConverter::prepare(const Source &source) {
    if (m_sws && source == m_source) return true;
    bool jpegRange = false;
    const auto format = plainFormat(static_cast<AVPixelFormat>(source.format), jpegRange);
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    if (!desc || source.width <= 0 || source.height <= 0) return false;

    // sws_getCachedContext frees the old scaler itself when it has to make a new one.
    m_sws.reset(sws_getCachedContext(m_sws.release(), source.width, source.height, format, source.width,
                                     source.height, AV_PIX_FMT_RGB32, SWS_BICUBIC | SWS_ACCURATE_RND,
                                     nullptr, nullptr, nullptr));
    if (!m_sws) return false;
    if (!(desc->flags & AV_PIX_FMT_FLAG_RGB)) {
        // A yuvj format is full range; a frame that states its range or matrix
        // overrides the defaults.
        int *invTable = nullptr, *table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        sws_getColorspaceDetails(m_sws.get(), &invTable, &srcRange, &table, &dstRange, &brightness, &contrast,
                                 &saturation);
        srcRange = jpegRange;
        if (source.range != AVCOL_RANGE_UNSPECIFIED) srcRange = source.range == AVCOL_RANGE_JPEG;
        const int matrix = source.matrix == AVCOL_SPC_RGB || source.matrix == AVCOL_SPC_UNSPECIFIED
                               ? SWS_CS_DEFAULT
                               : source.matrix;
        sws_setColorspaceDetails(m_sws.get(), sws_getCoefficients(matrix), srcRange, table, 1, brightness,
                                 contrast, saturation);
    }
    m_source = source;
    return true;
}

QImage PictureConverter::convert(const AVFrame &frame) {
    if (!prepare({frame.width, frame.height, frame.format, frame.color_range, frame.colorspace})) return {};

    // AV_PIX_FMT_RGB32 is native-endian 0xAARRGGBB, exactly QImage's RGB32 layout.
    QImage image(frame.width, frame.height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    uint8_t *dst[4] = {image.bits(), nullptr, nullptr, nullptr};
    int dstStride[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    const int rows = sws_scale(m_sws.get(), frame.data, frame.linesize, 0, frame.height, dst, dstStride);
    if (rows != frame.height) return {};
    return image;
}
