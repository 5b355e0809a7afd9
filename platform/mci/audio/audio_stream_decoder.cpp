#include "platform/mci/audio/audio_stream_decoder.h"

namespace mci {

AudioStreamDecoder::AudioStreamDecoder(const AVCodecParameters &params)
    : m_piece(makePacket()), m_frame(makeFrame()) {
    if (!m_piece || !m_frame) return;
    const AVCodec *codec = avcodec_find_decoder(params.codec_id);
    if (!codec) return;
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context || avcodec_parameters_to_context(context.get(), &params) < 0) return;
    context->thread_count = 1;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return;
    m_context = std::move(context);
    // As the AVI demuxer does: AAC with its setup in the header is stored as exact raw
    // frames, which its parser (made for ADTS) would mangle; FLAC frames come whole.
    const bool rawFrames = (params.codec_id == AV_CODEC_ID_AAC && params.extradata_size > 0) ||
                           params.codec_id == AV_CODEC_ID_FLAC;
    if (!rawFrames) m_parser.reset(av_parser_init(params.codec_id));
}

void AudioStreamDecoder::decode(const AVPacket &packet, std::int64_t index, const FrameHandler &onFrame) {
    if (!m_context || packet.size <= 0) return;  // an empty packet would end the stream
    if (!m_parser) {
        av_packet_unref(m_piece.get());
        if (av_packet_ref(m_piece.get(), &packet) < 0) return;
        m_piece->pts = index;
        m_piece->dts = AV_NOPTS_VALUE;
        send(m_piece.get(), onFrame);
        return;
    }
    const std::uint8_t *data = packet.data;
    int left = packet.size;
    while (left > 0) {
        std::uint8_t *out = nullptr;
        int outSize = 0;
        const int used = av_parser_parse2(m_parser.get(), m_context.get(), &out, &outSize, data, left, index,
                                          AV_NOPTS_VALUE, packet.pos);
        if (used < 0 || (used == 0 && outSize == 0)) break;
        data += used;
        left -= used;
        if (outSize > 0) sendPiece(out, outSize, onFrame);
    }
}

void AudioStreamDecoder::drain(const FrameHandler &onFrame) {
    if (!m_context) return;
    if (m_parser) {
        std::uint8_t *out = nullptr;
        int outSize = 0;
        av_parser_parse2(m_parser.get(), m_context.get(), &out, &outSize, nullptr, 0, AV_NOPTS_VALUE,
                         AV_NOPTS_VALUE, -1);
        if (outSize > 0) sendPiece(out, outSize, onFrame);
    }
    send(nullptr, onFrame);
}

// Hands one frame the parser cut out on to the decoder.
void AudioStreamDecoder::sendPiece(std::uint8_t *data, int size, const FrameHandler &onFrame) {
    av_packet_unref(m_piece.get());
    m_piece->data = data;
    m_piece->size = size;
    m_piece->pts = m_parser->pts;
    send(m_piece.get(), onFrame);
}

void AudioStreamDecoder::send(const AVPacket *packet, const FrameHandler &onFrame) {
    // A packet the codec refuses is skipped: the rest of the track still plays.
    if (avcodec_send_packet(m_context.get(), packet) < 0 && packet) return;
    while (avcodec_receive_frame(m_context.get(), m_frame.get()) == 0) {
        if (m_frame->nb_samples > 0) onFrame(*m_frame);
        av_frame_unref(m_frame.get());
    }
}

}  // namespace mci
