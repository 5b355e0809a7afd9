#include "platform/mci/engine/backward_budget.h"

#include "platform/mci/engine/backward_planner.h"

#include <algorithm>
#include <unistd.h>

namespace mci {

namespace {
constexpr std::size_t kMiB = std::size_t{1} << 20;
// Pictures under the ceiling between its floor and its cap: a group of 250 at 1080p in
// two pieces, the second of some 60 pictures.
constexpr std::size_t kCeilingPictures = 200;
// Enough for a group of 250 of 1280x720 whole, and any smaller picture's.
constexpr std::size_t kCeilingFloor = 384 * kMiB;
// Past this, each piece saved costs more memory than its decode costs time: at 4K it
// holds some 80 pictures, a group of 250 in four pieces.
constexpr std::size_t kCeilingCap = 1024 * kMiB;
constexpr std::size_t kMachineShare = 8;  // at most an eighth of the machine's memory
}  // namespace

std::size_t backwardNeedBytes(int longestGroup, std::size_t pictureBytes) {
    // The inverse of backwardSegmentFrames for a segment of the group and the one on screen.
    const std::size_t pictures = static_cast<std::size_t>(std::max(longestGroup, 1)) + 2 + 1 + kBackwardLead;
    return pictures * std::max<std::size_t>(pictureBytes, 1);
}

std::size_t backwardCeilingBytes(std::size_t pictureBytes, std::size_t physicalBytes) {
    const std::size_t grown = std::clamp(kCeilingPictures * pictureBytes, kCeilingFloor, kCeilingCap);
    return physicalBytes > 0 ? std::min(grown, physicalBytes / kMachineShare) : grown;
}

std::size_t backwardBudgetBytes(int longestGroup, std::size_t pictureBytes, std::size_t ceilingBytes) {
    return std::min(backwardNeedBytes(longestGroup, pictureBytes), ceilingBytes);
}

std::size_t physicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageBytes = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageBytes > 0 ? static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageBytes) : 0;
}

}  // namespace mci
