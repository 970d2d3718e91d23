// A channel's pair of chains: a finite chain that runs into a loop, either
// of them possibly empty.
#pragma once

#include "dma/sgl/ContinuousSGL.h"
#include "dma/sgl/FiniteSGL.h"

namespace tarntools {

class FiniteAndContinuousSGL {
 public:
  explicit FiniteAndContinuousSGL(bool openEnded) : openEnded_(openEnded) {}
  virtual ~FiniteAndContinuousSGL() {}
  FiniteAndContinuousSGL(const FiniteAndContinuousSGL&) = delete;
  FiniteAndContinuousSGL& operator=(const FiniteAndContinuousSGL&) = delete;

  void commit(nKIVAPALS100::tStatus& status);

  FiniteSGL& finite() { return finite_; }
  ContinuousSGL& continuous() { return continuous_; }
  const FiniteSGL& finite() const { return finite_; }
  const ContinuousSGL& continuous() const { return continuous_; }
  bool isOpenEnded() const { return openEnded_; }

 private:
  FiniteSGL finite_;
  ContinuousSGL continuous_;
  bool openEnded_;
};

}  // namespace tarntools
