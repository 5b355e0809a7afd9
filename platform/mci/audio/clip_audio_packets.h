#pragma once

#include "platform/mci/audio/audio_packet_source.h"
#include "platform/mci/engine/clip_index.h"

#include <memory>

namespace mci {

// The audio stream of an indexed clip, read straight from its file.
class ClipAudioPackets : public AudioPacketSource {
public:
    // `clip` must have an audio stream.
    explicit ClipAudioPackets(std::shared_ptr<const ClipIndex> clip);

    const AVCodecParameters &parameters() const override { return *m_stream.params; }
    AVRational timeBase() const override { return m_stream.timeBase; }
    std::size_t packetCount() const override { return m_stream.packets.size(); }
    PacketPtr readPacket(std::size_t index) const override { return m_clip->readPacket(m_stream, index); }

private:
    std::shared_ptr<const ClipIndex> m_clip;
    const StreamTable &m_stream;
};

}  // namespace mci
