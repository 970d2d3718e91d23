#include "requests/tRequestGate.h"

namespace vorlan_driver {
namespace requests {

tRequestGate::tRequestGate(QuillDevice& device, const nKIVAPAL000::tEventDescriptor& descriptor, uint32_t level,
                           nKIVAPALS100::tStatus& status)
    : gateStatus_(), gate_(&device, descriptor.getSession(), &device.getSetupTracker(), level, gateStatus_) {
  if (gateStatus_.isFatal()) status.merge(gateStatus_);
}

}  // namespace requests
}  // namespace vorlan_driver
