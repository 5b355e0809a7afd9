#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace mci {

// A small value written by one thread at a time and read by another, neither of them
// ever waiting or allocating: a reader that overlapped a write reads again. Every word
// is an atomic, so a torn read is thrown away rather than being a data race.
template <typename T>
class Seqlock {
    static_assert(std::is_trivially_copyable_v<T> && std::is_default_constructible_v<T>);

public:
    // Writers must not overlap: the caller orders them (one thread, or a lock between).
    void store(const T &value) {
        std::array<std::uint64_t, kWords> words{};
        std::memcpy(words.data(), &value, sizeof(T));
        const std::uint32_t seq = m_seq.load(std::memory_order_relaxed);
        m_seq.store(seq + 1, std::memory_order_relaxed);
        // Release: whoever sees one new word also sees the count made odd before it.
        for (std::size_t i = 0; i < kWords; ++i) m_words[i].store(words[i], std::memory_order_release);
        m_seq.store(seq + 2, std::memory_order_release);
    }

    T load() const {
        std::array<std::uint64_t, kWords> words{};
        for (;;) {
            const std::uint32_t before = m_seq.load(std::memory_order_acquire);
            for (std::size_t i = 0; i < kWords; ++i) words[i] = m_words[i].load(std::memory_order_acquire);
            if (before % 2 == 0 && m_seq.load(std::memory_order_relaxed) == before) break;
        }
        T value;
        std::memcpy(static_cast<void *>(&value), words.data(), sizeof(T));  // trivially copyable
        return value;
    }

private:
    static constexpr std::size_t kWords = (sizeof(T) + 7) / 8;
    std::atomic<std::uint32_t> m_seq{0};
    std::array<std::atomic<std::uint64_t>, kWords> m_words{};
};

}  // namespace mci
