// A channel's miscellaneous control register carries the strobes of
// several controllers: the sequence engine's, the measure unit's, the front
// end's error resets and the trigger override's. Setting a bit, writing and
// dropping it again is one step under the channel's own lock, so no
// controller loses another's strobe or sends it along with its own. The
// lock is held for that step alone and taken innermost.
#pragma once

#include <stdint.h>

#include "controllers/ControllerGuard.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"

namespace vorlan_driver {

class MiscControlStrobe {
 public:
  using tMiscReg = vorlan_regmaps::tTheQuillIsoChannelRegMap::tMiscChannelControlReg;

  // The register is not owned and must outlive this.
  MiscControlStrobe(tMiscReg& misc, nKIVAPALS100::tStatus& status) : misc_(misc), mutex_(status) {}
  MiscControlStrobe(const MiscControlStrobe&) = delete;
  MiscControlStrobe& operator=(const MiscControlStrobe&) = delete;

  void strobe(uint32_t bits, nKIVAPALS100::tStatus& status) {
    ControllerGuard guard(mutex_, status);
    if (guard.holds()) misc_.writeRegister(misc_.getRegister() | bits, status);
  }

 private:
  tMiscReg& misc_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
