// One instrument model's capabilities, keyed by its PCI subsystem
// identifier. This driver reads the model name, the channel count, the
// variant, the shared low-sense flag and the requested cooling mode; the
// other values belong to the models' shared table and are carried as they
// are.
#pragma once

#include <stdint.h>

#include "device/caps/CoolingTierCaps.h"

namespace basalt_caps {

struct Caps {
  const char* modelName;
  uint32_t pciSubsystemId;
  uint64_t channelCount;
  // 1 for the Lark variant, 0 for Wren.
  uint32_t variantFlag;
  uint64_t perModelValue0;
  uint8_t perModelFlag0;
  // 1 when the board has the shared low-sense ADCs.
  uint8_t sharedLoSense;
  uint8_t perModelFlag1;
  uint32_t perModelValue1;
  uint8_t perModelFlag2;
  CoolingTierCaps coolingTiers;
  const char* alarmName;
  uint32_t perModelValue2;
  uint32_t perModelValue3;
  uint32_t requestedCoolingMode;
  uint32_t perModelValue4;
  uint8_t perModelFlag3;
  uint8_t perModelFlag4;
  uint32_t perModelValue5;
  uint32_t perModelValue6;
  uint8_t perModelFlag5;
  uint32_t perModelValue7;
  uint8_t perModelFlag6;
};

}  // namespace basalt_caps
