#pragma once

#include "platform/mci/av_handles.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace mci {

// Turns decoded audio of any sample format, rate and channel layout into interleaved
// float stereo at one fixed rate. Wider layouts are downmixed with the usual matrix
// (centre and surrounds at -3 dB, no LFE) scaled so that the sum cannot clip; mono
// goes unchanged to both sides. A change of format mid-stream is followed. Used by one
// thread at a time.
class StereoResampler {
public:
    using Output = std::function<void(const float *interleaved, std::int64_t frames)>;

    explicit StereoResampler(int outRate);
    ~StereoResampler();
    StereoResampler(const StereoResampler &) = delete;
    StereoResampler &operator=(const StereoResampler &) = delete;

    // Where the next input sample goes: the output is exactly in step with the input
    // from the start of a segment (a stretch of input of one format), where output
    // frame segmentStart + k stands for input time k * inRate / outRate.
    struct Place {
        std::int64_t segmentStart = 0;  // output frames since reset() when the segment began
        std::int64_t segmentInput = 0;  // input frames of the segment before this point
        int inRate = 0;
    };

    // Gets ready for a frame of this format, draining what a previous format left.
    // False when such a frame cannot be converted.
    bool accept(const AVFrame &frame, const Output &out);
    Place place() const { return {m_segmentStart, m_segmentInput, m_inRate}; }
    // Converts `frame` without its first `skip` samples.
    void push(const AVFrame &frame, const Output &out, int skip = 0);
    void drain(const Output &out);  // what the filter still holds, at the end of a run
    void reset();  // drops what is held; output counts start again from 0

private:
    void emit(int frames, const Output &out);

    int m_outRate;
    SwrPtr m_swr;
    AVChannelLayout m_inLayout{};
    int m_inRate = 0;
    int m_inFormat = -1;
    std::int64_t m_emitted = 0;
    std::int64_t m_segmentStart = 0;  // m_emitted when the current input format began
    std::int64_t m_segmentInput = 0;  // input frames pushed since then
    std::vector<float> m_buffer;
    std::vector<const std::uint8_t *> m_planes;
};

}  // namespace mci
