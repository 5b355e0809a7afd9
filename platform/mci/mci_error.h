#pragma once

#include <string>

namespace mci {

// The device's failures, numbered as the control reports them (30000 + MCI code).
struct MciError {
    int number;
    std::string text;
};

inline constexpr int kErrUnrecognizedCommand = 30261;
inline constexpr int kErrDeviceNotOpen = 30263;  // also: unknown device type
inline constexpr int kErrCannotLoadDriver = 30266;
inline constexpr int kErrUnsupportedFunction = 30274;
inline constexpr int kErrFileNotFound = 30275;
inline constexpr int kErrOutOfRange = 30282;
inline constexpr int kErrInvalidFile = 30296;

MciError makeError(int number);  // the standard text for a number

}  // namespace mci
