// Device-wide reservation of resource bits (the channels): every mask is
// reserved or released completely or not at all.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"

namespace kdut {

class ResourceReservationManager {
 public:
  ResourceReservationManager(int32_t alreadyReservedCode, int32_t notReservedCode, uint64_t reservableMask,
                             int32_t outOfRangeCode, nKIVAPALS100::tStatus& status);
  ResourceReservationManager(int32_t alreadyReservedCode, int32_t notReservedCode, nKIVAPALS100::tStatus& status);
  virtual ~ResourceReservationManager() {}

  virtual void reserve(uint64_t mask, nKIVAPALS100::tStatus& status);
  virtual void release(uint64_t mask, nKIVAPALS100::tStatus& status);

  uint64_t getReservedMask();

 private:
  int32_t alreadyReservedCode_;
  int32_t notReservedCode_;
  int32_t outOfRangeCode_;
  uint64_t reservableMask_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  uint64_t reservedMask_;
};

}  // namespace kdut
