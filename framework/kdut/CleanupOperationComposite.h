// A session's (or the hardware owner's) cleanup operations, run
// last-added-first. Every operation runs, each with a fresh status, and the
// first error survives.
#pragma once

#include <stdint.h>

#include "framework/kdut/CleanupOperationInterface.h"
#include "framework/kdut/internal/StatusChainedCompositeKernel.h"
#include "platform/synchronization/tMutex.h"

namespace kdut {

class CleanupOperationComposite : public CleanupOperationInterface {
 public:
  static constexpr uint64_t kSessionCapacity = 480;
  static constexpr uint64_t kOwnerCapacity = 24;

  CleanupOperationComposite(uint64_t initialCapacity, nKIVAPALS100::tStatus& status);
  ~CleanupOperationComposite() override {}

  void cleanup(nKIVAPALS100::tStatus& status) override;
  virtual void add(CleanupOperationInterface* operation, nKIVAPALS100::tStatus& status);
  virtual void remove(CleanupOperationInterface* operation, nKIVAPALS100::tStatus& status);
  virtual void clear();
  virtual bool contains(const CleanupOperationInterface* operation);

 private:
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  internal::StatusChainedCompositeKernel<CleanupOperationInterface> operations_;
};

}  // namespace kdut
