#pragma once

#include "platform/mci/av_handles.h"

namespace mci {

// Some decoders hand out a picture whose data stops short (a JPEG cut off before its
// last rows) and leave the rest of its buffer as they found it: showing what an earlier
// picture left in a buffer FFmpeg's pool hands round, which changes with the way the
// slot was reached and from run to run. Such buffers start black instead.

// Whether the buffers `codec` decodes into must start black; `damageSeen` once the
// stream has shown damage. The MJPEG decoders report every picture they leave short,
// so theirs are cleared only from then on (the damaged picture is decoded again); those
// that stop short without a word are cleared always; the others never.
bool needsClearedBuffers(AVCodecID codec, bool damageSeen);

// Before avcodec_open2: every buffer the decoder takes is filled with black before it
// writes into it. Called on any of the decoder's threads; keeps no state of its own.
void clearBuffersBeforeDecoding(AVCodecContext &context);

}  // namespace mci
