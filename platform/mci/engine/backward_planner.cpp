#include "platform/mci/engine/backward_planner.h"

#include "platform/mci/engine/frame_decoder.h"

#include <algorithm>

namespace mci {

namespace {
// Eighths of the budget one segment may take: the rest holds the picture on screen and
// lets the next segment start moving in.
constexpr std::size_t kSegmentEighths = 7;
}  // namespace

int backwardSegmentFrames(std::size_t budgetBytes, std::size_t pictureBytes) {
    // The picture on screen stays cached while the segment below it is filled.
    const std::size_t per = std::max<std::size_t>(pictureBytes, 1);
    const std::size_t fit = std::min(budgetBytes / 8 * kSegmentEighths / per, budgetBytes / per - std::min<std::size_t>(budgetBytes / per, 1));
    return static_cast<int>(std::max<std::size_t>(1, fit));
}

std::size_t backwardNeedBytes(int longestGroup, std::size_t pictureBytes) {
    // The inverse of backwardSegmentFrames for a segment of the group and the one on screen.
    const std::size_t pictures = (static_cast<std::size_t>(std::max(longestGroup, 1)) + 2) * 8 / kSegmentEighths + 1 + kBackwardLead;
    return pictures * std::max<std::size_t>(pictureBytes, 1);
}

int backwardSegmentStart(const FrameDecoder &decoder, int high, int bottom, int segmentFrames) {
    const ClipIndex &clip = decoder.clip();
    int key = clip.keySlotAtOrBefore(high);
    int groupLow = decoder.groupFirstSlot(key).value_or(key);
    if (groupLow > high && key > 0) {
        key = clip.keySlotAtOrBefore(key - 1);
        groupLow = decoder.groupFirstSlot(key).value_or(key);
    }
    return std::max(std::clamp(groupLow, bottom, high), high - segmentFrames + 1);
}

}  // namespace mci
