#pragma once

#include "platform/mci/engine/clip_index.h"
#include "platform/mci/engine/frame_cache.h"
#include "platform/mci/engine/frame_decoder.h"
#include "platform/mci/engine/sound_player.h"

#include <memory>

namespace mci {

// One open clip and what playing it needs. Made by "open" on the owner's thread, then
// shared by the owner, the presentation worker and the decode thread; whichever lets go
// last frees it. "open" waits until the previous clip's session is gone, so that two
// never share the sound sink.
struct ClipSession {
    ClipSession(std::shared_ptr<const ClipIndex> clip, std::unique_ptr<FrameDecoder> decoder,
                std::unique_ptr<SoundPlayer> sound, std::size_t cacheBytes)
        : clip(std::move(clip)), cache(cacheBytes), sound(std::move(sound)), decoder(std::move(decoder)) {}

    // Immutable: any thread.
    const std::shared_ptr<const ClipIndex> clip;
    // Locks itself: the decode thread fills it, the worker reads it.
    FrameCache cache;
    // start/stop/clock on the worker only; setMuted from the owner (atomic). May be null.
    const std::unique_ptr<SoundPlayer> sound;
    // The decode thread only, once the session has been handed over.
    const std::unique_ptr<FrameDecoder> decoder;

    int length() const { return clip->length(); }
};

}  // namespace mci
