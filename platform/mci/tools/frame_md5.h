#pragma once

extern "C" {
#include <libavutil/frame.h>
}

#include <string>

namespace mci {

// The MD5 of a decoded picture in its own pixel format, planes packed without padding:
// the same bytes `ffmpeg -f framemd5` hashes for a decoded frame.
std::string frameMd5(const AVFrame &frame);

}  // namespace mci
