// A chain that loops back to its first link.
#pragma once

#include "dma/sgl/tTarnSGL.h"

namespace tarntools {

class ContinuousSGL : public vorlan_driver::nKIVAPAL000::tTarnSGL {
 public:
  virtual void clear() { destroyAll(); }
  virtual void commitLoop(bool interruptRequest, nKIVAPALS100::tStatus& status) {
    tTarnSGL::commitLoop(interruptRequest, status);
  }
};

}  // namespace tarntools
