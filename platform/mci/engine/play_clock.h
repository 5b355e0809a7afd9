#pragma once

#include <chrono>

namespace mci {

class SoundPlayer;

// When each picture of a timed play is due. With sound, the sound being heard is the
// clock; without, the wall clock from the moment the first picture was ready. A picture
// more than a frame late is to be dropped: the sound never is.
class PlayClock {
public:
    using Clock = std::chrono::steady_clock;

    // `sound` may be null. The play starts at clip time `startSeconds`.
    PlayClock(double fps, double startSeconds, bool backward, SoundPlayer *sound);
    ~PlayClock();  // stops the sound

    void start();  // the first picture is ready: the clocks (and the sound) start now
    Clock::time_point due(int picture) const;  // the picture-th of the play, from 0
    bool late(Clock::time_point due) const;
    Clock::time_point end(int pictures) const;  // when the last of so many has had its time

private:
    Clock::duration seconds(double s) const;

    const double m_fps;
    const double m_startSeconds;
    const bool m_backward;
    SoundPlayer *const m_sound;
    Clock::time_point m_startWall;
};

}  // namespace mci
