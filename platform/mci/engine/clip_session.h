#pragma once

#include "platform/mci/engine/clip_index.h"
#include "platform/mci/engine/frame_cache.h"
#include "platform/mci/engine/frame_decoder.h"
#include "platform/mci/engine/sound_player.h"

#include <memory>

namespace mci {

// One open clip and what playing it needs. Made by "open" on the owner's thread, then
// shared by the owner, the presentation worker and the decode thread. On "close" the
// device's threads take it apart (the decode thread frees the decoder, the worker
// gives the sound sink back and empties the cache), so that whoever lets go last, the
// owner included, frees only a little memory. "open" waits for that to be done.
struct ClipSession {
    ClipSession(std::shared_ptr<const ClipIndex> clip, std::unique_ptr<FrameDecoder> decoder,
                std::unique_ptr<SoundPlayer> sound, std::size_t cacheCeiling)
        : clip(std::move(clip)), cacheCeiling(cacheCeiling), cache(cacheCeiling),
          sound(std::move(sound)), decoder(std::move(decoder)) {}

    // Immutable: any thread.
    const std::shared_ptr<const ClipIndex> clip;
    const std::size_t cacheCeiling;  // 0: the cache is sized to the clip's pictures
    // Locks itself: the decode thread fills it, the worker reads it (and empties it on close).
    // Its budget is set by the decode thread once the first picture tells its size.
    FrameCache cache;
    // start/stop/clock/close on the worker only; setMuted from the owner (atomic). May be null.
    const std::unique_ptr<SoundPlayer> sound;
    // The decode thread only, once the session has been handed over; freed by it on close.
    std::unique_ptr<FrameDecoder> decoder;

    int length() const { return clip->length(); }
};

}  // namespace mci
