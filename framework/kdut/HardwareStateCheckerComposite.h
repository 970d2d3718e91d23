// The hardware owner's checkers, asked in the order they were added with one
// status: the first failing checker decides the code and later ones check
// nothing. No lock: only start-up and teardown change it, while no request is
// past the device's I/O gate.
#pragma once

#include <stdint.h>

#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "framework/kdut/internal/StatusChainedCompositeKernel.h"

namespace kdut {

class HardwareStateCheckerComposite : public HardwareStateCheckerInterface {
 public:
  explicit HardwareStateCheckerComposite(nKIVAPALS100::tStatus& status) : checkers_(0, status) {}
  HardwareStateCheckerComposite(uint64_t initialCapacity, nKIVAPALS100::tStatus& status)
      : checkers_(initialCapacity, status) {}
  ~HardwareStateCheckerComposite() override {}

  void checkHardwareState(nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    for (uint64_t i = 0; i < checkers_.count(); ++i) checkers_.at(i)->checkHardwareState(status);
  }
  virtual void add(HardwareStateCheckerInterface* checker, nKIVAPALS100::tStatus& status) {
    checkers_.add(checker, status);
  }
  virtual void remove(HardwareStateCheckerInterface* checker, nKIVAPALS100::tStatus& status) {
    checkers_.remove(checker, status);
  }
  virtual void clear() { checkers_.clear(); }

 private:
  internal::StatusChainedCompositeKernel<HardwareStateCheckerInterface> checkers_;
};

}  // namespace kdut
