#pragma once

#include "platform/mci/audio_interfaces.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace mci {

// Plays a clip's sound track forwards or backwards from a point and is the clock a
// timed play follows. start/stop/mute are called on the device's threads; fill() runs
// on the audio thread.
class SoundPlayer : public AudioSource {
public:
    // Opens the sink, and only if there is one decodes the track.
    SoundPlayer(AudioSink &sink, int rate, const std::function<std::unique_ptr<AudioTrack>()> &decode);
    ~SoundPlayer() override;

    bool hasSound() const { return m_open; }
    // Plays from clip time `seconds`, backwards when `backward`, until stopped.
    void start(double seconds, bool backward);
    void stop();
    // Gives the sink back (it waits for the audio thread); then the player is silent.
    void close();
    void setMuted(bool muted) { m_muted.store(muted); }
    // The clip time being heard now, or nothing when no sound is playing.
    std::optional<double> clock() const;

    void fill(std::span<float> interleavedStereo) override;

private:
    AudioSink &m_sink;
    std::unique_ptr<AudioTrack> m_track;
    bool m_open = false;
    int m_rate = 48000;
    std::atomic<std::int64_t> m_next{0};  // next sample frame to hand out
    std::atomic<int> m_direction{0};  // +1, -1, 0 stopped
    std::atomic<bool> m_muted{false};
};

}  // namespace mci
