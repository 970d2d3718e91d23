// One channel's measure unit, armed and reset across both FPGAs: the
// isolated channel block arms and resets it, the non-isolated FPGA enables
// and disables its stream and clears its FIFO overflow. A session that arms
// a unit registers it as a cleanup, so a unit left armed is reset.
#pragma once

#include <stdint.h>

#include "controllers/channel/ChannelPollers.h"
#include "controllers/channel/MeasureOverflowQueryInterface.h"
#include "controllers/channel/MiscControlStrobe.h"
#include "framework/kdut/CheckHardwareStateTimeoutHandler.h"
#include "framework/kdut/CleanupOperationInterface.h"
#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

class MeasureUnitController : public kdut::CleanupOperationInterface {
 public:
  using tConfigReg = vorlan_regmaps::tTheQuillNisoFpgaRegMap::tNisoMeasureUnitConfigRegType;
  static constexpr int64_t kMeasureUnitTimeout = statusCodes::fromWord(0xBFFA4682u);
  static constexpr uint64_t kTimeoutMicroseconds = 500;

  // The maps, the register, the overflow query and the checker are not
  // owned and must outlive the controller.
  MeasureUnitController(uint8_t channel, vorlan_regmaps::tTheQuillIsoChannelRegMap& channelMap,
                        MiscControlStrobe& misc, tConfigReg& config,
                        MeasureOverflowQueryInterface& overflow, kdut::HardwareStateCheckerInterface& checker,
                        nKIVAPALS100::tStatus& status);
  ~MeasureUnitController() override {}
  MeasureUnitController(const MeasureUnitController&) = delete;
  MeasureUnitController& operator=(const MeasureUnitController&) = delete;

  // Best effort: every strobe is written; the waits run while nothing
  // failed.
  void cleanup(nKIVAPALS100::tStatus& status) override;
  void setEventCode(uint16_t code, nKIVAPALS100::tStatus& status);
  void setMeasureCompleteDelay(uint32_t delay, nKIVAPALS100::tStatus& status);
  // A unit that does not arm is reset; the arm's error is the one
  // reported.
  void arm(nKIVAPALS100::tStatus& status);
  void reset(nKIVAPALS100::tStatus& status) { cleanup(status); }
  kdut::CleanupOperationInterface* getCleanupOperation() { return this; }

 private:
  void strobeMisc(uint32_t bit, nKIVAPALS100::tStatus& status);
  void strobeConfig(uint32_t bit, nKIVAPALS100::tStatus& status);

  uint8_t channel_;
  vorlan_regmaps::tTheQuillIsoChannelRegMap& map_;
  MiscControlStrobe& misc_;
  tConfigReg& config_;
  MeasureOverflowQueryInterface& overflow_;
  kdut::CheckHardwareStateTimeoutHandler handler_;
  tChannelPoller poller_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
