// The windowed variant: a map placed by a base and a window inside its
// accessor's address space. Registers outside the window keep their shadows
// but are never accessed (-52006).
#pragma once

#include <stdint.h>

#include "regmaps/model/tRegisterMap.h"

namespace arm {

class tWindowedRegisterMap : public tRegisterMap {
 public:
  // Back to the reset shadows; addresses and accessibility recomputed from
  // the stored base and window, this map's and then each child's. No
  // hardware access.
  virtual void reinitialize();

 protected:
  tWindowedRegisterMap(const tMapDescriptor& descriptor, tRegisterState* states,
                       const tAccessorOperations& operations, void* accessor, uint32_t base, uint32_t windowStart,
                       uint32_t windowSize, tStatus* creation)
      : tRegisterMap(descriptor, states, operations, accessor, base, windowStart, windowSize, creation) {}
};

}  // namespace arm
