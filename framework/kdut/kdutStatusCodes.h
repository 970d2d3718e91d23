// Codes the framework raises on behalf of the device.
#pragma once

#include "platform/status/statusCodes.h"

namespace kdut {
namespace codes {

using vorlan_driver::statusCodes::fromWord;

// A request on a session opened before the last reset.
constexpr int64_t kSessionInvalidated = fromWord(0xBFFA9179u);
constexpr int64_t kResourceOutOfRange = fromWord(0xBFFA4303u);
constexpr int64_t kResourceAlreadyReserved = fromWord(0xBFFA4319u);
constexpr int64_t kResourceNotReserved = fromWord(0xBFFA431Au);
// A firmware image whose size is not the one its target takes.
constexpr int64_t kFirmwareWrongSize = fromWord(0xBFFA806Bu);

}  // namespace codes
}  // namespace kdut
