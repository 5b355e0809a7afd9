#include "platform/mci/audio/sample_block_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using mci::SampleBlockStore;
constexpr std::int64_t kBlock = SampleBlockStore::kBlockFrames;

std::unique_ptr<float[]> patternBlock(std::int64_t block) {  // sample n of the timeline is n + 1
    auto samples = SampleBlockStore::makeBlock();
    for (std::int64_t i = 0; i < 2 * kBlock; ++i) samples[i] = static_cast<float>(2 * block * kBlock + i + 1);
    return samples;
}

// One thread keeps taking blocks away and putting them back while another reads across
// them either way, as a seek does to the audio thread: each frame read is whole and in
// its place, or silence.
TEST(SampleBlockStore, EvictionWhileReadingNeverTearsAFrame) {
    SampleBlockStore store;
    for (std::int64_t b = 0; b < 4; ++b) store.publish(b, patternBlock(b));
    store.setFrames(4 * kBlock);
    std::atomic<bool> done{false};
    std::atomic<std::int64_t> bad{0}, reads{0};
    std::jthread reader([&] {
        std::vector<float> out(4096 * 2);
        for (std::int64_t first = 0; !done || reads < 1000; first = (first + 4096 * 7 + 13) % (4 * kBlock), ++reads) {
            const bool backward = (first / 4096) % 2;
            store.read(first, backward, out);
            for (std::int64_t i = 0, f = first; i < 4096; ++i, f += backward ? -1 : 1) {
                const float left = out[2 * i], right = out[2 * i + 1];
                bad += (left != 0 || right != 0) && (left != 2 * f + 1 || right != 2 * f + 2);
            }
        }
    });
    for (int round = 0; round < 3000; ++round) {
        store.evict(round % 4);
        store.publish(round % 4, patternBlock(round % 4));
    }
    done = true;
    reader.join();
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(store.residentBytes(), 4 * SampleBlockStore::kBlockBytes);
}

}  // namespace
