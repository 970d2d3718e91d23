// Codes raised by the bridge port drivers, as the 32-bit words the tools
// above the driver know them by.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"

namespace tarntools {
namespace bridgeStatusCodes {

// An operation the port accessor does not offer.
constexpr int64_t kPortOperationNotSupported = vorlan_driver::statusCodes::fromWord(0xBFFA806Fu);
// IO port 2 did not reach the reset or PLL-locked state in time.
constexpr int64_t kIOPort2StateTimeout = vorlan_driver::statusCodes::fromWord(0xBFFA807Au);
// The bridge did not deliver the data of a tunnelled port read in time.
constexpr int64_t kPortReadTimeout = vorlan_driver::statusCodes::fromWord(0xBFFA807Du);

}  // namespace bridgeStatusCodes
}  // namespace tarntools
