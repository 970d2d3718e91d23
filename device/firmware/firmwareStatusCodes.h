// Codes of the firmware images and their downloads, as the 32-bit words the
// tools above the driver know them by.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace firmwareStatusCodes {

// A download target that is none of the three.
constexpr int64_t kUnknownTarget = statusCodes::fromWord(0xBFFA4302u);
// A CPLD image that is not a whole number of 32-bit words.
constexpr int64_t kCpldImageNotWords = statusCodes::fromWord(0xBFFA430Du);

}  // namespace firmwareStatusCodes
}  // namespace vorlan_driver
