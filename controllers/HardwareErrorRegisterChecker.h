// A hardware-state check that the board's error manager reports no error
// for a set of channels (or for the board), and that otherwise sets the
// code of the fault it shows. Poll time-outs ask it for the precise cause.
#pragma once

#include <stdint.h>

#include "controllers/ErrorCheckerInterface.h"
#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

class HardwareErrorRegisterChecker : public kdut::HardwareStateCheckerInterface {
 public:
  // The error checker is not owned and must outlive this one.
  HardwareErrorRegisterChecker(uint64_t channelMask, ErrorCheckerInterface& errors)
      : channelMask_(channelMask), errors_(&errors) {}
  // Unbound: finds nothing until bound (the set builds its table this way).
  HardwareErrorRegisterChecker() : channelMask_(0), errors_(nullptr) {}
  ~HardwareErrorRegisterChecker() override {}
  void bind(uint64_t channelMask, ErrorCheckerInterface& errors) {
    channelMask_ = channelMask;
    errors_ = &errors;
  }
  HardwareErrorRegisterChecker(const HardwareErrorRegisterChecker&) = delete;
  HardwareErrorRegisterChecker& operator=(const HardwareErrorRegisterChecker&) = delete;

  void checkHardwareState(nKIVAPALS100::tStatus& status) override;
  // True when the status already holds an error.
  bool hasError(nKIVAPALS100::tStatus& status);

  uint64_t getChannelMask() const { return channelMask_; }

 private:
  uint64_t channelMask_;
  ErrorCheckerInterface* errors_;
};

}  // namespace vorlan_driver
