#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Damages AVI files the way real ones come damaged, for the tests.
namespace avi_surgery {

// Copies `from` to `to` without its idx1 index.
void dropIndex(const std::string &from, const std::string &to);
// Copies `from` to `to` with every keyframe flag of its idx1 index cleared.
void clearKeyFlags(const std::string &from, const std::string &to);
// Copies `from` to `to` with the chunk offsets of its idx1 index pointing elsewhere.
void garbleIndex(const std::string &from, const std::string &to);
// Copies `from` to `to` with the field of `width` bytes at `offset` into the data of
// the `nth` chunk called `id` (0: the first) set to `value`, as a hostile file declares it.
void setField(const std::string &from, const std::string &to, const char *id, int nth, std::size_t offset,
              std::uint32_t value, std::size_t width = 4);

}  // namespace avi_surgery
