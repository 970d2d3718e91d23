#include "platform/device/tDevice.h"

#include "kal/include/nKIVKAL.h"
#include "platform/device/tDeviceInterface.h"
#include "platform/device/tProperty.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

void* tDevice::getLayerDeviceHandle() const {
  if (layerView_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(static_cast<uintptr_t>(layerView_[1]));
}

void tDevice::scheduleDPC(void* deferredCall) {
  void* handle = static_cast<void* const*>(deferredCall)[1];
  nKIVKAL100_scheduleDPC(handle, deferredCall);
}

void tDevice::registerPropertyList(int32_t scope, void* owner, tProperty** list, nKIVAPALS100::tStatus& status) {
  if (status.isFatal() || list == nullptr) return;
  for (uint64_t i = 0; list[i] != nullptr; ++i) {
    tProperty& property = *list[i];
    const void* value = nullptr;
    int32_t size = 0;
    void* handle = nullptr;
    if (property.getLayerValue(&value, &size)) {
      handle = nKIVKAL200_registerProperty(scope, owner, property.getName(), value, size);
    }
    if (handle == nullptr) {
      for (uint64_t j = 0; j < i; ++j) {
        if (list[j]->getHandle() == nullptr) continue;
        nKIVKAL200_unregisterProperty(list[j]->getHandle());
        list[j]->setHandle(nullptr);
      }
      vorlanSetCode(status, statusCodes::kValueOutOfRange);
      return;
    }
    property.setHandle(handle);
  }
}

void tDevice::unregisterPropertyList(tProperty** list) {
  if (list == nullptr) return;
  for (uint64_t i = 0; list[i] != nullptr; ++i) {
    void* handle = list[i]->getHandle();
    if (handle == nullptr) continue;
    nKIVKAL200_unregisterProperty(handle);
    list[i]->setHandle(nullptr);
  }
}

void tDevice::registerBusProperties(tDevice& device, nKIVAPALS100::tStatus& status) {
  registerPropertyList(kPropertyScopeBus, device.getLayerDeviceHandle(), device.getBusProperties(), status);
}

void tDevice::registerDeviceProperties(tDevice& device, nKIVAPALS100::tStatus& status) {
  registerPropertyList(kPropertyScopeDevice, device.getLayerDeviceHandle(), device.getDeviceProperties(), status);
}

void tDevice::registerInterfaceProperties(tDevice& device, nKIVAPALS100::tStatus& status) {
  tDeviceInterface** interfaces = device.getDeviceInterfaces();
  if (interfaces == nullptr) return;
  for (uint64_t i = 0; interfaces[i] != nullptr && status.isNotFatal(); ++i) {
    registerPropertyList(kPropertyScopeInterface, interfaces[i]->getHandle(), interfaces[i]->getProperties(), status);
  }
}

void tDevice::unregisterInterfaceProperties(tDevice& device) {
  tDeviceInterface** interfaces = device.getDeviceInterfaces();
  if (interfaces == nullptr) return;
  for (uint64_t i = 0; interfaces[i] != nullptr; ++i) unregisterPropertyList(interfaces[i]->getProperties());
}

void tDevice::unregisterDeviceProperties(tDevice& device) { unregisterPropertyList(device.getDeviceProperties()); }

void tDevice::unregisterBusProperties(tDevice& device) { unregisterPropertyList(device.getBusProperties()); }

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
