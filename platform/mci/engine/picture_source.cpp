#include "platform/mci/engine/picture_source.h"

#include "platform/mci/decode_priority.h"
#include "platform/mci/engine/backward_budget.h"
#include "platform/mci/engine/backward_planner.h"

#include <algorithm>
#include <chrono>

namespace mci {

namespace {

constexpr int kSeekWindow = 4;  // pictures a seek keeps behind it
// Pictures Step and Back keep behind them: some seconds of presses. Each one kept is a
// new buffer the first time, and that first touch costs more than decoding it again
// once the presses go on past them.
constexpr int kStepWindow = 128;
// What a seek, Step or Back keeps fills no more of the cache than this, whatever room
// backward play has: the pictures passed would stay, and each new one kept would be a
// first touch of memory. But never fewer than so many pictures: a run from the key
// frame of a 4K group costs seconds, its first touches a few milliseconds.
constexpr std::size_t kShowKeepBytes = 256u << 20;
constexpr std::size_t kShowKeepPictures = 64;
constexpr int kGoOnFrames = 32;  // decoding this many more beats a restart's flush and refill
constexpr int kStepMargin = 8;  // decoded whole before what is kept, so its first picture is sure

}  // namespace

void PictureSource::run(std::stop_token stop) {
    lowerThisThreadForDecoding();
    std::uint64_t served = 0;
    while (auto next = m_channel.next(served, stop)) {
        auto &[serial, request] = *next;
        served = serial;
        if (request.kind == DecodeRequest::Release && request.session) request.session->decoder.reset();
        if (request.session != m_session || request.kind == DecodeRequest::Release) {
            m_cursor.reset();
            m_cursorNext.reset();
            m_pictureBytes = 0;
            m_session = request.kind == DecodeRequest::Release ? nullptr : request.session;
        }
        const Serving serving{serial, stop};
        const bool decodable = m_session && m_session->decoder;  // not a clip closed meanwhile
        switch (decodable ? request.kind : DecodeRequest::None) {
        case DecodeRequest::Show: show(serving, request); break;
        case DecodeRequest::Forward: forward(serving, request); break;
        case DecodeRequest::Backward: backward(serving, request); break;
        case DecodeRequest::None:
        case DecodeRequest::Release: break;
        }
        next.reset();
        m_channel.finish(serial);
    }
}

bool PictureSource::cancelled(const Serving &serving) const {
    return m_channel.stale(serving.serial) || serving.stop.stop_requested();
}

void PictureSource::learnPictureBytes(const Picture &picture) {
    if (m_pictureBytes != 0) return;
    m_pictureBytes = FrameCache::pictureBytes(*picture.frame);
    const std::size_t ceiling = m_session->cacheCeiling ? m_session->cacheCeiling
                                                        : backwardCeilingBytes(m_pictureBytes, physicalMemoryBytes());
    m_session->cache.setBudget(backwardBudgetBytes(m_session->clip->longestGroup(), m_pictureBytes, ceiling));
}

int PictureSource::cursorUntil() const {
    if (m_cursorNext) return m_cursorNext->slot;
    // The last picture lasts to the end of the clip, unless the file now ends sooner.
    return m_session->clip->cut() && m_cursor ? m_cursor->slot + 1 : m_session->length();
}

bool PictureSource::advanceCursor() {
    m_cursor = std::move(m_cursorNext);
    m_cursorExact = m_session->decoder->exact();
    m_cursorNext = m_session->decoder->next();
    return m_cursor.has_value();
}

bool PictureSource::reach(const Serving &serving, int slot, int low, std::optional<int> cacheFrom,
                          std::size_t keepBytes) {
    FrameDecoder &decoder = *m_session->decoder;
    // Going on from where the decoder stands beats starting again from the key frame
    // unless that is much farther back; across a key frame it always does.
    // Past where a cut file now ends, the decoder's last picture is all there is.
    const bool reachable = m_cursor && m_cursorExact && m_cursor->slot <= slot &&
                           (slot - m_cursor->slot <= slot - m_session->clip->keySlotAtOrBefore(slot) + kGoOnFrames ||
                            (!m_cursorNext && m_session->clip->cut()));
    if (!reachable) {
        m_cursor = decoder.seek(slot, std::max(0, low - kStepMargin));
        m_cursorExact = decoder.exact();
        m_cursorNext = m_cursor ? decoder.next() : std::nullopt;
        if (!m_cursor) return false;
    }
    // Only pictures decoded whole, and so known to last until the next one, are kept.
    auto keep = [&] {
        learnPictureBytes(*m_cursor);
        const int until = cursorUntil();
        if (cacheFrom && m_cursorExact && until > *cacheFrom)
            m_session->cache.insert(*m_cursor, until, slot, *cacheFrom, slot, keepBytes);
    };
    while (m_cursorNext && m_cursorNext->slot <= slot) {
        if (cancelled(serving)) return false;
        keep();
        advanceCursor();
    }
    keep();
    return true;
}

void PictureSource::show(const Serving &serving, const DecodeRequest &request) {
    const int slot = std::clamp(request.from, 0, std::max(0, m_session->length() - 1));
    // Step and Back keep some pictures, so that pressing them again is instant.
    const std::size_t keepBytes =
        std::min(m_session->cache.budget(), std::max(kShowKeepBytes, kShowKeepPictures * m_pictureBytes));
    const int window =
        request.stepping ? std::min(kStepWindow, backwardSegmentFrames(keepBytes, m_pictureBytes)) : kSeekWindow;
    // What earlier seeks kept stays until the budget needs the room: going back to a
    // place seen before is then instant.
    const int low = std::max(0, slot - window + 1);
    if (!reach(serving, slot, low, low, keepBytes)) return;
    m_channel.put(serving.serial, SlotPicture{*m_cursor, cursorUntil()}, serving.stop);
}

void PictureSource::forward(const Serving &serving, const DecodeRequest &request) {
    // A forward play keeps no pictures: holding them would make the decoder write every
    // picture into cold memory instead of the few buffers it reuses.
    const int from = std::clamp(request.from, 0, std::max(0, m_session->length() - 1));
    if (!reach(serving, from, from, std::nullopt)) return;
    for (;;) {
        const int until = cursorUntil();
        if (!m_channel.put(serving.serial, SlotPicture{*m_cursor, until}, serving.stop)) return;
        if (until >= request.to || !m_cursorNext || cancelled(serving)) return;
        advanceCursor();
    }
}

void PictureSource::backward(const Serving &serving, const DecodeRequest &request) {
    m_cursor.reset();  // the decoder moves away from it
    m_cursorNext.reset();
    const FrameCache &cache = m_session->cache;
    int high = std::min(request.from, m_session->length() - 1);
    while (high >= request.to) {
        if (cancelled(serving)) return;
        const int frames = backwardSegmentFrames(cache.budget(), m_pictureBytes);
        const int low = backwardSegmentStart(*m_session->decoder, high, request.to, frames);
        if (!cache.covers(low, high) && !decodeSegment(serving, low, high)) return;
        high = low - 1;
    }
}

bool PictureSource::decodeSegment(const Serving &serving, int low, int high) {
    FrameDecoder &decoder = *m_session->decoder;
    FrameCache &cache = m_session->cache;
    // What comes before the segment only leads up to it: skip what nothing refers to.
    std::optional<Picture> picture = decoder.seek(low, std::max(0, low - kStepMargin));
    bool exact = decoder.exact();
    std::optional<Picture> next = picture ? decoder.next() : std::nullopt;
    // How fast pictures are decoded whole tells when the segment's top will be there:
    // what leads up to it costs no more, its skipped frames less. Waits for room do not
    // count.
    using Clock = std::chrono::steady_clock;
    int whole = 0;
    std::chrono::duration<double> wholeTime{0};
    while (picture && picture->slot <= high) {
        if (m_wholePerSecond > 0)
            m_channel.expect(serving.serial, high,
                             Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                                (high - picture->slot) / m_wholePerSecond)));
        const int until = next ? next->slot : m_session->length();
        if (until > low && exact) {
            learnPictureBytes(*picture);
            // A picture the budget cannot hold at all cannot be played backwards.
            if (FrameCache::pictureBytes(*picture->frame) > cache.budget()) return false;
            // Room comes from what the play has already shown, the picture on screen
            // included (the worker holds it): wait for it. Unless the worker itself waits
            // for a slot nothing cached covers (a file cut under the play): no room
            // would ever come, so the play ends here.
            bool stuck = false;
            const bool added = m_channel.waitToAdd(serving.serial, serving.stop, [&] {
                const int shown = m_channel.shownSlot();
                if (cache.insert(*picture, until, shown, low, std::max(shown - 1, high))) return true;
                stuck = shown > 0 && !cache.covers(shown - 1, shown - 1);
                return stuck;
            });
            if (!added || stuck) return false;
        }
        if (cancelled(serving)) return false;
        picture = std::move(next);
        exact = decoder.exact();
        const Clock::time_point asked = Clock::now();
        next = picture ? decoder.next() : std::nullopt;
        if (exact) wholeTime += Clock::now() - asked;
        if (exact && ++whole >= 8) m_wholePerSecond = whole / wholeTime.count();
    }
    return true;
}

}  // namespace mci
