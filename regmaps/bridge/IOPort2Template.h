// IO port 2's driver with its configuration fixed at compile time.
#pragma once

#include <stdint.h>

#include "regmaps/bridge/IOPort2.h"

namespace tarntools {

template <uint8_t kPllSetting1, uint8_t kPllSetting2, uint8_t kPllSetting3, nIOPort2RegMap::IoPort2PllRange_t kPllRange,
          uint8_t kPllSetting0, bool kControlFlag2, bool kControlFlag1>
class IOPort2Template : public IOPort2 {
 public:
  explicit IOPort2Template(tMap& map)
      : IOPort2(map, kPllSetting1, kPllSetting2, kPllSetting3, kPllRange, kPllSetting0, kControlFlag2, kControlFlag1) {}
  ~IOPort2Template() override {}
};

// The configuration the board's firmware download uses.
using tBoardIOPort2 = IOPort2Template<0u, 1u, 3u, nIOPort2RegMap::kIoPort2PllRange7, 0u, false, true>;
// Instantiated once, in the driver: its vtable lives in the driver object.
extern template class IOPort2Template<0u, 1u, 3u, nIOPort2RegMap::kIoPort2PllRange7, 0u, false, true>;

}  // namespace tarntools
