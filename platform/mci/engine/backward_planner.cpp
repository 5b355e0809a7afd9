#include "platform/mci/engine/backward_planner.h"

#include "platform/mci/engine/frame_decoder.h"

#include <algorithm>

namespace mci {

namespace {
// The lead beside a segment: the two overlap only by what the worker has not shown yet.
// At most an eighth of a small budget.
std::size_t leadFor(std::size_t pictures) { return std::min<std::size_t>(kBackwardLead, pictures / 8); }

// Where the group of `key` starts showing its own pictures. Until a run has learnt it,
// one from the key finds out with its first picture: a segment planned from the key
// itself would reach down into the group before and decode that group for two slots.
// Asked for a slot of the group's own, that run is the one its segment needs, and the
// decoder goes on with it.
int groupLowOf(FrameDecoder &decoder, int key, int ownSlot) {
    const bool first = key <= decoder.clip().keySlotAtOrBefore(0);  // nothing before it to show
    if (!first && !decoder.groupFirstSlot(key)) decoder.seek(ownSlot);
    return decoder.groupFirstSlot(key).value_or(key);
}

}  // namespace

int backwardSegmentFrames(std::size_t budgetBytes, std::size_t pictureBytes) {
    // The picture on screen stays cached while the segment below it is filled.
    const std::size_t pictures = budgetBytes / std::max<std::size_t>(pictureBytes, 1);
    const std::size_t beside = std::min(pictures, 1 + leadFor(pictures));
    return static_cast<int>(std::max<std::size_t>(1, pictures - beside));
}

int backwardSegmentStart(FrameDecoder &decoder, int high, int bottom, int segmentFrames) {
    const ClipIndex &clip = decoder.clip();
    int key = clip.keySlotAtOrBefore(high);
    int groupLow = groupLowOf(decoder, key, high);
    if (groupLow > high && key > 0) {
        const int above = key;
        key = clip.keySlotAtOrBefore(above - 1);
        groupLow = groupLowOf(decoder, key, above - 1);
    }
    return std::max(std::clamp(groupLow, bottom, high), high - segmentFrames + 1);
}

}  // namespace mci
