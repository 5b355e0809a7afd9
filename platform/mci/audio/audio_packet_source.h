#pragma once

#include "platform/mci/av_handles.h"

#include <cstddef>

namespace mci {

// The compressed packets of one audio stream, in file order, as the decoder thread
// pulls them. Called on that thread only; may block on the disk.
class AudioPacketSource {
public:
    virtual ~AudioPacketSource() = default;
    virtual const AVCodecParameters &parameters() const = 0;
    virtual AVRational timeBase() const = 0;
    virtual std::size_t packetCount() const = 0;
    virtual PacketPtr readPacket(std::size_t index) const = 0;  // null: unreadable, skipped
};

}  // namespace mci
