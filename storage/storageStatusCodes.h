// Codes of device windows and storage maps.
#pragma once

#include <stdint.h>

namespace storagecodes {

// Element range, string too long, or a range outside a memory window.
constexpr int64_t kOutOfRange = -240015;
constexpr int64_t kElementSizeMismatch = -240025;
// Address or range outside a flash window, a sector or the flash.
constexpr int64_t kFlashRange = -240029;
constexpr int64_t kFlashSizeNotSectorMultiple = -240030;
constexpr int64_t kNullBuffer = -240031;
constexpr int64_t kFlashSizeNotPowerOfTwo = -240032;
constexpr int64_t kSectorSizeNotPowerOfTwo = -240033;
constexpr int64_t kFieldNotDefined = -240035;
constexpr int64_t kTypeMismatch = -240039;
constexpr int64_t kNoChecksum = -240044;
constexpr int64_t kChecksumFieldReadOnly = -240045;

}  // namespace storagecodes
