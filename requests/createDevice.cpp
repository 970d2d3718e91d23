#include "platform/driver/createDevice.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "requests/QuillRequestDevice.h"

namespace vorlan_driver {

nKIVAPAL000::tDevice* createDevice(const nKIVAPAL000::tPCIDescription& description, nKIVAPALS100::tStatus& status) {
  QuillDevice* device = kivNew(status) QuillRequestDevice(description, status);
  if (device == nullptr) return nullptr;
  device->refreshBusInformation(status);
  if (status.isNotFatal()) return device;
  delete device;
  return nullptr;
}

}  // namespace vorlan_driver
