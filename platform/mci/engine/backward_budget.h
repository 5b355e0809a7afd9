#pragma once

#include <cstddef>

namespace mci {

// How much memory backward play may hold for a clip. A group of frames decoded whole
// into the cache costs one decode per picture; cut into k pieces it costs about (k+1)/2,
// each piece a decode from the group's key frame. So a clip gets what its longest group
// and the lead beside it need, up to a ceiling that grows with the picture size: small
// pictures need little and always fit; large ones are cut into a few pieces rather than
// hold gigabytes.

// What the longest group needs: decoded as one segment beside the picture on screen,
// and a few pictures more, so that the group below moves in as the shown one is let go
// instead of waiting for all of it.
std::size_t backwardNeedBytes(int longestGroup, std::size_t pictureBytes);

// The most a clip with pictures of `pictureBytes` may hold on a machine with
// `physicalBytes` of memory.
std::size_t backwardCeilingBytes(std::size_t pictureBytes, std::size_t physicalBytes);

// What the cache may hold: the need, up to `ceilingBytes`.
std::size_t backwardBudgetBytes(int longestGroup, std::size_t pictureBytes, std::size_t ceilingBytes);

std::size_t physicalMemoryBytes();  // 0 if unknown

}  // namespace mci
