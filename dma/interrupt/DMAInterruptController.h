// The board's DMA interrupt controller: the waits of its base, with the
// bridge's DMA notification source enabled for as long as it lives.
#pragma once

#include <stdint.h>

#include "dma/interrupt/TarnDMAInterruptController.h"

namespace vorlan_driver {

class DMAInterruptController : public tarntools::TarnDMAInterruptController {
 public:
  static constexpr uint32_t kMaskOffset = 0x5C;
  static constexpr uint32_t kInterruptsOn = 1u << 31;
  static constexpr uint32_t kDmaSource = 1u << 9;

  DMAInterruptController(tarntools::iInterruptNotifierRegistry& registry, volatile uint8_t* bridge,
                         nKIVAPALS100::tStatus& status);
  ~DMAInterruptController() override;

 private:
  void change(uint32_t bit, bool set);

  volatile uint8_t* bridge_;
  // The stored value of the interrupt mask; each change writes it whole.
  uint32_t mask_;
};

}  // namespace vorlan_driver
