#pragma once

#include "platform/mci/picture.h"

namespace mci {

// Where the device puts the picture on screen. Called on the device's presentation
// worker only, so presents and clears arrive in order (and once the device's threads
// are gone, clear() on its owner's thread); must not block for long and must not call
// back into the device.
class VideoSink {
public:
    virtual ~VideoSink() = default;
    virtual void present(const Picture &picture) = 0;
    virtual void clear() = 0;  // the clip was closed
};

class NullVideoSink : public VideoSink {
public:
    void present(const Picture &) override {}
    void clear() override {}
};

}  // namespace mci
