#pragma once

#include <cstdint>

namespace mci {

// Which sample of a play is being heard at any moment, and when a sample will be,
// although the sound device tells it only as it takes each buffer: then the sample
// heard is the last one handed to it less what it still holds. Between buffers the
// clock runs on at the sound's rate, and each buffer steers it gently toward where the
// device says it is, so that it neither jumps a buffer at a time nor drifts from the
// sound. It never runs backwards: far ahead (the device was held up) it stands until
// the sound catches up. Pure arithmetic: positions are sample frames since the play
// started, times nanoseconds on one steady clock; the caller publishes the line
// between threads.
class SoundClock {
public:
    // Where the clock stands from a moment on: before `since` it stands at `position`.
    struct Line {
        double position = 0;  // frames heard at `since`
        std::int64_t since = 0;
        double speed = 0;  // frames per nanosecond from then on
        double at(std::int64_t time) const;  // frames heard at `time`
        std::int64_t when(double frames) const;  // the time `frames` are heard at
    };

    explicit SoundClock(int rate);

    // A new play: nothing is heard until `firstBuffer`, when the device is expected to
    // take the play's first buffer.
    void restart(std::int64_t firstBuffer);
    // The device took a buffer at `time`: of the `handedOut` frames given it since the
    // play started, `queued` are not heard yet.
    void buffer(std::int64_t handedOut, std::int64_t queued, std::int64_t time);
    const Line &line() const { return m_line; }

private:
    const double m_speed;  // the sound's own rate, frames per nanosecond
    Line m_line;
};

}  // namespace mci
