#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

// Owning handles for every FFmpeg object, so no path can leak one.
namespace mci {

struct FormatContextCloser { void operator()(AVFormatContext *c) const { avformat_close_input(&c); } };
struct CodecContextFreer { void operator()(AVCodecContext *c) const { avcodec_free_context(&c); } };
struct FrameFreer { void operator()(AVFrame *f) const { av_frame_free(&f); } };
struct PacketFreer { void operator()(AVPacket *p) const { av_packet_free(&p); } };
struct ParametersFreer { void operator()(AVCodecParameters *p) const { avcodec_parameters_free(&p); } };
struct ParserCloser { void operator()(AVCodecParserContext *p) const { av_parser_close(p); } };
struct SwsFreer { void operator()(SwsContext *c) const { sws_freeContext(c); } };
struct SwrFreer { void operator()(SwrContext *c) const { swr_free(&c); } };

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextCloser>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using ParametersPtr = std::unique_ptr<AVCodecParameters, ParametersFreer>;
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserCloser>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFreer>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFreer>;

inline FramePtr makeFrame() { return FramePtr(av_frame_alloc()); }
inline PacketPtr makePacket() { return PacketPtr(av_packet_alloc()); }

// A decoded frame shared between cache, presenter and sinks.
inline std::shared_ptr<const AVFrame> shareFrame(FramePtr frame) {
    return std::shared_ptr<const AVFrame>(frame.release(), [](const AVFrame *f) {
        auto *p = const_cast<AVFrame *>(f);
        av_frame_free(&p);
    });
}

}  // namespace mci
