#include "platform/mci/engine/frame_decoder.h"

#include "platform/mci/clip_limits.h"

#include <algorithm>
#include <thread>

namespace mci {

namespace {
constexpr int kReorderMargin = 8;

// FFmpeg 6.1 moved the key-frame mark into the flags; later versions drop the field.
bool isKeyFrame(const AVFrame &frame) {
#ifdef AV_FRAME_FLAG_KEY
    return (frame.flags & AV_FRAME_FLAG_KEY) != 0;
#else
    return frame.key_frame != 0;
#endif
}

// The decoder filled in what it could not decode (or says the picture is broken).
bool concealed(const AVFrame &frame) {
    return frame.decode_error_flags != 0 || (frame.flags & AV_FRAME_FLAG_CORRUPT);
}
}  // namespace

}  // namespace mci

namespace mci {

FrameDecoder::FrameDecoder(std::shared_ptr<const ClipIndex> clip, int threads)
    : m_clip(std::move(clip)), m_frame(makeFrame()) {
    const AVCodecParameters *par = m_clip->video().params.get();
    const AVCodec *codec = avcodec_find_decoder(par->codec_id);
    if (!codec || !m_frame) return;
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), par) < 0) return;
    ctx->pkt_timebase = m_clip->video().timeBase;
    ctx->max_pixels = clip_limits::kMaxPixels;  // a picture the bitstream makes larger is refused
    ctx->thread_count = threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return;
    m_context = std::move(ctx);
    // The first picture fixes how the decoder's stamps line up with the slots, for
    // every later run; it also gives the decoder the headers some files carry only
    // in their first chunk.
    restart(m_clip->keySlotAtOrBefore(0));
    if (!next()) m_context.reset();
}

FrameDecoder::~FrameDecoder() = default;

void FrameDecoder::restart(int keySlot) {
    if (!m_context) return;
    if (m_started) avcodec_flush_buffers(m_context.get());
    m_started = true;
    m_nextFeedSlot = keySlot;
    m_runStart = keySlot;
    m_draining = false;
    m_ended = false;
    m_lastSlot = keySlot - 1;
    m_context->skip_frame = AVDISCARD_DEFAULT;
}

bool FrameDecoder::feedNextPacket() {
    const int length = m_clip->length();
    while (m_nextFeedSlot < length && m_clip->packetAtSlot(m_nextFeedSlot) < 0) ++m_nextFeedSlot;
    if (m_nextFeedSlot >= length) {
        if (!m_draining) {
            m_draining = true;
            avcodec_send_packet(m_context.get(), nullptr);
        }
        return false;
    }
    // Reordering delays a picture by a few chunks at most; well before that margin
    // frames that nothing refers to need not be decoded at all.
    m_context->skip_frame = m_nextFeedSlot + kReorderMargin < m_exactFrom ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    PacketPtr pkt = m_clip->readPacket(m_clip->video(), m_clip->packetAtSlot(m_nextFeedSlot));
    ++m_nextFeedSlot;
    if (!pkt && m_clip->cut()) {
        // The file ends here now: what follows cannot be read either.
        m_nextFeedSlot = length;
        return feedNextPacket();
    }
    if (!pkt) return true;
    const int rc = avcodec_send_packet(m_context.get(), pkt.get());
    (void)rc;  // a damaged packet is skipped: the picture before it stays in force
    return true;
}

std::optional<Picture> FrameDecoder::seek(int slot, int exactFrom) {
    m_exactFrom = exactFrom;
    const int firstKey = m_clip->keySlotAtOrBefore(0);
    int key = m_clip->keySlotAtOrBefore(slot);
    for (;;) {
        while (key > firstKey && std::binary_search(m_falseKeys.begin(), m_falseKeys.end(), key))
            key = m_clip->keySlotAtOrBefore(key - 1);
        restart(key);
        std::optional<Picture> first = next();
        if (key == firstKey) return first;
        // A first picture without a stamp cannot be placed (a key frame shown after
        // the frames that follow it in the file), and a concealed one is not what a run
        // through it shows: start from the key before.
        const bool whole = first && isKeyFrame(*first->frame) && first->frame->best_effort_timestamp != AV_NOPTS_VALUE &&
                           !concealed(*first->frame);
        if (!whole) m_falseKeys.insert(std::upper_bound(m_falseKeys.begin(), m_falseKeys.end(), key), key);
        if (whole) m_groupFirst[key] = first->slot;
        // Pictures before the first of this run belong to the group before it.
        if (whole && first->slot <= slot) return first;
        key = m_clip->keySlotAtOrBefore(key - 1);
    }
}

std::optional<int> FrameDecoder::groupFirstSlot(int keySlot) const {
    auto it = m_groupFirst.find(keySlot);
    if (it == m_groupFirst.end()) return std::nullopt;
    return it->second;
}

std::optional<Picture> FrameDecoder::next() {
    if (!m_context || !m_started || m_ended) return std::nullopt;
    for (;;) {
        const int rc = avcodec_receive_frame(m_context.get(), m_frame.get());
        if (rc == 0) {
            std::int64_t stamp = m_frame->best_effort_timestamp;
            if (stamp == AV_NOPTS_VALUE) stamp = m_haveShift ? m_lastSlot + 1 + m_shift : m_runStart;
            if (!m_haveShift) {
                m_shift = stamp - m_runStart;
                m_haveShift = true;
            }
            std::int64_t slot = stamp - m_shift;
            if (slot < m_runStart) continue;  // leading pictures of an open group: not ours
            if (slot <= m_lastSlot) slot = m_lastSlot + 1;  // stamps that go backwards or repeat
            FramePtr out = makeFrame();
            av_frame_move_ref(out.get(), m_frame.get());
            if (slot >= m_clip->length()) {
                // A picture stamped past the end still deserves a slot if any is left.
                if (m_lastSlot + 1 >= m_clip->length()) continue;
                slot = m_lastSlot + 1;
            }
            m_lastSlot = static_cast<int>(slot);
            Picture p;
            p.slot = m_lastSlot;
            p.sampleAspect = out->sample_aspect_ratio;
            p.frame = shareFrame(std::move(out));
            return p;
        }
        if (rc == AVERROR_EOF) {
            m_ended = true;
            return std::nullopt;
        }
        if (rc != AVERROR(EAGAIN)) {
            // The decoder gave up on this stream: treat as the end of the clip.
            m_ended = true;
            return std::nullopt;
        }
        if (!feedNextPacket() && !m_draining) return std::nullopt;
    }
}

}  // namespace mci
