#pragma once

#include "platform/mci/audio_interfaces.h"

#include <SDL.h>

#include <memory>

namespace mci {

// Sound through SDL's audio subsystem: float stereo at the asked rate (SDL converts
// when the hardware wants otherwise), pulled by SDL's audio thread from the source.
// Each open sink holds its own reference to the subsystem. Not open, or with no
// device to open, it is simply silent.
class SdlAudioSink : public AudioSink {
public:
    SdlAudioSink();
    ~SdlAudioSink() override;
    SdlAudioSink(const SdlAudioSink &) = delete;
    SdlAudioSink &operator=(const SdlAudioSink &) = delete;

    // `source` must outlive the open device. Opens paused.
    bool open(int rate, AudioSource &source) override;
    void close() override;  // returns once the source is no longer called
    void setRunning(bool running) override;
    int rate() const override;
    double latencySeconds() const override;  // one device buffer

private:
    struct Opened;
    static void SDLCALL pull(void *sink, Uint8 *stream, int bytes);

    std::unique_ptr<Opened> m_opened;
    AudioSource *m_source = nullptr;
};

}  // namespace mci
