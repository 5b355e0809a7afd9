#pragma once

#include "platform/mci/audio_interfaces.h"

namespace mci {

// No sound device: open() always fails, so the player times itself by the system
// clock, exactly as on a machine without sound.
class NullAudioSink : public AudioSink {
public:
    bool open(int, AudioSource &) override { return false; }
    void close() override {}
    void setRunning(bool) override {}
    int rate() const override { return 0; }
    double latencySeconds() const override { return 0.0; }
};

}  // namespace mci
