#include "platform/mci/audio/stereo_resampler.h"

#include "platform/mci/clip_limits.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>

namespace mci {

StereoResampler::StereoResampler(int outRate) : m_outRate(outRate) {}

StereoResampler::~StereoResampler() { av_channel_layout_uninit(&m_inLayout); }

void StereoResampler::reset() {
    m_swr.reset();
    av_channel_layout_uninit(&m_inLayout);
    m_inRate = 0;
    m_inFormat = -1;
    m_emitted = m_segmentStart = m_segmentInput = 0;
}

bool StereoResampler::accept(const AVFrame &frame, const Output &out) {
    if (m_swr && frame.sample_rate == m_inRate && frame.format == m_inFormat &&
        av_channel_layout_compare(&frame.ch_layout, &m_inLayout) == 0)
        return true;
    if (m_swr) drain(out);
    m_swr.reset();
    av_channel_layout_uninit(&m_inLayout);
    if (!clip_limits::soundFits(frame.sample_rate, frame.ch_layout.nb_channels)) return false;
    if (av_channel_layout_copy(&m_inLayout, &frame.ch_layout) < 0) return false;
    m_inRate = frame.sample_rate;
    m_inFormat = frame.format;
    m_segmentStart = m_emitted;
    m_segmentInput = 0;

    // Channels with no known meaning are taken in the usual order for their count.
    AVChannelLayout in{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, frame.ch_layout.nb_channels);
    else if (av_channel_layout_copy(&in, &frame.ch_layout) < 0)
        return false;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext *raw = nullptr;
    const int rc = swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_FLT, m_outRate, &in,
                                       static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
    SwrPtr swr(raw);
    const int inChannels = in.nb_channels;
    av_channel_layout_uninit(&in);
    if (rc < 0 || !swr) return false;
    if (inChannels == 1) {
        const double both[2] = {1.0, 1.0};
        if (swr_set_matrix(swr.get(), both, 1) < 0) return false;
    } else {
        av_opt_set_double(swr.get(), "rematrix_maxval", 1.0, 0);
    }
    if (swr_init(swr.get()) < 0) return false;
    m_swr = std::move(swr);
    return true;
}

void StereoResampler::push(const AVFrame &frame, const Output &out, int skip) {
    if (!accept(frame, out)) return;  // a frame nobody can convert is left out
    const int count = frame.nb_samples - skip;
    if (skip < 0 || count <= 0) return;
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const int bytes = av_get_bytes_per_sample(format);
    const int channels = frame.ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(format);
    m_planes.resize(planar ? channels : 1);
    for (std::size_t p = 0; p < m_planes.size(); ++p)
        m_planes[p] = frame.extended_data[p] + static_cast<std::ptrdiff_t>(skip) * bytes * (planar ? 1 : channels);

    const int room = swr_get_out_samples(m_swr.get(), count);
    if (room <= 0) return;
    m_buffer.resize(static_cast<std::size_t>(room) * 2);
    std::uint8_t *dst = reinterpret_cast<std::uint8_t *>(m_buffer.data());
    const int made = swr_convert(m_swr.get(), &dst, room, m_planes.data(), count);
    m_segmentInput += count;
    emit(made, out);
}

void StereoResampler::drain(const Output &out) {
    if (!m_swr) return;
    for (;;) {
        const int room = std::max(swr_get_out_samples(m_swr.get(), 0), 0) + 256;
        m_buffer.resize(static_cast<std::size_t>(room) * 2);
        std::uint8_t *dst = reinterpret_cast<std::uint8_t *>(m_buffer.data());
        const int made = swr_convert(m_swr.get(), &dst, room, nullptr, 0);
        if (made <= 0) break;
        emit(made, out);
    }
}

void StereoResampler::emit(int frames, const Output &out) {
    if (frames <= 0) return;
    m_emitted += frames;
    out(m_buffer.data(), frames);
}

}  // namespace mci
