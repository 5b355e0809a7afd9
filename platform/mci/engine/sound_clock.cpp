#include "platform/mci/engine/sound_clock.h"

#include <algorithm>
#include <cmath>

namespace mci {

namespace {

// An error is taken out over this long, at most this much faster or slower than the
// sound: slowly enough to smooth over a device that tells its buffers a few
// milliseconds early or late, quickly enough to follow one whose rate is a little off.
constexpr double kSteerNs = 0.2e9;
constexpr double kMostSteer = 0.05;
// An error larger than this is no jitter (the play's start, a device held up): the
// clock goes straight to the device's word if behind, or stands until the sound has
// caught up if ahead, since it must not run backwards.
constexpr double kJumpNs = 0.05e9;

}  // namespace

double SoundClock::Line::at(std::int64_t time) const {
    return position + speed * static_cast<double>(std::max<std::int64_t>(time - since, 0));
}

std::int64_t SoundClock::Line::when(double frames) const {
    return speed > 0 ? since + std::llround((frames - position) / speed) : since;
}

SoundClock::SoundClock(int rate) : m_speed(rate * 1e-9) {}

void SoundClock::restart(std::int64_t firstBuffer) {
    m_line = Line{0, firstBuffer, m_speed};
}

void SoundClock::buffer(std::int64_t handedOut, std::int64_t queued, std::int64_t time) {
    const double told = static_cast<double>(std::max<std::int64_t>(handedOut - queued, 0));
    const double now = m_line.at(time);
    const double behind = told - now;
    if (behind > kJumpNs * m_speed) {
        m_line = Line{told, time, m_speed};
    } else if (behind < -kJumpNs * m_speed || (behind < 0 && m_line.since > time)) {  // a stand goes on
        m_line = Line{now, time + std::llround(-behind / m_speed), m_speed};
    } else {
        const double steer = std::clamp(behind / (kSteerNs * m_speed), -kMostSteer, kMostSteer);
        m_line = Line{now, time, m_speed * (1 + steer)};
    }
}

}  // namespace mci
