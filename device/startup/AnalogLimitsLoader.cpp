#include "device/startup/AnalogLimitsLoader.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/memory/tUserBuffer.h"

namespace vorlan_driver {

void AnalogLimitsLoader::load(const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t userRecord,
                              XAdcLimitsController& limits, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  uint8_t* record = kivNew(status) uint8_t[XAdcLimitsController::kRecordSize]();
  if (record == nullptr) return;
  if (userRecord != 0) {
    const nKIVAPAL000::tUserBuffer user(descriptor, userRecord, XAdcLimitsController::kRecordSize);
    user.copyFromUser(0, record, XAdcLimitsController::kRecordSize, status);
  }
  limits.configureWindowLimits(userRecord != 0 ? record : nullptr, status);
  delete[] record;
}

}  // namespace vorlan_driver
