// Checks that one register of a generated map reads as expected under a
// mask. The register is refreshed from the hardware on every check, so a
// board that changed since start-up is caught; a register its map cannot
// reach fails with the map's own code and the old shadow is not trusted.
#pragma once

#include <stdint.h>

#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "platform/status/tStatus.h"

namespace kdut {

template <typename Register>
class SimpleRegisterVerifier : public HardwareStateCheckerInterface {
 public:
  // The register belongs to a map that must outlive the verifier.
  SimpleRegisterVerifier(uint32_t mask, uint32_t expected, int32_t failureCode, Register& reg)
      : mask_(mask), expected_(expected), failureCode_(failureCode), register_(reg) {}
  ~SimpleRegisterVerifier() override {}
  SimpleRegisterVerifier(const SimpleRegisterVerifier&) = delete;
  SimpleRegisterVerifier& operator=(const SimpleRegisterVerifier&) = delete;

  void checkHardwareState(nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    register_.refresh(status);
    if (status.isFatal()) return;
    if ((static_cast<uint32_t>(register_.getRegister()) & mask_) != expected_) {
      vorlanSetCode(status, failureCode_);
    }
  }

  uint32_t getMask() const { return mask_; }
  uint32_t getExpected() const { return expected_; }
  int32_t getFailureCode() const { return failureCode_; }

 private:
  uint32_t mask_;
  uint32_t expected_;
  int32_t failureCode_;
  Register& register_;
};

}  // namespace kdut
