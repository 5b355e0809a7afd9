#include "platform/mci/engine/cleared_buffers.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <cstring>

namespace mci {

namespace {

enum class ShortPictures { Reported, Silent, None };

// Found by cutting every third picture of a clip from each encoder FFmpeg 5.1 has for a
// codec AVI carries to 97, 80, 70 and 50 % of its size, and decoding it twice side by
// side into buffers filled with two different bytes: a picture that comes out different
// shows bytes its data did not reach.
ShortPictures shortPicturesOf(AVCodecID codec) {
    switch (codec) {
    case AV_CODEC_ID_MJPEG:  // the stop is an error message ("overread"), every time
    case AV_CODEC_ID_AMV:
        return ShortPictures::Reported;
    // Not marked intra-only, but a picture cut short keeps what the buffer held.
    case AV_CODEC_ID_FFV1:
    case AV_CODEC_ID_VP8:
        return ShortPictures::Silent;
    // Intra-only, but each picture cut short is refused or filled to its end. (HuffYUV
    // fills it from a line of its own that an earlier picture left: no buffer of ours.)
    case AV_CODEC_ID_HUFFYUV: case AV_CODEC_ID_FFVHUFF: case AV_CODEC_ID_UTVIDEO:
    case AV_CODEC_ID_DVVIDEO: case AV_CODEC_ID_ASV1: case AV_CODEC_ID_ASV2:
    case AV_CODEC_ID_CLJR: case AV_CODEC_ID_JPEG2000: case AV_CODEC_ID_SPEEDHQ:
    case AV_CODEC_ID_ZLIB: case AV_CODEC_ID_R210: case AV_CODEC_ID_R10K:
    case AV_CODEC_ID_V210: case AV_CODEC_ID_V410: case AV_CODEC_ID_TARGA:
    case AV_CODEC_ID_RAWVIDEO:
        return ShortPictures::None;
    default: {
        // A picture made from its own data alone has nothing to fill a short one from;
        // those not tried are taken to stop short. The others conceal from the pictures
        // before, which the decoder keeps.
        const AVCodecDescriptor *descriptor = avcodec_descriptor_get(codec);
        const bool intraOnly = descriptor && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY);
        return intraOnly ? ShortPictures::Silent : ShortPictures::None;
    }
    }
}

int getClearedBuffer(AVCodecContext *context, AVFrame *frame, int flags) {
    const int rc = avcodec_default_get_buffer2(context, frame, flags);
    if (rc < 0) return rc;
    const auto format = static_cast<AVPixelFormat>(frame->format);
    const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(format);
    if (!descriptor || (descriptor->flags & AV_PIX_FMT_FLAG_HWACCEL)) return 0;
    // The frame is as large as the decoder will write (its coded size) here.
    ptrdiff_t linesizes[4];
    for (int i = 0; i < 4; ++i) linesizes[i] = frame->linesize[i];
    if (av_image_fill_black(frame->data, linesizes, format, frame->color_range, frame->width, frame->height) < 0) {
        for (AVBufferRef *buffer : frame->buf)
            if (buffer) std::memset(buffer->data, 0, buffer->size);
    }
    return 0;
}

}  // namespace

bool needsClearedBuffers(AVCodecID codec, bool damageSeen) {
    const ShortPictures shortPictures = shortPicturesOf(codec);
    return shortPictures == ShortPictures::Silent || (shortPictures == ShortPictures::Reported && damageSeen);
}

void clearBuffersBeforeDecoding(AVCodecContext &context) {
    context.get_buffer2 = getClearedBuffer;
#if LIBAVCODEC_VERSION_MAJOR < 60
    // Say it is safe on frame threads (it is), or FFmpeg 5 hands each call to one thread.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    context.thread_safe_callbacks = 1;
#pragma GCC diagnostic pop
#endif
}

}  // namespace mci
