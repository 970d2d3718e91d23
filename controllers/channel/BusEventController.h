// Puts a 16-bit event code on the board's event bus.
#pragma once

#include <stdint.h>

#include "controllers/ControllerGuard.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class BusEventController {
 public:
  // The map is not owned and must outlive the controller.
  BusEventController(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, nKIVAPALS100::tStatus& status)
      : mutex_(status), iso_(iso) {}
  BusEventController(const BusEventController&) = delete;
  BusEventController& operator=(const BusEventController&) = delete;

  // A code already in the register is not written again.
  void generateBusEvent(uint16_t code, nKIVAPALS100::tStatus& status) {
    ControllerGuard guard(mutex_, status);
    if (guard.holds()) iso_.BusEvent.writeEventCode(code, status);
  }

 private:
  nKIVAPAL000::tMutex mutex_;
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso_;
};

}  // namespace vorlan_driver
