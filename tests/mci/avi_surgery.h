#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

// Damages AVI files the way real ones come damaged, for the tests: each copies `from` to
// `to` with the damage done.
namespace avi_surgery {

inline std::vector<char> load(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void save(const std::string &path, const std::vector<char> &bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::ssize(bytes));
}

inline std::size_t findIndex(const std::vector<char> &bytes) {
    for (std::size_t i = bytes.size() - 4; i > 12; --i)
        if (!std::memcmp(bytes.data() + i, "idx1", 4)) return i;
    throw std::runtime_error("no idx1 chunk");
}

// Without its idx1 index.
inline void dropIndex(const std::string &from, const std::string &to) {
    std::vector<char> bytes = load(from);
    bytes.resize(findIndex(bytes));
    save(to, bytes);
}

// One 32-bit field (4: flags, 8: offset) of every idx1 entry rewritten.
inline void rewriteIndexField(const std::string &from, const std::string &to, std::size_t field,
                              const std::function<std::uint32_t(std::uint32_t)> &change) {
    std::vector<char> bytes = load(from);
    const std::size_t index = findIndex(bytes);
    std::uint32_t size = 0;
    std::memcpy(&size, bytes.data() + index + 4, 4);
    for (std::size_t entry = index + 8; entry + 16 <= index + 8 + size && entry + 16 <= bytes.size(); entry += 16) {
        std::uint32_t value = 0;
        std::memcpy(&value, bytes.data() + entry + field, 4);
        value = change(value);
        std::memcpy(bytes.data() + entry + field, &value, 4);
    }
    save(to, bytes);
}

// Every keyframe flag of its index cleared (AVIIF_KEYFRAME).
inline void clearKeyFlags(const std::string &from, const std::string &to) {
    rewriteIndexField(from, to, 4, [](std::uint32_t flags) { return flags & ~0x10u; });
}

// The chunk offsets of its index pointing elsewhere.
inline void garbleIndex(const std::string &from, const std::string &to) {
    std::uint32_t shift = 7;
    rewriteIndexField(from, to, 8, [&shift](std::uint32_t offset) { return offset + (shift = shift * 31 % 4093 + 1); });
}

// A run of bytes inside some video chunks overwritten, sizes kept: every other key
// frame from the second on and every seventh chunk, as a copy off a bad disk comes.
inline void garbleVideoChunks(const std::string &from, const std::string &to) {
    std::vector<char> bytes = load(from);
    const std::size_t index = findIndex(bytes);
    std::uint32_t size = 0, flags = 0;
    std::memcpy(&size, bytes.data() + index + 4, 4);
    std::vector<bool> keys;  // of the video chunks, in file order
    for (std::size_t entry = index + 8; entry + 16 <= index + 8 + size && entry + 16 <= bytes.size(); entry += 16)
        if (!std::memcmp(bytes.data() + entry, "00dc", 4)) keys.push_back((std::memcpy(&flags, bytes.data() + entry + 4, 4), flags & 0x10u));
    const char movi[] = "movi";
    std::size_t at = std::search(bytes.begin(), bytes.begin() + index, movi, movi + 4) - bytes.begin() + 4;
    std::uint32_t noise = 1;
    for (std::size_t nth = 0, key = 0; at + 8 <= index;) {
        if (!std::memcmp(bytes.data() + at, "LIST", 4)) {
            at += 12;
            continue;
        }
        std::uint32_t chunk = 0;
        std::memcpy(&chunk, bytes.data() + at + 4, 4);
        if (!std::memcmp(bytes.data() + at, "00dc", 4)) {
            const bool isKey = nth < keys.size() && keys[nth];
            if ((isKey && key++ % 2 == 1) || nth++ % 7 == 3)
                for (std::size_t i = chunk / 2; i < chunk / 2 + std::min<std::uint32_t>(chunk / 4, 24); ++i)
                    bytes[at + 8 + i] = static_cast<char>((noise = noise * 1103515245u + 12345u) >> 16);
        }
        at += 8 + chunk + (chunk & 1);
    }
    save(to, bytes);
}

// The field of `width` bytes at `offset` into the data of the `nth` chunk called `id`
// (0: the first) set to `value`, as a hostile file declares it.
inline void setField(const std::string &from, const std::string &to, const char *id, int nth, std::size_t offset,
                     std::uint32_t value, std::size_t width = 4) {
    std::vector<char> bytes = load(from);
    for (std::size_t at = 12; at + 8 + offset + 4 <= bytes.size(); ++at) {
        if (std::memcmp(bytes.data() + at, id, 4) != 0 || nth-- > 0) continue;
        std::memcpy(bytes.data() + at + 8 + offset, &value, std::min<std::size_t>(width, 4));  // little-endian
        save(to, bytes);
        return;
    }
    throw std::runtime_error(std::string("no chunk ") + id);
}

}  // namespace avi_surgery
