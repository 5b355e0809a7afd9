#pragma once

#include "platform/mci/audio/clip_audio_packets.h"
#include "platform/mci/audio/decoded_audio_track.h"
#include "platform/mci/clip_index.h"
#include "tests/support/test_clips.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace audio_test {

// An AVI of `seconds` with a small picture (the device wants one) and the sound of the
// lavfi graph `audio`, encoded with `codecArgs`.
std::string makeClip(const std::string &name, double seconds, const std::string &audio,
                     const std::vector<std::string> &codecArgs);

// A copy of `clip` named `name` whose audio stream header says the sound starts
// `start` units (of that header's scale/rate) after the start of the clip.
std::string withAudioStart(const std::string &clip, const std::string &name, std::uint32_t start);

// A copy of `clip` (with 8-bit PCM sound) whose sound format tag is replaced by MP3's,
// so that MP3 data written as PCM ends up in chunks cut anywhere, not on frames.
std::string withMp3Tag(const std::string &clip, const std::string &name);

// A copy of `clip` with every audio payload byte set to zero.
std::string withAudioZeroed(const std::string &clip, const std::string &name);

std::shared_ptr<const mci::ClipIndex> openClip(const std::string &path);

std::unique_ptr<mci::DecodedAudioTrack> decode(const std::string &path, int rate,
                                               mci::AudioTrackOptions options = {});

// The whole track once its first run is over, forwards.
std::vector<float> readAll(const mci::DecodedAudioTrack &track);

// ffmpeg's own decode of the clip's sound as float stereo at `rate`.
std::vector<float> oracle(const std::string &path, int rate);

// One channel (0 left, 1 right) of interleaved stereo.
std::vector<float> channel(const std::vector<float> &stereo, int which);

// Power of `freq` in samples[from, from+count) (Goertzel).
double tonePower(const std::vector<float> &mono, int rate, double freq, std::int64_t from, std::int64_t count);

// First sample whose magnitude reaches `threshold`, or -1.
std::int64_t onset(const std::vector<float> &mono, float threshold);

float peak(const std::vector<float> &samples);

}  // namespace audio_test
