// A channel's miscellaneous control register carries the strobes of
// several controllers: the sequence engine's, the measure unit's, the front
// end's error resets and the trigger override's. Setting a bit, writing and
// dropping it again is one step under the channel map's lock, so neither
// another controller nor a by-name write loses a strobe or sends one along
// with its own. The lock is held for that step alone.
#pragma once

#include <stdint.h>

#include "controllers/ControllerGuard.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"

namespace vorlan_driver {

class MiscControlStrobe {
 public:
  using tChannelMap = vorlan_regmaps::tTheQuillIsoChannelRegMap;
  using tMiscReg = tChannelMap::tMiscChannelControlReg;

  // The map is not owned and must outlive this.
  explicit MiscControlStrobe(tChannelMap& channel)
      : misc_(channel.MiscChannelControlReg),
        valueBits_(static_cast<uint32_t>(channel.getDescriptor().registers[tMiscReg::kIndex].keepMask)) {}
  MiscControlStrobe(const MiscControlStrobe&) = delete;
  MiscControlStrobe& operator=(const MiscControlStrobe&) = delete;

  void strobe(uint32_t bits, nKIVAPALS100::tStatus& status) {
    ControllerGuard guard(misc_.getLock(), status);
    if (!guard.holds()) return;
    misc_.writeRegister(misc_.getRegister() | bits, status);
    // A failed write leaves what it carried in the shadow for a retry. The
    // value bits may wait there; a strobe may not, or the next strobe on
    // this channel, whichever controller sends it, would fire it again.
    misc_.setRegister(misc_.getRegister() & valueBits_);
  }

 private:
  tMiscReg& misc_;
  // The bits the register holds; every other bit is a strobe.
  uint32_t valueBits_;
};

}  // namespace vorlan_driver
