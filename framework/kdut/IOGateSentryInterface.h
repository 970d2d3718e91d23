// One check a request passes when it enters its gate.
#pragma once

#include "platform/status/tStatus.h"

namespace kdut {

class IOGateSentryInterface {
 public:
  virtual ~IOGateSentryInterface() {}
  // Does nothing when the status already holds an error.
  virtual void onEnterIOGate(nKIVAPALS100::tStatus& status) = 0;
};

}  // namespace kdut
