// The analog monitor's alarm windows at start-up: from the 92-byte limits
// record of a reset's parameters, copied from the caller's memory, or the
// built-in limits when the caller gives none.
#pragma once

#include <stdint.h>

#include "controllers/XAdcLimitsController.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

class AnalogLimitsLoader {
 public:
  // `userRecord` 0 selects the built-in limits. The record is copied into
  // a kernel buffer of its own (-52000 when none can be had), handed to the
  // controller and released, whatever happened.
  static void load(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t userRecord,
                   XAdcLimitsController& limits, nKIVAPALS100::tStatus& status);
};

}  // namespace vorlan_driver
