#pragma once

#include "platform/mci/picture.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace mci {

// Decoded pictures kept for going backwards, within a byte budget. Each entry knows
// the slots it covers, so a lookup answers for any slot, dropped frames included.
// Thread-safe: the presenter reads while the prefetcher fills.
class FrameCache {
public:
    explicit FrameCache(std::size_t budgetBytes) : m_budget(budgetBytes) {}

    // The picture in force at `slot`, if the cache holds it.
    std::optional<Picture> find(int slot) const;
    // Whether every slot of [first, last] is covered.
    bool covers(int first, int last) const;

    // Adds `picture`, in force from picture.slot up to `until` (exclusive). To make room
    // it drops the entries farthest from `focus` that lie outside [keepFirst, keepLast];
    // returns false, adding nothing, if that is not enough. The budget, or `limit` when
    // that is smaller, is never passed.
    bool insert(const Picture &picture, int until, int focus, int keepFirst, int keepLast,
                std::size_t limit = SIZE_MAX);

    void clear();
    // What the cache may hold, set once the clip's pictures are known (backward_budget.h).
    // Entries beyond a lowered budget go at the next insert.
    std::size_t budget() const { return m_budget.load(); }
    void setBudget(std::size_t bytes) { m_budget = bytes; }
    static std::size_t pictureBytes(const AVFrame &frame);

private:
    struct Entry {
        Picture picture;
        int until;
        std::size_t bytes;
    };

    std::atomic<std::size_t> m_budget;  // written by the decode thread, read anywhere
    mutable std::mutex m_mutex;
    std::map<int, Entry> m_entries;  // by first slot
    std::size_t m_bytes = 0;
};

}  // namespace mci
