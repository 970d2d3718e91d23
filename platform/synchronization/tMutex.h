// Recursive mutex over a non-recursive kernel mutex: public operations of an
// object call each other, and the reset path re-enters objects it holds.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
// Every user of the mutex holds it through the scoped lock.
#include "platform/synchronization/tAutoLock.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tMutex {
 public:
  explicit tMutex(nKIVAPALS100::tStatus& status);
  // For an owner that cannot hand a status to its members: nothing is made
  // until create, and an uncreated mutex locks nothing (isCreated tells).
  tMutex() : kernelMutex_(nullptr), owner_(nullptr), depth_(0) {}
  void create(nKIVAPALS100::tStatus& status);
  ~tMutex();
  tMutex(const tMutex&) = delete;
  tMutex& operator=(const tMutex&) = delete;

  void acquire();
  void release();

  bool isOwnedByCaller() const;
  // False when the kernel mutex could not be made (or the status already held
  // an error): its owner must refuse work rather than lock nothing.
  bool isCreated() const { return kernelMutex_ != nullptr; }
  uint32_t getDepth() const { return depth_; }

 private:
  void* kernelMutex_;
  // Read by other threads without the kernel mutex: only the owner writes its
  // own handle here, and clears it before releasing.
  void* owner_;
  uint32_t depth_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
