#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace kdut {

class CleanupOperationComposite;

class ResourceReservationInterface {
 public:
  virtual ~ResourceReservationInterface() {}
  virtual void reserve(CleanupOperationComposite& composite, uint64_t mask, nKIVAPALS100::tStatus& status) = 0;
  virtual void release(CleanupOperationComposite& composite, nKIVAPALS100::tStatus& status) = 0;
  virtual void checkReserved(uint64_t mask, nKIVAPALS100::tStatus& status) = 0;
};

}  // namespace kdut
