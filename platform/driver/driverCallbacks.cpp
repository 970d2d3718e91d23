#include "platform/driver/driverCallbacks.h"

#include "platform/driver/kalStatus.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {
namespace driverCallbacks {

namespace {
int32_t notSupported() { return toKalStatus(statusCodes::kNotSupported); }
}  // namespace

int32_t open(void*, void**) { return notSupported(); }
void close(void*) {}
int32_t read(void*, void*, uint64_t, uint64_t, uint64_t*) { return notSupported(); }
int32_t write(void*, void*, uint64_t, uint64_t, uint64_t*) { return notSupported(); }
int32_t ioControl(void*, uint32_t, uint64_t) { return notSupported(); }
int32_t addDevice(void*, void*, uint64_t* context) {
  *context = 0;
  return toKalStatus(statusCodes::kValueOutOfRange);
}
void remove(void*) {}
int32_t mapMemory(void*, uint16_t, void*, int32_t*, void**) { return notSupported(); }
void unmapMemory(void*) {}
void deleteDevice(void*) {}

}  // namespace driverCallbacks
}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
