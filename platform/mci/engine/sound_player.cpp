#include "platform/mci/engine/sound_player.h"

#include <algorithm>
#include <cmath>

namespace mci {

SoundPlayer::SoundPlayer(AudioSink &sink, int rate, const std::function<std::unique_ptr<AudioTrack>()> &decode)
    : m_sink(sink), m_rate(rate) {
    // The sink opens paused, so nothing is pulled before the track is there.
    if (!m_sink.open(m_rate, *this)) return;
    m_track = decode();
    if (m_track) {
        m_open = true;
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
    m_sink.setRunning(false);
    m_next.store(std::llround(seconds * m_rate));
    m_direction.store(backward ? -1 : 1);
    m_sink.setRunning(true);
}

void SoundPlayer::stop() {
    if (!m_open) return;
    m_direction.store(0);
    m_sink.setRunning(false);
}

std::optional<double> SoundPlayer::clock() const {
    const int direction = m_direction.load();
    if (!m_open || direction == 0) return std::nullopt;
    const double handedOut = static_cast<double>(m_next.load()) / m_rate;
    return handedOut - direction * m_sink.latencySeconds();
}

void SoundPlayer::fill(std::span<float> out) {
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
}

}  // namespace mci
