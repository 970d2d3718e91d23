#include "controllers/routing/RegMapRouteProgrammer.h"

namespace vorlan_driver {

void RegMapRouteProgrammer::execute(uint32_t, uint32_t opcode, uint32_t value, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (opcode == kSelectNisoFpga) {
    currentMap_ = nisoFpgaMap_;
  } else if (opcode == kSelectIsoFpga) {
    currentMap_ = isoFpgaMap_;
  } else if (opcode <= kSelectLastChannel) {
    currentMap_ = channelMaps_ == nullptr ? nullptr : channelMaps_[opcode - kSelectFirstChannel];
  } else if (opcode == kSetRegisterID) {
    registerID_ = value;
  } else if (opcode == kWrite) {
    if (currentMap_ != nullptr) currentMap_->write(registerID_, value, false, status, 0);
  } else if (opcode == kSetSlot) {
    slot_ = value;
  } else if (opcode == kRouteSlot) {
    if (isolatedPort_ != nullptr) isolatedPort_->routeChannel(slot_, value, status);
  }
}

}  // namespace vorlan_driver
