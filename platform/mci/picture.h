#pragma once

#include "platform/mci/av_handles.h"

#include <memory>

namespace mci {

// A decoded picture and the frame slot it is shown at. The frame is shared and
// read-only: caches and sinks hold references, nobody writes into it.
struct Picture {
    int slot = 0;
    std::shared_ptr<const AVFrame> frame;
    AVRational sampleAspect{1, 1};
};

}  // namespace mci
