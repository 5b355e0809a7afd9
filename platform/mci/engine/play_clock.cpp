#include "platform/mci/engine/play_clock.h"

#include "platform/mci/engine/sound_player.h"

namespace mci {

PlayClock::PlayClock(double fps, double startSeconds, bool backward, SoundPlayer *sound)
    : m_fps(fps), m_startSeconds(startSeconds), m_backward(backward), m_sound(sound) {}

PlayClock::~PlayClock() {
    if (m_sound) m_sound->stop();
}

PlayClock::Clock::duration PlayClock::seconds(double s) const {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

void PlayClock::start() {
    if (m_sound) m_sound->start(m_startSeconds, m_backward);
    m_startWall = Clock::now();
}

PlayClock::Clock::time_point PlayClock::due(int picture) const {
    const double offset = picture / m_fps;
    if (auto heard = m_sound ? m_sound->whenHeard(m_startSeconds + (m_backward ? -offset : offset)) : std::nullopt)
        return *heard;
    return m_startWall + seconds(offset);
}

bool PlayClock::late(Clock::time_point due) const {
    return Clock::now() > due + seconds(1.0 / m_fps);
}

PlayClock::Clock::time_point PlayClock::end(int pictures) const {
    return due(pictures);
}

}  // namespace mci
