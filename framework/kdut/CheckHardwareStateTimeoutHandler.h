// Turns a bare poll time-out into the cause the hardware shows, when the
// checker finds one.
#pragma once

#include <stdint.h>

#include "framework/atut/PollerTimeoutHandlerInterface.h"
#include "framework/kdut/HardwareStateCheckerInterface.h"

namespace kdut {

class CheckHardwareStateTimeoutHandler : public atut::PollerTimeoutHandlerInterface {
 public:
  CheckHardwareStateTimeoutHandler(HardwareStateCheckerInterface* checker, int32_t code)
      : checker_(checker), code_(code) {}
  ~CheckHardwareStateTimeoutHandler() override {}

  void handleTimeout(nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    checker_->checkHardwareState(status);
    if (status.isNotFatal()) vorlanSetCode(status, code_);
  }

 private:
  HardwareStateCheckerInterface* checker_;
  int32_t code_;
};

}  // namespace kdut
