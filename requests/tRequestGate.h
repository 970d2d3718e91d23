// The I/O gate a request method enters first and keeps for its whole run, at
// the request's required setup level. The gate works on a status of its own;
// only an error it ends with reaches the request's status (an error already
// there stays, a warning there is replaced).
#pragma once

#include <stdint.h>

#include "device/QuillDevice.h"
#include "framework/kdut/AutoIOGate.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace requests {

class tRequestGate {
 public:
  tRequestGate(QuillDevice& device, const nKIVAPAL000::tEventDescriptor& descriptor, uint32_t level,
               nKIVAPALS100::tStatus& status);
  tRequestGate(const tRequestGate&) = delete;
  tRequestGate& operator=(const tRequestGate&) = delete;

  // False when the method must return its failure default.
  bool passed() const { return gateStatus_.isNotFatal(); }

 private:
  nKIVAPALS100::tStatus gateStatus_;
  kdut::AutoIOGate<vorlan_shared::SetupLevel, meridansharedsource::KernelSession> gate_;
};

}  // namespace requests
}  // namespace vorlan_driver
