#include "platform/mci/mci_error.h"

namespace mci {

MciError makeError(int number) {
    switch (number) {
    case kErrUnrecognizedCommand: return {number, "The specified command is not recognized."};
    case kErrDeviceNotOpen: return {number, "The device is not open or is not known."};
    case 30265: return {number, "The device is already open: close it first."};
    case kErrCannotLoadDriver: return {number, "The media libraries could not be initialised."};
    case kErrUnsupportedFunction: return {number, "The device cannot do this."};
    case kErrFileNotFound: return {number, "The file cannot be found."};
    case kErrOutOfRange: return {number, "The position is outside the clip."};
    case kErrInvalidFile: return {number, "The file is not a playable AVI video."};
    default: return {number, "Media device error."};
    }
}

}  // namespace mci
