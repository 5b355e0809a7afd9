#include "platform/mci/engine/frame_decoder.h"

#include "platform/mci/clip_limits.h"
#include "platform/mci/engine/cleared_buffers.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <thread>

namespace mci {

namespace {
constexpr int kReorderMargin = 8;
// How far before a damaged group a run may start so that the decoder fills in its
// damage as a run from the start would: past one group, at most this many frames. A
// capture damaged all through costs that much more per seek, not the whole clip.
constexpr int kDamageHistoryFrames = 300;

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

// On frame threads a concealed picture is not always marked as one, but the error that
// made it is always reported before the picture comes out: a decoder's own error
// messages tell its FrameDecoder, through the context's opaque, on whichever thread.
// Some come at error level but say they are warnings (a run that starts on a frame
// that is no key frame, in packed B-frames): nothing was filled in for those.
void noteDecodeErrors(void *from, int level, const char *format, va_list args) {
    const bool error = level <= AV_LOG_ERROR && format && std::strncmp(format, "warning", 7) != 0;
    if (error && from && *static_cast<const AVClass **>(from) == avcodec_get_class()) {
        const auto *context = static_cast<const AVCodecContext *>(from);
        if (context->codec_type == AVMEDIA_TYPE_VIDEO && context->opaque)
            static_cast<std::atomic<bool> *>(context->opaque)->store(true);
    }
    av_log_default_callback(from, level, format, args);
}
}  // namespace

}  // namespace mci

namespace mci {

FrameDecoder::FrameDecoder(std::shared_ptr<const ClipIndex> clip, int threads)
    : m_clip(std::move(clip)), m_frame(makeFrame()) {
    if (!m_frame) return;
    open(threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    // The first picture fixes how the decoder's stamps line up with the slots, for
    // every later run.
    if (m_context && !next()) m_context.reset();
}

void FrameDecoder::open(int threads) {
    m_context.reset();
    m_started = false;
    const AVCodecParameters *par = m_clip->video().params.get();
    const AVCodec *codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return;
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), par) < 0) return;
    ctx->pkt_timebase = m_clip->video().timeBase;
    ctx->max_pixels = clip_limits::kMaxPixels;  // a picture the bitstream makes larger is refused
    ctx->thread_count = threads;
    static const bool listening = (av_log_set_callback(noteDecodeErrors), true);
    (void)listening;
    m_errorReported = false;
    ctx->opaque = &m_errorReported;
    if (needsClearedBuffers(codec->id, m_damaged)) clearBuffersBeforeDecoding(*ctx);
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return;
    m_context = std::move(ctx);
    // Some files carry the decoder's headers only in their first chunk.
    restart(m_clip->keySlotAtOrBefore(0));
}

std::optional<Picture> FrameDecoder::decodeDamagedAgain() {
    // What the decoder fills in for a damaged frame is the same whichever way it is
    // reached only on one thread (other frame threads read a picture while it is being
    // concealed) and with every frame decoded (frames skipped change what later ones
    // are concealed from). The clip is damaged: decode it so from now on, starting this
    // run again, and go on from the picture that showed the damage.
    const int runStart = m_runStart, shown = m_lastSlot;
    const int historyFor = m_historyFor;
    m_damaged = true;
    open(1);
    if (!m_context) return std::nullopt;
    if (runStart != m_runStart) {
        next();
        restart(runStart);
    }
    m_historyFor = historyFor;
    m_resumeAfter = shown;
    return next();
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
    m_resumeAfter = -1;
    m_historyFor = -1;
    m_runFirst.reset();
    m_skippedTo = -1;
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
    const bool skip = !m_damaged && m_nextFeedSlot + kReorderMargin < m_exactFrom;
    m_context->skip_frame = skip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    if (skip) m_skippedTo = m_nextFeedSlot;
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
    if (std::optional<Picture> first = runStillOnItsFirstFor(slot)) return first;
    const int firstKey = m_clip->keySlotAtOrBefore(0);
    int key = slot;
    for (;;) {
        key = startableKeyAtOrBefore(key);
        const int start = historyStart(key);
        restart(start);
        if (start != key) m_historyFor = key;
        std::optional<Picture> first = next();
        m_runFirst = first;  // a run this loop does not return is started again
        // A run from the key before leads up to this one: its first picture is in force
        // before the slot.
        if (m_runStart == firstKey || m_runStart != key) return first;
        // A first picture without a stamp cannot be placed (a key frame shown after
        // the frames that follow it in the file): start from the key before.
        const bool whole = first && isKeyFrame(*first->frame) && first->frame->best_effort_timestamp != AV_NOPTS_VALUE;
        if (!whole) insertSorted(m_falseKeys, key);
        if (whole) m_groupFirst[key] = first->slot;
        // Pictures before the first of this run belong to the group before it.
        if (whole && first->slot <= slot) return first;
        key -= 1;  // the key before, found at the top
    }
}

