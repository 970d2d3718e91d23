// An event that wakes one waiter and resets itself: a set with nobody
// waiting leaves it signalled for the next wait, a set while signalled does
// nothing. Set may come from deferred-call level; waits sleep on a
// single-use event of the kernel layer.
#pragma once

#include "kal/include/nKIVKAL.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tAutoResetEvent {
 public:
  explicit tAutoResetEvent(nKIVAPALS100::tStatus& status);
  ~tAutoResetEvent();
  tAutoResetEvent(const tAutoResetEvent&) = delete;
  tAutoResetEvent& operator=(const tAutoResetEvent&) = delete;

  void set();
  void wait();

 private:
  void* spinLock_;
  bool signalled_;
  nKIVKAL_tSingleUseEvent* waiter_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
