// Up to 64 hardware-state checkers held in place, asked in the order they
// were added with one status: the first failing checker decides the code and
// later ones check nothing. It never allocates. No lock: whoever changes it
// must keep checks out meanwhile.
#pragma once

#include <stdint.h>

#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "platform/containers/tFixedArray.h"
#include "platform/status/tStatus.h"

namespace atut {

class HardwareStateCheckerCollection : public kdut::HardwareStateCheckerInterface {
 public:
  static constexpr uint64_t kCapacity = 64;

  HardwareStateCheckerCollection() {}
  ~HardwareStateCheckerCollection() override {}

  void checkHardwareState(nKIVAPALS100::tStatus& status) override;
  // Not tested for duplicates: a checker added twice is asked twice. A full
  // collection refuses with -52000 rather than halt.
  virtual void add(kdut::HardwareStateCheckerInterface* checker, nKIVAPALS100::tStatus& status);
  // The first entry equal to the checker; -52006 when it is not held.
  virtual void remove(kdut::HardwareStateCheckerInterface* checker, nKIVAPALS100::tStatus& status);
  virtual void clear() { checkers_.clear(); }
  uint64_t count() const { return checkers_.count(); }

 private:
  vorlan_driver::nKIVAPAL000::tFixedArray<kdut::HardwareStateCheckerInterface*, kCapacity> checkers_;
};

}  // namespace atut
