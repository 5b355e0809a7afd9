#pragma once

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/engine/seqlock.h"
#include "platform/mci/engine/sound_clock.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace mci {

// Plays a clip's sound track forwards or backwards from a point and is the clock a
// timed play follows. start/stop/whenHeard/close are called on the device's worker,
// setMuted on any thread; fill() runs on the audio thread.
class SoundPlayer : public AudioSource {
public:
    using Clock = std::chrono::steady_clock;

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
    // When the sound at clip time `seconds` is heard, by the clock of the sound being
    // played (smooth between the buffers the device takes, never going back), or
    // nothing when no sound is playing.
    std::optional<Clock::time_point> whenHeard(double seconds) const;

    void fill(std::span<float> interleavedStereo) override;

private:
    AudioSink &m_sink;
    std::unique_ptr<AudioTrack> m_track;
    bool m_open = false;
    int m_rate = 48000;
    std::int64_t m_queued = 0;  // frames the device holds, not heard yet: set before it first runs
    std::atomic<std::int64_t> m_next{0};  // next sample frame to hand out
    std::atomic<int> m_direction{0};  // +1, -1, 0 stopped
    std::atomic<bool> m_muted{false};
    std::atomic<std::int64_t> m_lastAsked{0};  // when fill() was last called, ns: the device's beat

    // The audio thread in fill(), and start() while the device is paused.
    std::int64_t m_handedOut = 0;  // frames handed out since the play started
    SoundClock m_soundClock;
    Seqlock<SoundClock::Line> m_heard;  // m_soundClock's line, for the worker to read

    // The worker only.
    std::int64_t m_from = 0;  // the sample frame the play started at
};

}  // namespace mci
