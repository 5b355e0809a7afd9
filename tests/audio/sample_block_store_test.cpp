#include "platform/mci/audio/sample_block_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

using mci::SampleBlockStore;
constexpr std::int64_t kBlock = SampleBlockStore::kBlockFrames;

// A value no two samples share, and never 0.
float left(std::int64_t frame) { return static_cast<float>(frame + 1); }
float right(std::int64_t frame) { return -static_cast<float>(frame + 1); }

std::unique_ptr<float[]> patternBlock(std::int64_t block) {
    auto samples = SampleBlockStore::makeBlock();
    for (std::int64_t i = 0; i < kBlock; ++i) {
        samples[2 * i] = left(block * kBlock + i);
        samples[2 * i + 1] = right(block * kBlock + i);
    }
    return samples;
}

struct ReadCase {
    const char *name;
    std::int64_t first;
    bool backward;
    std::int64_t count;
};

// Blocks 0, 1 and 3 are there, block 2 is not, and the timeline ends 100 frames into
// block 3: every frame read is its pattern value, or silence where there is nothing.
TEST(SampleBlockStore, ReadsEachFrameFromItsBlockOrSilence) {
    SampleBlockStore store;
    for (std::int64_t b : {0, 1, 3}) ASSERT_TRUE(store.publish(b, patternBlock(b)));
    const std::int64_t end = 3 * kBlock + 100;
    store.setFrames(end);
    const auto there = [&](std::int64_t f) { return f >= 0 && f < end && f / kBlock != 2; };

    const ReadCase cases[] = {
        {"inside one block", 10, false, 100},
        {"across a block boundary", kBlock - 7, false, 20},
        {"into a missing block", 2 * kBlock - 5, false, 10},
        {"before the start", -30, false, 60},
        {"past the end", end - 40, false, 100},
        {"backward across a boundary", kBlock + 6, true, 20},
        {"backward past the start", 15, true, 40},
        {"backward from past the end", end + 9, true, 30},
        {"backward out of a missing block", 3 * kBlock + 4, true, 10},
        {"over three blocks", kBlock / 2, false, 2 * kBlock},
    };
    for (const ReadCase &c : cases) {
        std::vector<float> out(c.count * 2, 99.0f);
        store.read(c.first, c.backward, out);
        for (std::int64_t i = 0; i < c.count; ++i) {
            const std::int64_t f = c.backward ? c.first - i : c.first + i;
            ASSERT_EQ(out[2 * i], there(f) ? left(f) : 0.0f) << c.name << ", frame " << f;
            ASSERT_EQ(out[2 * i + 1], there(f) ? right(f) : 0.0f) << c.name << ", frame " << f;
        }
    }
    EXPECT_EQ(store.residentBytes(), 3 * SampleBlockStore::kBlockBytes);
}

TEST(SampleBlockStore, OddBufferEndsInSilence) {
    SampleBlockStore store;
    store.publish(0, patternBlock(0));
    store.setFrames(kBlock);
    std::vector<float> out(5, 99.0f);
    store.read(0, false, out);
    EXPECT_EQ(out, (std::vector<float>{left(0), right(0), left(1), right(1), 0.0f}));
}

// One thread keeps taking blocks away and putting them back while another reads across
// them: a read sees each frame either as it is or as silence, never anything else (and
// never freed memory, which the sanitizer builds would catch).
TEST(SampleBlockStore, EvictionWhileReadingNeverTearsAFrame) {
    SampleBlockStore store;
    for (std::int64_t b = 0; b < 4; ++b) store.publish(b, patternBlock(b));
    store.setFrames(4 * kBlock);
    std::atomic<bool> done{false};
    std::atomic<std::int64_t> bad{0};
    std::atomic<std::int64_t> reads{0};
    std::jthread reader([&] {
        std::vector<float> out(4096 * 2);
        std::int64_t first = 0;
        while (!done.load() || reads.load() < 1000) {
            const bool backward = (first / 4096) % 2;
            store.read(first, backward, out);
            for (std::int64_t i = 0; i < 4096; ++i) {
                const std::int64_t f = backward ? first - i : first + i;
                const bool ok = (out[2 * i] == 0.0f && out[2 * i + 1] == 0.0f) ||
                                (f >= 0 && out[2 * i] == left(f) && out[2 * i + 1] == right(f));
                if (!ok) bad.fetch_add(1);
            }
            first = (first + 4096 * 7 + 13) % (4 * kBlock);
            reads.fetch_add(1);
        }
    });
    std::vector<std::unique_ptr<float[]>> patterns;
    for (std::int64_t b = 0; b < 4; ++b) patterns.push_back(patternBlock(b));
    for (int round = 0; round < 3000; ++round) {
        const std::int64_t b = round % 4;
        store.evict(b);
        auto copy = SampleBlockStore::makeBlock();
        std::copy(patterns[b].get(), patterns[b].get() + kBlock * 2, copy.get());
        store.publish(b, std::move(copy));
    }
    done = true;
    reader.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(store.residentBytes(), 4 * SampleBlockStore::kBlockBytes);
}

}  // namespace
