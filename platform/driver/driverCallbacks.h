// The callbacks the driver record hands to the kernel layer. Until the device
// model serves them, every request answers "not supported".
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {
namespace driverCallbacks {

int32_t open(void* unused, void** context);
void close(void* session);
int32_t read(void* session, void* userBuffer, uint64_t count, uint64_t unused, uint64_t* transferred);
int32_t write(void* session, void* userBuffer, uint64_t count, uint64_t unused, uint64_t* transferred);
int32_t ioControl(void* session, uint32_t code, uint64_t argument);
int32_t addDevice(void* pciRecord, void* unused, uint64_t* context);
void remove(void* device);
int32_t mapMemory(void* session, uint16_t word, void* mapHandle, int32_t* made, void** mapObject);
void unmapMemory(void* mapObject);
void deleteDevice(void* device);

}  // namespace driverCallbacks
}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