std::optional<Picture> FrameDecoder::runStillOnItsFirstFor(int slot) const {
    // A seek the run just started would start again the same way: going on from its
    // first picture spares the flush and the chunks up to it. Not if it skipped frames
    // this seek must have whole.
    if (!m_runFirst || m_ended || m_historyFor >= 0 || m_resumeAfter >= 0) return std::nullopt;
    if (m_skippedTo >= 0 && m_skippedTo + kReorderMargin >= m_exactFrom) return std::nullopt;
    const int key = startableKeyAtOrBefore(slot);
    const bool inForce = m_runFirst->slot <= slot || key == m_clip->keySlotAtOrBefore(0);
    if (key != m_runStart || historyStart(key) != key || !inForce) return std::nullopt;
    return m_runFirst;
}

void FrameDecoder::insertSorted(std::vector<int> &keys, int key) {
    auto at = std::lower_bound(keys.begin(), keys.end(), key);
    if (at == keys.end() || *at != key) keys.insert(at, key);
}

int FrameDecoder::startableKeyAtOrBefore(int slot) const {
    const int firstKey = m_clip->keySlotAtOrBefore(0);
    int key = m_clip->keySlotAtOrBefore(slot);
    while (key > firstKey && std::binary_search(m_falseKeys.begin(), m_falseKeys.end(), key))
        key = m_clip->keySlotAtOrBefore(key - 1);
    return key;
}

int FrameDecoder::keyBefore(int key) const {
    const int firstKey = m_clip->keySlotAtOrBefore(0);
    return key <= firstKey ? firstKey : startableKeyAtOrBefore(key - 1);
}

bool FrameDecoder::damaged(int key) const {
    return std::binary_search(m_damagedKeys.begin(), m_damagedKeys.end(), key);
}

bool FrameDecoder::mayStartBefore(int key, int target) const {
    const int before = keyBefore(key);
    return before < key && (key == target || target - before <= kDamageHistoryFrames);
}

int FrameDecoder::historyStart(int target) const {
    int key = target;
    while (damaged(key) && mayStartBefore(key, target)) key = keyBefore(key);
    return key;
}

bool FrameDecoder::needsHistory(std::int64_t slot) const {
    // Damage in the group the run started from: what the decoder filled in came from
    // nothing before it, not from what a run through the groups before would show.
    const int at = static_cast<int>(std::min<std::int64_t>(slot, m_clip->length() - 1));
    return m_clip->keySlotAtOrBefore(at) == m_runStart && mayStartBefore(m_runStart, runTarget());
}

void FrameDecoder::startWithHistory() {
    // What the decoder fills in for a damaged frame depends on what it decoded before
    // the group (the picture before, its guesses at the stream's quirks), so the run
    // starts again a group earlier and goes on from the picture it had reached.
    const int resumeAfter = m_lastSlot, key = m_runStart, target = runTarget();
    insertSorted(m_damagedKeys, key);
    restart(keyBefore(key));
    m_historyFor = target;
    m_resumeAfter = resumeAfter;
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
            if (!m_damaged && (m_errorReported.load() || concealed(*m_frame))) return decodeDamagedAgain();
            if (m_damaged && concealed(*m_frame) && needsHistory(slot)) {
                startWithHistory();
                continue;
            }
            FramePtr out = makeFrame();
            av_frame_move_ref(out.get(), m_frame.get());
            if (slot >= m_clip->length()) {
                // A picture stamped past the end still deserves a slot if any is left.
                if (m_lastSlot + 1 >= m_clip->length()) continue;
                slot = m_lastSlot + 1;
            }
            m_lastSlot = static_cast<int>(slot);
            m_runFirst.reset();  // the run has gone on from it
            if (m_lastSlot <= m_resumeAfter) continue;  // shown before the run was started again
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
