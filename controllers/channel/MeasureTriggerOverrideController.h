// Triggers the measurements of a set of channels by software in place of
// their configured trigger. A channel already overridden refuses the whole
// set; a channel still busy makes the override a quiet no.
#pragma once

#include <stdint.h>

#include "controllers/channel/MiscControlStrobe.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class MeasureTriggerOverrideController {
 public:
  static constexpr uint32_t kChannelCount = 24;
  static constexpr int64_t kAlreadyOverridden = statusCodes::fromWord(0xBFFA431Du);

  // The map, the 24 channel maps and their strobes are not owned and must
  // outlive the controller.
  MeasureTriggerOverrideController(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso,
                                   vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels,
                                   MiscControlStrobe* const* strobes, nKIVAPALS100::tStatus& status)
      : iso_(iso), channels_(channels), strobes_(strobes), mutex_(status) {}
  virtual ~MeasureTriggerOverrideController() {}
  MeasureTriggerOverrideController(const MeasureTriggerOverrideController&) = delete;
  MeasureTriggerOverrideController& operator=(const MeasureTriggerOverrideController&) = delete;

  // The mask holds channels 0-23 only (the request checks it). True when
  // every channel of the mask took the override (and for an empty mask).
  bool overrideTrigger(uint64_t channelMask, nKIVAPALS100::tStatus& status);

 private:
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso_;
  vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels_;
  MiscControlStrobe* const* strobes_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
