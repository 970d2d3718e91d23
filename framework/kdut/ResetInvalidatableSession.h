// A session stays valid until the device's reset counter next moves.
#pragma once

#include <stdint.h>

#include "framework/kdut/InvalidatableSessionInterface.h"

namespace kdut {

class ResetInvalidatableSession : public InvalidatableSessionInterface {
 public:
  ResetInvalidatableSession(const uint32_t* resetCounter, int32_t code)
      : resetCounter_(resetCounter), code_(code), snapshot_(read()) {}

  bool isValid() const override { return read() == snapshot_; }
  void checkValid(nKIVAPALS100::tStatus& status) const override {
    if (status.isFatal() || isValid()) return;
    vorlanSetCode(status, code_);
  }
  uint32_t revalidate() override {
    snapshot_ = read();
    return snapshot_;
  }

 private:
  // The counter moves only while no request is past the device's gate.
  uint32_t read() const { return __atomic_load_n(resetCounter_, __ATOMIC_RELAXED); }

  const uint32_t* resetCounter_;
  int32_t code_;
  uint32_t snapshot_;
};

}  // namespace kdut
