#include "requests/tRequestGate.h"

#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace requests {

tRequestGate::tRequestGate(QuillDevice& device, const nKIVAPAL000::tEventDescriptor& descriptor, uint32_t level,
                           nKIVAPALS100::tStatus& status)
    : gateStatus_(), gate_(&device, descriptor.getSession(), &device.getSetupTracker(), level, gateStatus_) {
  if (gateStatus_.isFatal()) status.merge(gateStatus_);
}

void answerNotBuilt(QuillDevice& device, const nKIVAPAL000::tEventDescriptor& descriptor, uint32_t level,
                    nKIVAPALS100::tStatus& status) {
  tRequestGate gate(device, descriptor, level, status);
  if (gate.passed()) vorlanSetCode(status, statusCodes::kNotSupported);
}

}  // namespace requests
}  // namespace vorlan_driver
