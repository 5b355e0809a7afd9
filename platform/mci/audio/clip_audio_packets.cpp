#include "platform/mci/audio/clip_audio_packets.h"

namespace mci {

ClipAudioPackets::ClipAudioPackets(std::shared_ptr<const ClipIndex> clip)
    : m_clip(std::move(clip)), m_stream(*m_clip->audio()) {}

}  // namespace mci
