// The range field (bits 4-6) of IO port 2's PLL register.
#pragma once

#include <stdint.h>

namespace tarntools {
namespace nIOPort2RegMap {

enum IoPort2PllRange_t : uint32_t {
  kIoPort2PllRange0 = 0,
  kIoPort2PllRange1 = 1,
  kIoPort2PllRange2 = 2,
  kIoPort2PllRange3 = 3,
  kIoPort2PllRange4 = 4,
  kIoPort2PllRange5 = 5,
  kIoPort2PllRange6 = 6,
  kIoPort2PllRange7 = 7,
};
static_assert(sizeof(IoPort2PllRange_t) == 4, "the range is held as 32 bits");

}  // namespace nIOPort2RegMap
}  // namespace tarntools
