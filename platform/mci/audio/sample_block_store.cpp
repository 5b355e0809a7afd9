#include "platform/mci/audio/sample_block_store.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace mci {

SampleBlockStore::~SampleBlockStore() {
    for (auto &page : m_pages) {
        Page *p = page.load(std::memory_order_acquire);
        if (!p) continue;
        for (auto &s : p->slots) delete[] s.samples.load(std::memory_order_relaxed);
        delete p;
    }
}

const SampleBlockStore::Slot *SampleBlockStore::slot(std::int64_t block) const {
    if (block < 0 || block >= kPages * kPageSlots) return nullptr;
    const Page *page = m_pages[block / kPageSlots].load(std::memory_order_acquire);
    return page ? &page->slots[block % kPageSlots] : nullptr;
}

SampleBlockStore::Slot *SampleBlockStore::slotForWriting(std::int64_t block) {
    if (block < 0 || block >= kPages * kPageSlots) return nullptr;
    auto &entry = m_pages[block / kPageSlots];
    Page *page = entry.load(std::memory_order_relaxed);
    if (!page) {
        page = new Page();
        entry.store(page, std::memory_order_release);
    }
    return &page->slots[block % kPageSlots];
}

bool SampleBlockStore::publish(std::int64_t block, std::unique_ptr<float[]> samples) {
    Slot *s = slotForWriting(block);
    if (!s) return false;
    if (s->samples.load(std::memory_order_relaxed)) evict(block);
    s->samples.store(samples.release(), std::memory_order_seq_cst);
    m_resident.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void SampleBlockStore::evict(std::int64_t block) {
    Slot *s = slotForWriting(block);
    if (!s) return;
    float *old = s->samples.exchange(nullptr, std::memory_order_seq_cst);
    if (!old) return;
    // A reader that counted itself in before the exchange may still be copying; one
    // that comes after it finds the slot empty. The wait is one memcpy at most.
    while (s->readers.load(std::memory_order_seq_cst) != 0) std::this_thread::yield();
    delete[] old;
    m_resident.fetch_sub(1, std::memory_order_relaxed);
}

float *SampleBlockStore::writable(std::int64_t block) {
    const Slot *s = slot(block);
    return s ? s->samples.load(std::memory_order_relaxed) : nullptr;
}

void SampleBlockStore::copyBlock(std::int64_t block, std::int64_t offset, std::int64_t count, bool backward,
                                 float *out) const {
    const Slot *s = slot(block);
    if (!s) {
        std::fill(out, out + count * 2, 0.0f);
        return;
    }
    s->readers.fetch_add(1, std::memory_order_seq_cst);
    const float *samples = s->samples.load(std::memory_order_seq_cst);
    if (!samples) {
        std::fill(out, out + count * 2, 0.0f);
    } else if (!backward) {
        std::memcpy(out, samples + offset * 2, static_cast<std::size_t>(count) * 2 * sizeof(float));
    } else {
        for (std::int64_t i = 0; i < count; ++i) {
            out[2 * i] = samples[2 * (offset - i)];
            out[2 * i + 1] = samples[2 * (offset - i) + 1];
        }
    }
    s->readers.fetch_sub(1, std::memory_order_release);
}

void SampleBlockStore::read(std::int64_t first, bool backward, std::span<float> out) const {
    const std::int64_t n = static_cast<std::int64_t>(out.size() / 2);
    if (out.size() % 2) out.back() = 0.0f;
    float *dst = out.data();
    const std::int64_t end = frames();
    std::int64_t i = 0;
    while (i < n) {
        const std::int64_t f = backward ? first - i : first + i;
        std::int64_t count = 0;
        if (f < 0 || f >= end) {
            // Silence up to where the timeline starts (or ends) in the reading direction.
            const std::int64_t gap = backward ? (f < 0 ? n - i : f - end + 1) : (f < 0 ? -f : n - i);
            count = std::min(n - i, gap);
            std::fill(dst + 2 * i, dst + 2 * (i + count), 0.0f);
        } else {
            const std::int64_t block = f / kBlockFrames;
            const std::int64_t offset = f % kBlockFrames;
            count = backward ? std::min(n - i, offset + 1) : std::min({n - i, kBlockFrames - offset, end - f});
            copyBlock(block, offset, count, backward, dst + 2 * i);
        }
        i += count;
    }
}

}  // namespace mci
