#pragma once

#include <cstddef>

namespace mci {

class FrameDecoder;

// Pictures of the segment below decoded before any shown one is let go, and so ready
// before a backward play starts its clock: a first segment of a few pictures would
// otherwise be shown before the group below it is decoded.
constexpr int kBackwardLead = 8;

// How a backward play is cut into segments, each decoded whole into the frame cache
// while the one above it is shown, top segment first.

// Pictures one segment may hold: the whole budget but the picture on screen and a few
// of the segment below, since that one moves in as the shown ones are let go, and every
// picture fewer per segment means decoding more of a group once more.
int backwardSegmentFrames(std::size_t budgetBytes, std::size_t pictureBytes);

// Where the segment that ends at `high` starts. A segment costs a decode from its
// group's key frame up to its top, so it is as long as `segmentFrames` allows and stays
// within one group: one reaching into the group below would pay for that group too. A
// group that opens with frames shown from the one before starts at its first own picture
// (a run from its key learns where that is, moving the decoder).
int backwardSegmentStart(FrameDecoder &decoder, int high, int bottom, int segmentFrames);

}  // namespace mci
