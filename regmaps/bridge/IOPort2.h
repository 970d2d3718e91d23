// IO port 2's driver: puts the port into reset, programs its mode and PLL,
// releases the reset and waits for the PLL to lock. Holds only its
// configuration; every access goes through the port's register map.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "regmaps/bridge/IoPort2PllRange.h"
#include "regmaps/bridge/tIOPort2RegMapWithOffset.h"

namespace tarntools {

class IOPort2 {
 public:
  using tMap = tIOPort2RegMapWithOffset<0u>;

  // Port mode written by configure.
  static constexpr uint8_t kPortMode = 2u;
  // Control/status register 0x0: reset held (bit 0) and PLL locked (bit 7).
  static constexpr uint32_t kResetAndLockMask = 0x81u;
  static constexpr uint32_t kInReset = 0x01u;
  static constexpr uint32_t kLocked = 0x80u;
  static constexpr uint64_t kStateTimeoutMicroseconds = 500000u;
  static constexpr uint64_t kStatePollIntervalMicroseconds = 1u;

  // No hardware access.
  IOPort2(tMap& map, uint8_t pllSetting1, uint8_t pllSetting2, uint8_t pllSetting3,
          nIOPort2RegMap::IoPort2PllRange_t pllRange, uint8_t pllSetting0, bool controlFlag2, bool controlFlag1);
  virtual ~IOPort2();
  IOPort2(const IOPort2&) = delete;
  IOPort2& operator=(const IOPort2&) = delete;

  virtual void configure(nKIVAPALS100::tStatus& status);
  virtual void reset(nKIVAPALS100::tStatus& status);
  // The last locked bit read successfully when this read fails.
  virtual bool isLocked(nKIVAPALS100::tStatus& status);

 private:
  void waitForState(uint32_t state, nKIVAPALS100::tStatus& status);

  tMap& map_;
  uint8_t pllSetting1_;
  uint8_t pllSetting2_;
  uint8_t pllSetting3_;
  nIOPort2RegMap::IoPort2PllRange_t pllRange_;
  uint8_t pllSetting0_;
  bool controlFlag2_;
  bool controlFlag1_;
};

}  // namespace tarntools
