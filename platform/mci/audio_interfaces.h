#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace mci {

class ClipIndex;

// Pulls the samples to play. Called on the audio thread. Must not block or allocate;
// fills with silence when it has nothing rather than waiting.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual void fill(std::span<float> interleavedStereo) = 0;
};

// Plays what an AudioSource gives, as 32-bit float stereo at rate().
class AudioSink {
public:
    virtual ~AudioSink() = default;
    virtual bool open(int rate, AudioSource &source) = 0;  // false: no sound device
    virtual void close() = 0;
    virtual void setRunning(bool running) = 0;  // paused sinks pull nothing
    virtual int rate() const = 0;
    virtual double latencySeconds() const = 0;  // queued in the device, not yet heard
};

// The whole audio track of a clip, decoded in the background to float stereo at a
// fixed rate (channel layouts downmixed, VBR timed by decoded samples). Reads of
// samples not decoded yet give silence. read() may be called on the audio thread.
class AudioTrack {
public:
    virtual ~AudioTrack() = default;
    virtual int rate() const = 0;
    virtual std::int64_t frames() const = 0;  // sample frames known so far
    // Copies out.size()/2 frames starting at `first`; backward copies first, first-1, ...
    virtual void read(std::int64_t first, bool backward, std::span<float> out) const = 0;
};

std::unique_ptr<AudioTrack> decodeAudioTrack(std::shared_ptr<const ClipIndex> clip, int rate);
std::unique_ptr<AudioSink> makeSdlAudioSink();  // null-safe: open() fails without a device
std::unique_ptr<AudioSink> makeNullAudioSink();

}  // namespace mci
