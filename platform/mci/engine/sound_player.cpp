#include "platform/mci/engine/sound_player.h"

#include <algorithm>
#include <cmath>

namespace mci {

namespace {

std::int64_t nanoseconds(SoundPlayer::Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

}  // namespace

SoundPlayer::SoundPlayer(AudioSink &sink, int rate, const std::function<std::unique_ptr<AudioTrack>()> &decode)
    : m_sink(sink), m_rate(rate), m_soundClock(rate) {
    // The sink opens paused, so nothing is pulled before the track is there.
    if (!m_sink.open(m_rate, *this)) return;
    m_queued = std::llround(m_sink.latencySeconds() * m_rate);
    m_track = decode();
    if (m_track) {
        m_open = true;
        // Running on silence between plays, the device shows when it takes its buffers.
        m_sink.setRunning(true);
    } else {
        m_sink.close();
    }
}

SoundPlayer::~SoundPlayer() {
    close();
}

void SoundPlayer::close() {
    if (!m_open) return;
    m_open = false;
    m_direction.store(0);
    m_sink.close();
}

void SoundPlayer::start(double seconds, bool backward) {
    if (!m_open) return;
    m_sink.setRunning(false);  // from here until it runs again, the audio thread is out of fill()
    m_from = std::llround(seconds * m_rate);
    m_next.store(m_from);
    m_handedOut = 0;
    // The play is heard from the device's next buffer on: a buffer after the last one,
    // unless the device is late or has not run.
    const std::int64_t now = nanoseconds(Clock::now());
    const std::int64_t beat = m_queued * 1'000'000'000 / m_rate;
    const std::int64_t next = m_lastAsked.load() + beat;
    m_soundClock.restart(next >= now && next <= now + beat ? next : now);
    m_heard.store(m_soundClock.line());
    m_direction.store(backward ? -1 : 1);
    m_sink.setRunning(true);
}

void SoundPlayer::stop() {
    if (!m_open) return;
    m_direction.store(0);  // silence from the next buffer on
}

std::optional<SoundPlayer::Clock::time_point> SoundPlayer::whenHeard(double seconds) const {
    const int direction = m_direction.load();
    if (!m_open || direction == 0) return std::nullopt;
    const double frames = direction * (seconds * m_rate - static_cast<double>(m_from));
    const std::chrono::nanoseconds at(m_heard.load().when(frames));
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(at));
}

void SoundPlayer::fill(std::span<float> out) {
    const std::int64_t asked = nanoseconds(Clock::now());
    m_lastAsked.store(asked, std::memory_order_relaxed);
    const int direction = m_direction.load();
    const std::int64_t frames = static_cast<std::int64_t>(out.size() / 2);
    if (direction == 0) {
        std::fill(out.begin(), out.end(), 0.0f);
        return;
    }
    std::int64_t next = m_next.load();
    // Past either end of the track the clock still runs, on silence.
    if (direction > 0) {
        m_track->read(next, false, out);
        next += frames;
    } else {
        m_track->read(next - 1, true, out);
        next -= frames;
    }
    if (m_muted.load()) std::fill(out.begin(), out.end(), 0.0f);
    m_next.store(next);
    m_handedOut += frames;
    m_soundClock.buffer(m_handedOut, m_queued, asked);
    m_heard.store(m_soundClock.line());
}

}  // namespace mci
