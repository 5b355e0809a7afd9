#pragma once

#include "platform/mci/av_handles.h"

#include <cstdint>
#include <functional>

namespace mci {

// Decodes the packets of one audio stream, however the file cut them: AVI chunks may
// hold several compressed frames or part of one, so codecs with a parser go through it.
// Each packet is tagged with its index in the stream; a decoded frame comes back with
// the index of the packet it began in as its pts (AV_NOPTS_VALUE when the packet held
// several frames and this is not the first). Used by one thread at a time; to start
// again elsewhere in the stream, make a new one.
class AudioStreamDecoder {
public:
    using FrameHandler = std::function<void(const AVFrame &)>;

    explicit AudioStreamDecoder(const AVCodecParameters &params);
    bool ok() const { return m_context != nullptr; }

    void decode(const AVPacket &packet, std::int64_t index, const FrameHandler &onFrame);
    void drain(const FrameHandler &onFrame);  // the frames still held at the end of the stream

private:
    void sendPiece(std::uint8_t *data, int size, const FrameHandler &onFrame);
    void send(const AVPacket *packet, const FrameHandler &onFrame);

    CodecContextPtr m_context;
    ParserPtr m_parser;
    PacketPtr m_piece;  // one parsed frame
    FramePtr m_frame;
};

}  // namespace mci
