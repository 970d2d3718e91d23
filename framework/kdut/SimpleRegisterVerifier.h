// Checks that one register of a generated map reads as expected under a
// mask. The register is refreshed from the hardware on every check, so a
// board that changed since start-up is caught; a register its map cannot
// reach fails with the map's own code and the old shadow is not trusted.
//
// Checks run beside requests that reach the same map by name. The check
// holds the map's lock (its registration's mutex is that same lock) across
// the refresh and the read of the shadow, so no request falls between the
// two. It is called with no map lock held.
#pragma once

#include <stdint.h>

#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tAutoLock.h"
#include "platform/synchronization/tMutex.h"

namespace kdut {

template <typename Register>
class SimpleRegisterVerifier : public HardwareStateCheckerInterface {
 public:
  // The register belongs to a map that must outlive the verifier, and so
  // must `mapLock` (null for a map no one else reaches).
  SimpleRegisterVerifier(uint32_t mask, uint32_t expected, int32_t failureCode, Register& reg,
                         vorlan_driver::nKIVAPAL000::tMutex* mapLock)
      : mask_(mask), expected_(expected), failureCode_(failureCode), register_(reg), mapLock_(mapLock) {}
  ~SimpleRegisterVerifier() override {}
  SimpleRegisterVerifier(const SimpleRegisterVerifier&) = delete;
  SimpleRegisterVerifier& operator=(const SimpleRegisterVerifier&) = delete;

  void checkHardwareState(nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    uint32_t value = 0;
    {
      vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(mapLock_);
      register_.refresh(status);
      if (status.isFatal()) return;
      value = static_cast<uint32_t>(register_.getRegister());
    }
    if ((value & mask_) != expected_) vorlanSetCode(status, failureCode_);
  }

  uint32_t getMask() const { return mask_; }
  uint32_t getExpected() const { return expected_; }
  int32_t getFailureCode() const { return failureCode_; }

 private:
  uint32_t mask_;
  uint32_t expected_;
  int32_t failureCode_;
  Register& register_;
  vorlan_driver::nKIVAPAL000::tMutex* mapLock_;
};

}  // namespace kdut
