#include "kal/include/nKIVKAL.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/device/tDevice.h"
#include "platform/driver/addDevice.h"
#include "platform/driver/kalStatus.h"
#include "platform/status/statusCodes.h"
#include "kal/include/tDriverRecord.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {
void* gDriverHandle = nullptr;
}  // namespace

void* getDriverHandle() { return gDriverHandle; }

}  // namespace nKIVAPAL000

void driverUnloadCallback(void* argument) {
  nKIVKAL200_unregisterDriver(argument);
  nKIVAPAL000::gDriverHandle = nullptr;
  nKIVAPAL000::finalizeRunTime();
}

}  // namespace vorlan_driver

extern "C" __attribute__((visibility("default"))) int32_t nKIVAPAL200_driverEntry(void* driverRecord) {
  using namespace vorlan_driver::nKIVAPAL000;
  if (!initializeRunTime()) {
    finalizeRunTime();
    return toKalStatus(vorlan_driver::statusCodes::kOutOfMemory);
  }

  tDriverRecordView* record = static_cast<tDriverRecordView*>(driverRecord);
  record->name = kDriverName;
  record->open = &tDevice::kalOpen;
  record->close = &tDevice::kalClose;
  record->read = &tDevice::kalRead;
  record->write = &tDevice::kalWrite;
  record->ioControl = &tDevice::kalIOControl;
  record->unload = &vorlan_driver::driverUnloadCallback;
  record->addDevice = &vorlan_driver::addDeviceCallback;
  record->remove = &tDevice::removeDevice;
  record->mapMemory = &tDevice::kalMapMemory;
  record->unmapMemory = &tDevice::kalUnmapMemory;
  record->deleteDevice = &tDevice::kalDeleteDevice;

  // Set before registering: the layer may add a device while registering.
  gDriverHandle = driverRecord;
  const int32_t result = nKIVKAL200_registerDriver(driverRecord);
  if (result < 0) {
    // The layer may free a record it refused; keep no pointer to it.
    gDriverHandle = nullptr;
    finalizeRunTime();
  }
  return result;
}
