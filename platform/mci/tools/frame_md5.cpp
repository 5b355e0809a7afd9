#include "platform/mci/tools/frame_md5.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/md5.h>
}

#include <cstdio>
#include <vector>

namespace mci {

std::string frameMd5(const AVFrame &frame) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    const int size = av_image_get_buffer_size(format, frame.width, frame.height, 1);
    if (size <= 0) return "invalid";
    std::vector<uint8_t> packed(static_cast<std::size_t>(size));
    av_image_copy_to_buffer(packed.data(), size, frame.data, frame.linesize, format, frame.width, frame.height, 1);
    uint8_t digest[16];
    av_md5_sum(digest, packed.data(), size);
    char text[33];
    for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return text;
}

}  // namespace mci
