// Codes raised by the bridge port drivers, as the 32-bit words the tools
// above the driver know them by.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"

namespace tarntools {
namespace bridgeStatusCodes {

// An operation the port accessor does not offer.
constexpr int64_t kPortOperationNotSupported = vorlan_driver::statusCodes::fromWord(0xBFFA806Fu);
// An image handed to a loader of another target.
constexpr int64_t kFirmwareWrongTarget = vorlan_driver::statusCodes::fromWord(0xBFFA806Au);
// An image whose size is not the one the loader takes.
constexpr int64_t kFirmwareWrongSize = vorlan_driver::statusCodes::fromWord(0xBFFA806Bu);
// The FPGA loader was not ready for data, or did not report the load done, in time.
constexpr int64_t kFpgaLoadTimeout = vorlan_driver::statusCodes::fromWord(0xBFFA807Fu);
// IO port 2 did not reach the reset or PLL-locked state in time.
constexpr int64_t kIOPort2StateTimeout = vorlan_driver::statusCodes::fromWord(0xBFFA807Au);
// The bridge did not deliver the data of a tunnelled port read in time.
constexpr int64_t kPortReadTimeout = vorlan_driver::statusCodes::fromWord(0xBFFA807Du);

}  // namespace bridgeStatusCodes
}  // namespace tarntools
