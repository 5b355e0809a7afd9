#pragma once

#include <cstdint>

// The device's Mode values and Done codes, as the multimedia control reports them.
namespace mci_mode {
inline constexpr std::int32_t kNotOpen = 524;
inline constexpr std::int32_t kStopped = 525;  // also: open with no clip
inline constexpr std::int32_t kPlaying = 526;  // forward or backward
inline constexpr std::int32_t kSeeking = 528;
inline constexpr std::int32_t kPaused = 529;
}  // namespace mci_mode

namespace mci_notify {
inline constexpr int kSuccessful = 1;  // a play reached its end point
inline constexpr int kSuperseded = 2;  // another play replaced it
inline constexpr int kAborted = 4;  // stop, pause, step, back or close ended it
}  // namespace mci_notify
