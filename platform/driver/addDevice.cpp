#include "platform/driver/addDevice.h"

#include "kal/include/nKIVKAL.h"
#include "kal/include/tDriverRecord.h"
#include "kal/include/tKalPCIRecord.h"
#include "platform/device/tDeviceInterface.h"
#include "platform/driver/createDevice.h"
#include "platform/driver/kalStatus.h"
#include "platform/driver/pciIdentity.h"
#include "platform/pci/tPCIDescription.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {

namespace {

using nKIVAPAL000::tDevice;
using nKIVAPAL000::tDeviceInterface;
using nKIVAPAL000::tKalPCIRecord;
using nKIVAPAL000::tKalPCIResource;
using nKIVAPAL000::tPCIDescription;

void requestMessageInterrupt(tKalPCIRecord& record, tPCIDescription& description) {
  // A refusal is no error: the line interrupt stays in force.
  if (nKIVKAL230_pciRequestMSI(&record, 1) != 0) return;
  description.msiGranted = 1;
  description.interrupt = record.interrupt;
  description.interruptKind = tPCIDescription::kInterruptKindMessage;
}

uint64_t countInterfaces(tDeviceInterface** interfaces) {
  uint64_t count = 0;
  if (interfaces != nullptr) {
    while (interfaces[count] != nullptr) ++count;
  }
  return count;
}

void registerInterfaces(tDevice& device, nKIVAPALS100::tStatus& status) {
  tDeviceInterface** interfaces = device.getDeviceInterfaces();
  const uint64_t count = countInterfaces(interfaces);
  for (uint64_t i = 0; i < count; ++i) {
    void* handle = nKIVKAL240_registerDeviceInterface(nKIVAPAL000::getDriverHandle(), device.getLayerDeviceHandle(),
                                                      interfaces[i]->getName(), static_cast<uint32_t>(i),
                                                      interfaces[i]);
    if (handle == nullptr) {
      tDevice::unregisterDeviceInterfaces(device);
      vorlanSetCode(status, statusCodes::kOutOfMemory);
      return;
    }
    interfaces[i]->setHandle(handle);
  }
}

void announceInterfaces(tDevice& device) {
  tDeviceInterface** interfaces = device.getDeviceInterfaces();
  const uint64_t count = countInterfaces(interfaces);
  for (uint64_t i = 0; i < count; ++i) nKIVKAL240_notifyUserspaceAddEvent(interfaces[i]->getHandle());
}

}  // namespace

void describePCIRecord(tKalPCIRecord& record, uint64_t layerDeviceHandle, tPCIDescription& description) {
  nKIVKAL240_memSet(&description, 0, sizeof(description));
  description.busType = tPCIDescription::kBusTypePCI;
  description.bus = static_cast<uint8_t>(record.bus);
  description.deviceNumber = static_cast<uint8_t>(record.device);
  description.functionNumber = static_cast<uint8_t>(record.function);
  description.vendorID = record.vendorID;
  description.deviceID = record.deviceID;
  description.subsystemVendorID = record.subsystemVendorID;
  description.subsystemID = record.subsystemID;
  description.revision = static_cast<uint8_t>(record.revision);
  description.numaNode = nKIVKAL1_getDeviceNUMANode(&record);
  for (uint32_t i = 0; i < tKalPCIRecord::kResourceCount; ++i) {
    const tKalPCIResource& resource = record.resources[i];
    description.rawResources[i].startLow = static_cast<uint32_t>(resource.start);
    description.rawResources[i].lengthLow = static_cast<uint32_t>(resource.length);
    // A resource flagged both ways is I/O space.
    if ((resource.flags & tKalPCIResource::kFlagIOSpace) != 0) {
      description.ioBars[description.ioBarCount++] = {resource.start, resource.length, 0};
    } else if ((resource.flags & tKalPCIResource::kFlagMemorySpace) != 0) {
      description.memoryBars[description.memoryBarCount++] = {resource.start, resource.length, 0};
    }
  }
  if (record.hasLineInterrupt != 0) {
    description.interruptKind = tPCIDescription::kInterruptKindLine;
    description.interrupt = record.interrupt;
  }
  description.layerDeviceHandle = layerDeviceHandle;
  description.pciFunctionHandle = record.functionHandle;
  description.componentName = reinterpret_cast<uintptr_t>(nKIVAPAL000::kDriverName);
}

int32_t addDeviceCallback(void* pciRecord, void*, uint64_t* context) {
  tKalPCIRecord& record = *static_cast<tKalPCIRecord*>(pciRecord);
  nKIVAPALS100::tStatus status;
  tPCIDescription description;
  describePCIRecord(record, *context, description);

  tDevice* device = nullptr;
  if (!nKIVAPAL000::isSupportedIdentity(description.vendorID, description.deviceID, description.subsystemVendorID,
                                        description.subsystemID)) {
    vorlanSetCode(status, statusCodes::kValueOutOfRange);
  } else {
    requestMessageInterrupt(record, description);
    device = createDevice(description, status);
  }

  if (status.isNotFatal()) {
    *context = reinterpret_cast<uintptr_t>(device);
    // Start-up failures stay in the device's setup tracker, not here.
    const nKIVAPAL000::tEventDescriptor descriptor;
    device->changePnPState(descriptor, nKIVAPAL000::tDeviceCore::kPnPStateReady,
                           nKIVAPAL000::kSuspendReasonAddDevice, false, status);
  }
  if (status.isNotFatal()) registerInterfaces(*device, status);
  if (status.isNotFatal()) {
    device->buildBusProperties();
    tDevice::registerBusProperties(*device, status);
    tDevice::registerDeviceProperties(*device, status);
    tDevice::registerInterfaceProperties(*device, status);
  }
  if (status.isNotFatal()) announceInterfaces(*device);

  if (status.isFatal()) {
    if (device != nullptr) {
      tDevice::removeDevice(device);
      tDevice::kalDeleteDevice(device);
    }
    *context = 0;
  }
  return nKIVAPAL000::toKalStatus(status.getCode());
}

}  // namespace vorlan_driver
