// A chain that ends, or runs into a continuous chain when chained to one.
#pragma once

#include "dma/sgl/ContinuousSGL.h"
#include "dma/sgl/tTarnSGL.h"

namespace tarntools {

class FiniteSGL : public vorlan_driver::nKIVAPAL000::tTarnSGL {
 public:
  FiniteSGL() : chained_(false) {}

  virtual void clear();
  virtual void commit(nKIVAPALS100::tStatus& status) { commitHeaders(status); }
  virtual void commitTerminated(nKIVAPALS100::tStatus& status) { terminate(status); }
  virtual void chainTo(ContinuousSGL& continuous, nKIVAPALS100::tStatus& status);
  virtual void unchain();

  bool isChained() const { return chained_; }

 private:
  bool chained_;
};

}  // namespace tarntools
