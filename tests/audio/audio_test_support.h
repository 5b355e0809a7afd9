#pragma once

#include "platform/mci/audio/clip_audio_packets.h"
#include "platform/mci/audio/decoded_audio_track.h"
#include "platform/mci/clip_index.h"
#include "tests/support/test_clips.h"

#include <cmath>
#include <cstring>
#include <variant>

namespace audio_test {

// An AVI with a small picture (the device wants one) and the sound of the lavfi graph `audio`.
inline std::string makeClip(const std::string &name, double seconds, const std::string &audio,
                            const std::vector<std::string> &codec) {
    std::vector<std::string> args{"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25", "-f", "lavfi", "-i", audio,
                                  "-map", "0:v", "-map", "1:a", "-c:v", "mpeg4", "-t", std::to_string(seconds)};
    args.insert(args.end(), codec.begin(), codec.end());
    return test_clips::make(name, args);
}

inline std::shared_ptr<const mci::ClipIndex> openClip(const std::string &path) {
    return std::get<std::shared_ptr<const mci::ClipIndex>>(mci::ClipIndex::open(path));
}

inline std::unique_ptr<mci::DecodedAudioTrack> decode(const std::string &path, int rate,
                                                      mci::AudioTrackOptions options = {}) {
    auto packets = std::make_unique<mci::ClipAudioPackets>(openClip(path));
    return std::make_unique<mci::DecodedAudioTrack>(std::move(packets), rate, options);
}

// Into a buffer of a value no sound has, so that samples left unwritten show.
inline std::vector<float> read(const mci::AudioTrack &track, std::int64_t first, std::int64_t count,
                               bool backward = false) {
    std::vector<float> out(count * 2, 9.0f);
    track.read(first, backward, out);
    return out;
}

inline std::vector<float> readAll(const mci::DecodedAudioTrack &track) {
    track.waitUntilIdle();  // its first run is over
    return read(track, 0, track.frames());
}

// What a read of the whole track `all` gives: silence outside it.
inline std::vector<float> expectedRead(const std::vector<float> &all, std::int64_t first, std::int64_t count,
                                       bool backward = false) {
    std::vector<float> out(count * 2, 0.0f);
    for (std::int64_t i = 0, f = first; i < count; ++i, f += backward ? -1 : 1)
        if (f >= 0 && 2 * f < std::ssize(all)) std::copy_n(all.begin() + 2 * f, 2, out.begin() + 2 * i);
    return out;
}

// Over the shorter of the two.
inline float worstDifference(const std::vector<float> &a, const std::vector<float> &b) {
    float worst = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

}  // namespace audio_test
