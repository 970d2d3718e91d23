#include "dma/interrupt/DMAInterruptController.h"

#include "kal/include/nKIVKAL.h"

namespace vorlan_driver {

DMAInterruptController::DMAInterruptController(tarntools::iInterruptNotifierRegistry& registry,
                                               volatile uint8_t* bridge, nKIVAPALS100::tStatus& status)
    : TarnDMAInterruptController(registry, status), bridge_(bridge), mask_(0) {
  if (status.isFatal()) return;
  change(kInterruptsOn, true);
  change(kDmaSource, true);
}

DMAInterruptController::~DMAInterruptController() {
  change(kInterruptsOn, false);
  change(kDmaSource, false);
}

void DMAInterruptController::change(uint32_t bit, bool set) {
  const uint32_t value = set ? (mask_ | bit) : (mask_ & ~bit);
  if (value == mask_) return;
  mask_ = value;
  nKIVKAL100_memoryWrite32(bridge_ + kMaskOffset, mask_);
}

}  // namespace vorlan_driver
