#include "platform/device/tDevice.h"

#include "kal/include/nKIVKAL.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/device/tDeviceInterface.h"
#include "platform/device/tProperty.h"
#include "platform/device/tSession.h"
#include "platform/driver/kalStatus.h"
#include "kal/include/tIOControlEnvelope.h"
#include "platform/driver/tNotifierCreationRecord.h"
#include "platform/io_notification/tIONotifierParams.h"
#include "platform/memory/tUserBuffer.h"
#include "platform/memory/tUserMemoryMap.h"
#include "platform/quarks/kivString.h"
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

namespace {

// Takes back the first `count` properties of a list; those never registered
// are skipped, so a partly registered list unwinds with the same call.
void unregisterProperties(tProperty** list, uint64_t count) {
  for (uint64_t i = 0; i < count; ++i) {
    void* handle = list[i]->getHandle();
    if (handle == nullptr) continue;
    nKIVKAL200_unregisterProperty(handle);
    list[i]->setHandle(nullptr);
  }
}

}  // namespace

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
      unregisterProperties(list, i);
      vorlanSetCode(status, statusCodes::kValueOutOfRange);
      return;
    }
    property.setHandle(handle);
  }
}

void tDevice::unregisterPropertyList(tProperty** list) {
  if (list == nullptr) return;
  uint64_t count = 0;
  while (list[count] != nullptr) ++count;
  unregisterProperties(list, count);
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

void tDevice::unregisterDeviceInterfaces(tDevice& device) {
  tDeviceInterface** interfaces = device.getDeviceInterfaces();
  if (interfaces == nullptr) return;
  uint64_t count = 0;
  while (interfaces[count] != nullptr) ++count;
  for (uint64_t i = count; i > 0; --i) {
    tDeviceInterface* interface = interfaces[i - 1];
    if (interface->getHandle() == nullptr) continue;
    nKIVKAL200_unregisterDeviceInterface(interface->getHandle());
    interface->setHandle(nullptr);
  }
}


// ---- kernel-layer callbacks

namespace {

tDeviceCore* deviceOf(tSession* session) { return session->getInterface()->getDevice(); }

int32_t transfer(bool toDevice, void* session, void* userBuffer, uint64_t count, uint64_t* transferred) {
  tSession* owner = static_cast<tSession*>(session);
  nKIVAPALS100::tStatus status;
  const tEventDescriptor descriptor(owner);
  tUserBuffer buffer(&descriptor, reinterpret_cast<uintptr_t>(userBuffer), count);
  tDeviceCore* device = deviceOf(owner);
  *transferred = toDevice ? device->write(descriptor, buffer, status) : device->read(descriptor, buffer, status);
  return toKalStatus(status.getCode());
}

}  // namespace

int32_t tDevice::kalOpen(void*, void** context) {
  tDeviceInterface* interface = static_cast<tDeviceInterface*>(*context);
  nKIVAPALS100::tStatus status;
  const tEventDescriptor descriptor;
  tSession* session = interface->getDevice()->openSession(descriptor, interface, status);
  if (status.isNotFatal()) *context = session;
  return toKalStatus(status.getCode());
}

void tDevice::kalClose(void* session) {
  tSession* owner = static_cast<tSession*>(session);
  const tEventDescriptor descriptor(owner);
  tDeviceCore* device = deviceOf(owner);
  device->cancelSessionIO(descriptor);
  device->closeSession(descriptor, owner);
}

int32_t tDevice::kalRead(void* session, void* userBuffer, uint64_t count, uint64_t, uint64_t* transferred) {
  return transfer(false, session, userBuffer, count, transferred);
}

int32_t tDevice::kalWrite(void* session, void* userBuffer, uint64_t count, uint64_t, uint64_t* transferred) {
  return transfer(true, session, userBuffer, count, transferred);
}

int32_t tDevice::kalIOControl(void* session, uint32_t code, uint64_t argument) {
  tSession* owner = static_cast<tSession*>(session);
  const tEventDescriptor descriptor(owner);
  tDeviceCore* device = deviceOf(owner);

  if (code == kIOControlDestroyNotifier) {
    device->destroyIONotifier(descriptor, static_cast<uint32_t>(argument));
    return 0;
  }
  if (code == kIOControlCreateNotifier) {
    nKIVAPALS100::tStatus status;
    tNotifierCreationRecord record;
    fillBytes(&record, 0, sizeof(record));
    kivTranslateKalStatus(nKIVKAL100_replicateInboundIOControlBuffer(
                              &record, reinterpret_cast<const void*>(static_cast<uintptr_t>(argument)), sizeof(record)),
                          status);
    // The device does nothing on a failed copy; it is asked all the same.
    tIONotifierParams params;
    params.identifier = record.identifier;
    params.port = record.port;
    device->createIONotifier(descriptor, record.selector, params, status);
    return toKalStatus(status.getCode());
  }

  tIOControlEnvelope envelope{};
  void* userEnvelope = reinterpret_cast<void*>(static_cast<uintptr_t>(argument));
  const int32_t copied = nKIVKAL100_replicateInboundIOControlBuffer(&envelope, userEnvelope, sizeof(envelope));
  // The layer's own code, untranslated: nothing of the driver ran.
  if (copied < 0) return copied;
  envelope.bytesReturned = 0;
  nKIVAPALS100::tStatus status;
  envelope.bytesReturned = static_cast<uint32_t>(owner->getInterface()->decodeIOControl(
      descriptor, code, envelope.inboundPointer, envelope.inboundSize, envelope.outboundPointer,
      envelope.outboundSize, status));
  const int32_t result = toKalStatus(status.getCode());
  // A count of 0 leaves the caller's word as the caller wrote it.
  if (envelope.bytesReturned != 0) {
    const int32_t written = nKIVKAL100_replicateOutboundIOControlBuffer(
        static_cast<uint8_t*>(userEnvelope) + offsetof(tIOControlEnvelope, bytesReturned), &envelope.bytesReturned,
        sizeof(envelope.bytesReturned));
    // The caller would read its own stale count as the answer's size: a
    // success whose count could not be written back is none.
    if (written < 0 && result >= 0) return written;
  }
  return result;
}

int32_t tDevice::kalMapMemory(void* session, uint16_t word, void* mapHandle, int32_t* made, void** mapObject) {
  tSession* owner = static_cast<tSession*>(session);
  nKIVAPALS100::tStatus status;
  // Without memory for the map the mmap fails; reporting success would hand
  // the layer a map that does not exist.
  tUserMemoryMap* map = kivNew(status) tUserMemoryMap(owner, mapHandle, word);
  if (map == nullptr) return toKalStatus(status.getCode());
  const tEventDescriptor descriptor(owner);
  deviceOf(owner)->mapMemory(descriptor, *map, status);
  if (status.isNotFatal()) {
    *mapObject = map;
    *made = 1;
  } else {
    delete map;
  }
  return toKalStatus(status.getCode());
}

void tDevice::kalUnmapMemory(void* mapObject) {
  tUserMemoryMap* map = static_cast<tUserMemoryMap*>(mapObject);
  const tEventDescriptor descriptor(map->getSession());
  deviceOf(map->getSession())->unmapMemory(descriptor, *map);
  delete map;
}

void tDevice::removeDevice(void* device) {
  tDevice* target = static_cast<tDevice*>(device);
  if (target == nullptr || target->getPnPState() == kPnPStateNotPresent) return;
  unregisterInterfaceProperties(*target);
  unregisterDeviceProperties(*target);
  unregisterBusProperties(*target);
  const tEventDescriptor descriptor;
  nKIVAPALS100::tStatus status;
  target->changePnPState(descriptor, kPnPStateNotPresent, kSuspendReasonRemove, false, status);
  unregisterDeviceInterfaces(*target);
}

void tDevice::kalDeleteDevice(void* device) { delete static_cast<tDevice*>(device); }

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
