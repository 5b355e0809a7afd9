#include "platform/mci/engine/frame_cache.h"

#include <cstdlib>

namespace mci {

std::size_t FrameCache::pictureBytes(const AVFrame &frame) {
    std::size_t total = sizeof(AVFrame);
    for (const AVBufferRef *buf : frame.buf)
        if (buf) total += buf->size;
    return total;
}

std::optional<Picture> FrameCache::find(int slot) const {
    std::lock_guard lock(m_mutex);
    auto it = m_entries.upper_bound(slot);
    if (it == m_entries.begin()) return std::nullopt;
    --it;
    if (slot >= it->second.until) return std::nullopt;
    return it->second.picture;
}

bool FrameCache::covers(int first, int last) const {
    std::lock_guard lock(m_mutex);
    int slot = first;
    while (slot <= last) {
        auto it = m_entries.upper_bound(slot);
        if (it == m_entries.begin()) return false;
        --it;
        if (slot >= it->second.until) return false;
        slot = it->second.until;
    }
    return true;
}

bool FrameCache::insert(const Picture &picture, int until, int focus, int keepFirst, int keepLast,
                        std::size_t limit) {
    const std::size_t size = pictureBytes(*picture.frame);
    const std::size_t budget = std::min(m_budget.load(), limit);
    if (size > budget) return false;
    std::lock_guard lock(m_mutex);
    if (auto same = m_entries.find(picture.slot); same != m_entries.end()) {
        m_bytes -= same->second.bytes;
        m_entries.erase(same);
    }
    while (m_bytes + size > budget) {
        auto victim = m_entries.end();
        long farthest = -1;
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            const int first = it->first, last = it->second.until - 1;
            if (last >= keepFirst && first <= keepLast) continue;
            const long distance = std::min(std::labs(long(first) - focus), std::labs(long(last) - focus));
            if (distance > farthest) {
                farthest = distance;
                victim = it;
            }
        }
        if (victim == m_entries.end()) return false;
        m_bytes -= victim->second.bytes;
        m_entries.erase(victim);
    }
    m_entries.emplace(picture.slot, Entry{picture, until, size});
    m_bytes += size;
    return true;
}

void FrameCache::clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_bytes = 0;
}

}  // namespace mci
