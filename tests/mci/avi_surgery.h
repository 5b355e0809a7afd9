#pragma once

#include <string>

// Damages AVI files the way real ones come damaged, for the tests.
namespace avi_surgery {

// Copies `from` to `to` without its idx1 index.
void dropIndex(const std::string &from, const std::string &to);
// Copies `from` to `to` with every keyframe flag of its idx1 index cleared.
void clearKeyFlags(const std::string &from, const std::string &to);
// Copies `from` to `to` with the chunk offsets of its idx1 index pointing elsewhere.
void garbleIndex(const std::string &from, const std::string &to);
// Copies the first `bytes` bytes of `from` to `to`.
void truncate(const std::string &from, const std::string &to, long bytes);
long fileSize(const std::string &path);

}  // namespace avi_surgery
