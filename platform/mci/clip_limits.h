#pragma once

#include <cstdint>

// What a real AVI can hold, with room to spare. Anything beyond is a damaged or hostile
// file: its picture is refused at open (30296) before anything is allocated for it, and
// its sound is left out so that the picture plays silently. Chosen so that 4096x2304
// (the largest AVI cameras write) and OpenDML files far over 4 GB play.
namespace mci::clip_limits {

// Picture: each side, and the whole (twice 4096x2304). The decoder gets the same limit,
// so a size change inside the stream cannot go past it either.
inline constexpr int kMaxSide = 8192;
inline constexpr std::int64_t kMaxPixels = std::int64_t{4096} * 2304 * 2;
// Frame slots: 46 hours at 60 frames a second.
inline constexpr std::int64_t kMaxSlots = 10'000'000;
// Slots before the first picture: the stream header's start, at most ten seconds.
inline constexpr int kMaxLeadSeconds = 10;
inline constexpr std::int64_t kMinLeadSlots = 25;
// Sound chunks kept in the index: a day of MP3 at 48 kHz is 3.6 million.
inline constexpr std::int64_t kMaxSoundChunks = 8'000'000;
// Sound formats.
inline constexpr int kMinSampleRate = 1000;
inline constexpr int kMaxSampleRate = 384'000;
inline constexpr int kMaxChannels = 16;

inline bool pictureFits(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

inline bool soundFits(int rate, int channels) {
    return rate >= kMinSampleRate && rate <= kMaxSampleRate && channels > 0 && channels <= kMaxChannels;
}

}  // namespace mci::clip_limits
