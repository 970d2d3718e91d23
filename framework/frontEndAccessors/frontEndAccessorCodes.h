// Codes of the front-end accessors.
#pragma once

#include "platform/status/statusCodes.h"

namespace voltarissharedsource {
namespace frontEndCodes {

using vorlan_driver::statusCodes::fromWord;

// The access window did not accept a new access in time.
constexpr int64_t kWindowNotReady = fromWord(0xBFFA4680u);
// The isolated side did not answer a read in time.
constexpr int64_t kNoReadResponse = fromWord(0xBFFA4681u);
// The power monitor stayed busy.
constexpr int64_t kPowerMonitorBusy = fromWord(0xBFFA431Fu);
// The power monitor's read did not complete.
constexpr int64_t kPowerMonitorReadNotDone = fromWord(0xBFFA4320u);

}  // namespace frontEndCodes
}  // namespace voltarissharedsource
