#include "controllers/WispController.h"

#include "controllers/ControllerGuard.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {

uint32_t WispController::getVersion(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return kNoVersion;
  uint32_t hardware = 0;
  uint32_t reserved0 = 0;
  uint32_t reserved1 = 0;
  uint32_t kit = 0;
  kit_.getVersion(hardware, reserved0, reserved1, kit, status);
  return status.isFatal() ? kNoVersion : kit;
}

// The slot is checked before it becomes a shift: a slot of 16 or more would
// shift past the word (and wrap onto a low slot on some machines), and a
// code above 3 would spill into the next slot.
void WispController::routeChannel(uint32_t slot, uint32_t code, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  if (code > wispddk::WispIsoPort::kRouteCodeMask) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  if (slot >= wispddk::WispIsoPort::kSlotCount) return;
  kit_.route(code << (2 * slot), status);
}

}  // namespace vorlan_driver
