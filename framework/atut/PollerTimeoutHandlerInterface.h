// What a poller does instead of raising its own time-out code: the handler
// decides which code the time-out reports.
#pragma once

#include "platform/status/tStatus.h"

namespace atut {

class PollerTimeoutHandlerInterface {
 public:
  virtual ~PollerTimeoutHandlerInterface() {}
  virtual void handleTimeout(nKIVAPALS100::tStatus& status) = 0;
};

}  // namespace atut
