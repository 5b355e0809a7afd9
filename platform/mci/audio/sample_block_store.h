#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace mci {

// A track's decoded samples (float stereo) on its timeline, held in fixed-size blocks
// that one writer thread publishes and evicts while any number of threads read.
// A block that is not there reads as silence, so readers never wait for the writer.
class SampleBlockStore {
public:
    static constexpr std::int64_t kBlockFrames = std::int64_t{1} << 15;
    static constexpr std::size_t kBlockBytes = kBlockFrames * 2 * sizeof(float);

    SampleBlockStore() = default;
    ~SampleBlockStore();
    SampleBlockStore(const SampleBlockStore &) = delete;
    SampleBlockStore &operator=(const SampleBlockStore &) = delete;

    // Any thread; never blocks or allocates. Frames outside 0 .. frames() are silence;
    // backward fills out with first, first-1, ...
    void read(std::int64_t first, bool backward, std::span<float> out) const;
    std::int64_t frames() const { return m_frames.load(std::memory_order_acquire); }

    // The rest is for the writer thread only.
    static std::unique_ptr<float[]> makeBlock() { return std::make_unique<float[]>(kBlockFrames * 2); }
    // Makes `samples` readable as block `block`, up to frames(); false when the
    // timeline has no room that far (the block is then dropped).
    bool publish(std::int64_t block, std::unique_ptr<float[]> samples);
    // Takes a block away; returns once no reader is still copying from it.
    void evict(std::int64_t block);
    // The writer may keep filling a published block beyond frames(): no reader looks there.
    float *writable(std::int64_t block);
    void setFrames(std::int64_t frames) { m_frames.store(frames, std::memory_order_release); }
    std::size_t residentBytes() const { return m_resident.load(std::memory_order_relaxed) * kBlockBytes; }

private:
    struct Slot {
        std::atomic<float *> samples{nullptr};
        mutable std::atomic<int> readers{0};  // copies in flight; eviction waits for none
    };
    static constexpr std::int64_t kPageSlots = 1024;
    static constexpr std::int64_t kPages = 4096;  // with kBlockFrames: weeks of sound
    struct Page {
        std::array<Slot, kPageSlots> slots;
    };

    const Slot *slot(std::int64_t block) const;
    Slot *slotForWriting(std::int64_t block);
    void copyBlock(std::int64_t block, std::int64_t offset, std::int64_t count, bool backward, float *out) const;

    std::array<std::atomic<Page *>, kPages> m_pages{};
    std::atomic<std::int64_t> m_frames{0};
    std::atomic<std::size_t> m_resident{0};
};

}  // namespace mci
