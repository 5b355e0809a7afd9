#include "tests/mci/avi_surgery.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace avi_surgery {

namespace {

std::vector<char> load(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void save(const std::string &path, const std::vector<char> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::size_t findIndex(const std::vector<char> &bytes) {
    for (std::size_t i = bytes.size() - 4; i > 12; --i)
        if (!std::memcmp(bytes.data() + i, "idx1", 4)) return i;
    throw std::runtime_error("no idx1 chunk");
}

}  // namespace

void dropIndex(const std::string &from, const std::string &to) {
    std::vector<char> bytes = load(from);
    bytes.resize(findIndex(bytes));
    save(to, bytes);
}

void clearKeyFlags(const std::string &from, const std::string &to) {
    std::vector<char> bytes = load(from);
    const std::size_t index = findIndex(bytes);
    std::uint32_t size = 0;
    std::memcpy(&size, bytes.data() + index + 4, 4);
    for (std::size_t entry = index + 8; entry + 16 <= index + 8 + size && entry + 16 <= bytes.size(); entry += 16) {
        std::uint32_t flags = 0;
        std::memcpy(&flags, bytes.data() + entry + 4, 4);
        flags &= ~0x10u;  // AVIIF_KEYFRAME
        std::memcpy(bytes.data() + entry + 4, &flags, 4);
    }
    save(to, bytes);
}

void garbleIndex(const std::string &from, const std::string &to) {
    std::vector<char> bytes = load(from);
    const std::size_t index = findIndex(bytes);
    std::uint32_t size = 0;
    std::memcpy(&size, bytes.data() + index + 4, 4);
    std::uint32_t shift = 7;
    for (std::size_t entry = index + 8; entry + 16 <= index + 8 + size && entry + 16 <= bytes.size(); entry += 16) {
        std::uint32_t offset = 0;
        std::memcpy(&offset, bytes.data() + entry + 8, 4);
        offset += shift;
        shift = shift * 31 % 4093 + 1;
        std::memcpy(bytes.data() + entry + 8, &offset, 4);
    }
    save(to, bytes);
}

void truncate(const std::string &from, const std::string &to, long bytes) {
    std::vector<char> data = load(from);
    data.resize(std::min<std::size_t>(data.size(), static_cast<std::size_t>(bytes)));
    save(to, data);
}

long fileSize(const std::string &path) { return static_cast<long>(std::filesystem::file_size(path)); }

}  // namespace avi_surgery
