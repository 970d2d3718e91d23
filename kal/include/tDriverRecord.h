// The driver record as the kernel layer reads it. The layer allocates the
// record and owns its size; the driver writes only the fields named here.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

typedef int32_t (*tOpenCallback)(void* unused, void** context);
typedef void (*tCloseCallback)(void* session);
typedef int32_t (*tTransferCallback)(void* session, void* userBuffer, uint64_t count, uint64_t unused,
                                     uint64_t* transferred);
typedef int32_t (*tIOControlCallback)(void* session, uint32_t code, uint64_t argument);
typedef void (*tUnloadCallback)(void* argument);
typedef int32_t (*tAddDeviceCallback)(void* pciRecord, void* unused, uint64_t* context);
typedef void (*tDeviceCallback)(void* device);
typedef int32_t (*tMapMemoryCallback)(void* session, uint16_t word, void* mapHandle, int32_t* made,
                                      void** mapObject);
typedef void (*tUnmapMemoryCallback)(void* mapObject);

struct tDriverRecordView {
  uint8_t layerOwned0[24];
  const char* name;
  uint8_t layerOwned1[8];
  tOpenCallback open;
  tCloseCallback close;
  tTransferCallback read;
  tTransferCallback write;
  tIOControlCallback ioControl;
  tUnloadCallback unload;
  tAddDeviceCallback addDevice;
  tDeviceCallback remove;
  tMapMemoryCallback mapMemory;
  tUnmapMemoryCallback unmapMemory;
  tDeviceCallback deleteDevice;
};
static_assert(offsetof(tDriverRecordView, name) == 24, "driver record: name");
static_assert(offsetof(tDriverRecordView, open) == 40, "driver record: open");
static_assert(offsetof(tDriverRecordView, close) == 48, "driver record: close");
static_assert(offsetof(tDriverRecordView, read) == 56, "driver record: read");
static_assert(offsetof(tDriverRecordView, write) == 64, "driver record: write");
static_assert(offsetof(tDriverRecordView, ioControl) == 72, "driver record: ioctl");
static_assert(offsetof(tDriverRecordView, unload) == 80, "driver record: unload");
static_assert(offsetof(tDriverRecordView, addDevice) == 88, "driver record: add device");
static_assert(offsetof(tDriverRecordView, remove) == 96, "driver record: remove");
static_assert(offsetof(tDriverRecordView, mapMemory) == 104, "driver record: mmap");
static_assert(offsetof(tDriverRecordView, unmapMemory) == 112, "driver record: munmap");
static_assert(offsetof(tDriverRecordView, deleteDevice) == 120, "driver record: delete");
static_assert(sizeof(tDriverRecordView) == 128, "driver record: the part the driver knows");

constexpr const char kDriverName[] = "vorlan_driver";

// The one module-wide pointer to the registered record; null when unloaded.
void* getDriverHandle();

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver

extern "C" int32_t nKIVAPAL200_driverEntry(void* driverRecord);

namespace vorlan_driver {
void driverUnloadCallback(void* argument);
}  // namespace vorlan_driver
