#include "kal/include/nKIVKAL.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "platform/driver/driverCallbacks.h"
#include "platform/driver/tDriverRecord.h"

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
  initializeRunTime();

  tDriverRecordView* record = static_cast<tDriverRecordView*>(driverRecord);
  record->name = kDriverName;
  record->open = &driverCallbacks::open;
  record->close = &driverCallbacks::close;
  record->read = &driverCallbacks::read;
  record->write = &driverCallbacks::write;
  record->ioControl = &driverCallbacks::ioControl;
  record->unload = &vorlan_driver::driverUnloadCallback;
  record->addDevice = &driverCallbacks::addDevice;
  record->remove = &driverCallbacks::remove;
  record->mapMemory = &driverCallbacks::mapMemory;
  record->unmapMemory = &driverCallbacks::unmapMemory;
  record->deleteDevice = &driverCallbacks::deleteDevice;

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
