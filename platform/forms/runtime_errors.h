#pragma once

// The forms runtime's own error numbers, as the handlers test them.
namespace runtime_errors {
inline constexpr int kInvalidCall = 5;
inline constexpr int kInternal = 51;
inline constexpr int kFileNotFound = 53;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kDiskNotReady = 71;
inline constexpr int kDiskReadError = 72;
}  // namespace runtime_errors
